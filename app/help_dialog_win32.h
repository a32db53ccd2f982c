#pragma once

#include <windows.h>

// Runs the help dialog (template 1004) modally over `owner`, to its end.
void run_help_dialog(HWND owner);
