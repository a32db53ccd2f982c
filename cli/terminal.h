#pragma once

// Whether a progress bar can be drawn in place on standard output: a terminal, and not one that
// says it cannot move back over a line (TERM=dumb: an editor's shell buffer, a console read out
// by a screen reader, which would speak every redraw). Elsewhere plain lines are printed.
bool stdout_redraws();

// Standard output passes bytes as they are: on Windows it would otherwise turn each 10 into 13 10.
void binary_standard_output();
