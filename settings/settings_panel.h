#pragma once

#include "platform/dialog_controls.h"
#include "settings/settings_image.h"

struct SettingField;

// The "Settings" group of the main window: one user bank of the settings image at a time, each
// field as the field model (settings/settings_fields.h) describes it.
void populate(DialogControls& window, UserBank bank);
// Fills the three lists with their entries, in the order of the positions stored in the image.
void fill_panel_lists(DialogControls& window);
// Checks the fourteen numeric fields in their fixed order, storing each as it passes; on the
// first failure shows its "Error" box and returns false.
bool validate_and_store(DialogControls& window, UserBank bank);
// The same, saying which field failed (MaxWpm for the order of the pot limits), or nullptr.
const SettingField* validate_and_store_fields(DialogControls& window, UserBank bank);
// A click on one of the eleven check boxes: toggles its bit, then sets the box from the bit.
void apply_check_box(DialogControls& window, int control_id, UserBank bank);
// A selection change of Keyer Mode, Paddle Hang or Output Config.
void apply_list_selection(DialogControls& window, int list_id, UserBank bank);
// Writes the defaults into bytes 0..31.
void reset_to_defaults();
