#pragma once

#include "sim/pty_device.h"
#include "sim/sim_options.h"

// Serves the simulated keyer on the pty until a stop is requested: feeds it what the host sends
// at the rate the host has set, hands back its replies, and keeps the output files current.
// Returns the program's exit code.
int serve_keyer(PtyDevice& device, const SimOptions& options);
