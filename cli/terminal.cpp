#include "cli/terminal.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <unistd.h>
#endif

bool stdout_redraws() {
#ifdef _WIN32
  const bool terminal = _isatty(_fileno(stdout)) != 0;
#else
  const bool terminal = isatty(STDOUT_FILENO) != 0;
#endif
  const char* term = std::getenv("TERM");
  return terminal && !(term != nullptr && std::strcmp(term, "dumb") == 0);
}

void binary_standard_output() {
#ifdef _WIN32
  _setmode(_fileno(stdout), _O_BINARY);
#endif
}
