#pragma once

#include <string>

#include "settings/settings_image.h"
#include "tests/fault_matrix/fault_cells.h"
#include "tests/fault_matrix/keyer_place.h"

// Runs a cell of Test, Read, Write or Upload as the window runs them, through the main window's
// and the uploader's logic over recorded controls, on the link as it is set up (the caller points
// the link at the cell's keyer): the faulty operation, its checks, then the same operation again
// on a healthy keyer over the same link. `margin_ms` is what the machine may add to the waits.
CellOutcome run_window_cell(const Cell& cell, const KeyerPlace& place,
                            const SettingsImage& keyer_image, const std::string& firmware_path,
                            long margin_ms);
