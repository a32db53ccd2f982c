#pragma once

#include <windows.h>

// Runs the uploader dialog (template 1003) modally over `owner`, to its end.
void run_uploader_dialog(HWND owner);
