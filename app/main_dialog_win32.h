#pragma once

#include <windows.h>

// The main window's dialog procedure (template 1001): turns window messages into calls of the
// main window's logic (settings/main_window.h).
INT_PTR CALLBACK main_dialog_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
