#pragma once

// What `ostrel` returns to the shell, so that scripts can tell the kinds of failure apart.
inline constexpr int EXIT_OK = 0;
inline constexpr int EXIT_KEYER = 1;  // the keyer or the serial link failed
inline constexpr int EXIT_USAGE = 2;  // the command line, or a value the keyer would refuse
inline constexpr int EXIT_FILE = 3;   // a file could not be read, written, or has the wrong form
