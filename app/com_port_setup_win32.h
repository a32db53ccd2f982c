#pragma once

#include <windows.h>

// Runs the Comm Port Setup dialog (template 1002) modally over `owner`, to its end.
void run_comm_port_setup_dialog(HWND owner);
