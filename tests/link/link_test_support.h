#pragma once

#include "link/interface_test.h"
#include "link/link.h"
#include "platform/pause.h"
#include "settings/settings_image.h"

// Every link test starts from the program's start-up state, with the protocol's pauses free.
inline void reset_link_globals() {
  link_close();
  link_state = LinkState{};
  keyer_values = KeyerValues{};
  settings_image = SettingsImage{};
  com_port_number = 1;
  set_pause_function([](int) {});
}
