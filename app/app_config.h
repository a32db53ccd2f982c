#pragma once

#include <string>

// What start-up learns once and keeps for the whole run.
struct AppState {
  std::string os_name;   // from the system's version, shown by the help dialog
  std::string exe_path;  // the running executable
  std::string cfg_path;  // the configuration file beside it
};
extern AppState app_state;

// The configuration file: com_port_number (link/link.h) as 4 bytes, little-endian.
int load_app_config();
int save_app_config();
