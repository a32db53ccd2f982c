#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "settings/settings_image.h"

struct SettingField;

// One change of `ostrel set`: a panel field, or a message slot (msg1..msg12, callsign).
struct SettingChange {
  const SettingField* field = nullptr;  // nullptr for a message
  int slot = -1;                        // message slot 0..13 when field is nullptr
  std::string value;
};

// Reads the FIELD=VALUE arguments; `callsign` is the callsign of `bank`. Numbers must be plain
// decimal digits and check boxes on/off; list entries are looked up when they are applied.
// EXIT_OK, or EXIT_USAGE after telling `err` what is wrong.
int parse_setting_changes(const std::vector<std::string>& arguments, UserBank bank,
                          std::vector<SettingChange>& changes, std::ostream& err);

// `ostrel set FILE FIELD=VALUE...`: loads the file, makes the changes as a user would in the
// window, checks the bank with the panel's own rules and the messages against the keyer's
// capacity, and replaces the file only when everything passed.
int set_settings(const std::string& path, UserBank bank, const std::vector<std::string>& arguments,
                 std::ostream& err);

// `ostrel set FILE --from FILE.json`: the banks and texts of a JSON that `show --json` printed,
// both banks checked as the window checks them; the file is replaced only when all pass.
int set_settings_from_json(const std::string& path, const std::string& json_path,
                           std::ostream& err);

// A check box value typed on the command line: on/off, yes/no, true/false, 1/0, checked/unchecked.
std::optional<bool> parse_check_value(const std::string& text);
