#pragma once

// Whether standard output is a terminal (a progress bar is drawn there, plain lines elsewhere).
bool stdout_is_terminal();
