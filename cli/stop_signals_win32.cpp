#include <windows.h>

#include "cli/stop_signals.h"

namespace {
// Runs on a thread of its own that the console starts for each Ctrl-C or Ctrl-Break.
BOOL WINAPI on_console_control(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  note_stop_signal();
  return TRUE;
}
}  // namespace

void install_stop_signals() {
  reset_stop_signal_count();
  SetConsoleCtrlHandler(on_console_control, TRUE);
}

void remove_stop_signals() {
  SetConsoleCtrlHandler(on_console_control, FALSE);
}
