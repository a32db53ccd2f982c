#pragma once

#include <string>

#include "settings/settings_image.h"
#include "tests/fault_matrix/fault_cells.h"
#include "tests/fault_matrix/keyer_place.h"

// Runs a cell of the ostrel program: the built binary with --port on the cell's keyer, its files
// in `files_dir` (out.eep, in.eep, firmware.hex), then the same command on a healthy keyer.
CellOutcome run_cli_cell(const Cell& cell, const KeyerPlace& place, const std::string& ostrel,
                         const std::string& files_dir, const SettingsImage& keyer_image,
                         long margin_ms);
