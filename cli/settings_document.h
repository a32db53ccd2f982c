#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "settings/settings_image.h"

struct SettingField;

// A settings image as the user reads it: every field of both user banks, as the panel shows it,
// and the fourteen message texts. `show`, `show --json`, `diff` and `set --from` share it.
struct ShownValue {
  int bank = -1;                        // 0 or 1 for a field, -1 for a message
  const SettingField* field = nullptr;  // nullptr for a message
  int slot = -1;                        // message slot 0..13
  std::optional<std::string> text;      // nothing for a number that has no value

  std::string name() const;  // "Weight", "Msg 3", "User 1 Callsign"
};
std::vector<ShownValue> shown_values(const SettingsImage& image);

// "User 1", "User 2".
std::string bank_name(int bank);
// The JSON names of the message slots: msg1..msg12, user1_callsign, user2_callsign.
std::string message_key(int slot);
// The message slot a name means (msg1..msg12, user1_callsign, user2_callsign, and "callsign" for
// the callsign of `bank`), or nothing.
std::optional<int> message_slot_named(const std::string& name, int bank);

// {"user1": {...}, "user2": {...}, "messages": {...}, "image_hex": "..."}: numbers as numbers,
// check boxes as true/false, list entries and texts as strings, a number without a value as null.
nlohmann::ordered_json settings_json(const SettingsImage& image);

// Runs `work` with `image` as the program's settings image, which the panel and the codec read,
// and puts the old one back.
template <typename Work>
auto with_settings_image(const SettingsImage& image, Work work) {
  const SettingsImage saved = settings_image;
  settings_image = image;
  struct Restore {
    const SettingsImage& saved;
    ~Restore() { settings_image = saved; }
  } restore{saved};
  return work();
}
