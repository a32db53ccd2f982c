#pragma once

#include "settings/settings_image.h"

// The settings the simulated keyer of `--sim` starts with: scripts/demo-keyer.eep, the demo that
// ./run gives the simulator (the defaults, a few messages, callsign N0CALL).
extern const SettingsImage DEMO_SETTINGS_IMAGE;
