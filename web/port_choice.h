#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/link_setup.h"
#include "cli/port_list.h"
#include "platform/dialog_controls.h"

// The page's "Set Com Port". The window lists COM numbers; the page lists the ports that
// `ostrel ports` finds, by their device paths, and remembers the one chosen in a file of its own
// for the next `ostrel ui`.

// What the port label (4074) shows: "com:N" for a COM port, as the window does, the device's name
// below /dev for a device path (any other path's last part), "sim" for the simulated keyer, "none"
// before a port is chosen.
std::string port_label(const LinkOptions& link);

// The ports offered, in order: the port in use first when the system does not list it (a
// pseudo-terminal, say), then those present.
std::vector<std::string> port_choices(const std::vector<PortEntry>& present,
                                      const std::string& current);

// Fills the list (4026) with the choices and selects the port in use, or nothing.
void show_port_choices(DialogControls& dialog, const std::vector<std::string>& choices,
                       const std::string& current);

// $XDG_CONFIG_HOME/ostrel/ui.json, by default ~/.config/ostrel/ui.json; "" when neither is set.
std::string ui_config_path();
// The port remembered there, or nothing when there is no file or it holds no port.
std::optional<std::string> load_remembered_port(const std::string& config_path);
// Replaces the file whole; false when it could not be written.
bool save_remembered_port(const std::string& config_path, const std::string& port);
