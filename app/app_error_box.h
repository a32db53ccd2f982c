#pragma once

#include <string>

// The "Error" box of the configuration file: it has no owner window, so it goes through this
// pointer. WinMain points it at MessageBoxA; until then (the command line, tests) the text goes to
// standard error, and tests record it.
using AppErrorBox = void (*)(const std::string& text);
extern AppErrorBox app_error_box;
