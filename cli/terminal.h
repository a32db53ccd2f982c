#pragma once

// Whether a progress bar can be drawn in place on standard output: a terminal, and not one that
// says it cannot move back over a line (TERM=dumb: an editor's shell buffer, a console read out
// by a screen reader, which would speak every redraw). Elsewhere plain lines are printed.
bool stdout_redraws();
