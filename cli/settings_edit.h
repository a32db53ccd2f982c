#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/panel_fields.h"
#include "settings/settings_image.h"

// One FIELD=VALUE of `ostrel set`: a panel field, or a message slot (msg1..msg12, callsign).
struct SettingChange {
  const PanelField* field = nullptr;  // nullptr for a message
  int slot = -1;                      // message slot 0..13 when field is nullptr
  std::string value;
};

// Reads the FIELD=VALUE arguments; `callsign` is the callsign of `bank`. Numbers must be plain
// decimal digits and check boxes on/off; list entries are looked up when they are applied.
// EXIT_OK, or EXIT_USAGE after telling `err` what is wrong.
int parse_setting_changes(const std::vector<std::string>& arguments, UserBank bank,
                          std::vector<SettingChange>& changes, std::ostream& err);

// `ostrel set`: loads the file, makes the changes as a user would in the window, checks the bank
// with the panel's own rules and the messages against the keyer's capacity, and replaces the file
// only when everything passed.
int set_settings(const std::string& path, UserBank bank, const std::vector<std::string>& arguments,
                 std::ostream& err);
