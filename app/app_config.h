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
// load_app_config creates it holding port 1 when there is none, and says nothing when it cannot
// be created; save_app_config (the port the user picked) says "CFG File SAve Failed." on any
// failure and returns 0.
int load_app_config();
int save_app_config();
