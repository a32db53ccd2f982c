#pragma once

#include <windows.h>

#include <string>

// Runs the Comm Port Setup dialog (template 1002) modally over `owner`, to its end.
void run_comm_port_setup_dialog(HWND owner);

// Opens the port by name and closes it again at once: 0 when it opened, else the system's error
// code (the probe that com_port_setup_init takes). The command line lists ports with it too.
int probe_com_port(const std::string& name);
