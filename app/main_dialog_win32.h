#pragma once

#include <windows.h>

// The main window's dialog procedure (template 1001): turns window messages into calls of the
// main window's logic (settings/main_window.h).
INT_PTR CALLBACK main_dialog_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// The main window's class: a copy of the system dialog class that carries the application's icon
// (template 1001 names it). False when the system class cannot be read or the copy registered.
bool register_main_window_class(HINSTANCE instance);
