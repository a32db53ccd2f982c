#include "cli/settings_document.h"

#include <cstdio>

#include "messages/message_codec.h"
#include "settings/settings_fields.h"

std::string ShownValue::name() const {
  if (field != nullptr) return field->caption;
  if (slot < 12) return "Msg " + std::to_string(slot + 1);
  return slot == 12 ? "User 1 Callsign" : "User 2 Callsign";
}

std::string bank_name(int bank) {
  return "User " + std::to_string(bank + 1);
}

std::string message_key(int slot) {
  if (slot < 12) return "msg" + std::to_string(slot + 1);
  return slot == 12 ? "user1_callsign" : "user2_callsign";
}

std::optional<int> message_slot_named(const std::string& name, int bank) {
  const std::string folded = fold_name(name);
  if (folded == "callsign") return 12 + bank;
  for (int slot = 0; slot < MESSAGE_SLOTS; ++slot) {
    if (folded == fold_name(message_key(slot))) return slot;
  }
  return std::nullopt;
}

std::vector<ShownValue> shown_values(const SettingsImage& image) {
  return with_settings_image(image, [] {
    std::vector<ShownValue> values;
    for (int bank = 0; bank < 2; ++bank) {
      for (const SettingField& field : SETTING_FIELDS) {
        values.push_back(
            {bank, &field, -1, field_text(field, bank == 0 ? UserBank::user1 : UserBank::user2)});
      }
    }
    const MessageTexts texts = decode_messages();
    for (int slot = 0; slot < MESSAGE_SLOTS; ++slot) values.push_back({-1, nullptr, slot, texts[slot]});
    return values;
  });
}

nlohmann::ordered_json settings_json(const SettingsImage& image) {
  nlohmann::ordered_json json;
  for (const ShownValue& value : shown_values(image)) {
    nlohmann::ordered_json item = nullptr;
    if (value.text && value.field != nullptr && value.field->kind == FieldKind::number) {
      item = std::stoul(*value.text);
    } else if (value.text && value.field != nullptr && value.field->kind == FieldKind::check) {
      item = *value.text == "on";
    } else if (value.text) {
      item = *value.text;
    }
    if (value.field != nullptr) {
      json["user" + std::to_string(value.bank + 1)][value.field->key] = item;
    } else {
      json["messages"][message_key(value.slot)] = item;
    }
  }
  std::string hex;
  for (uint8_t byte : image) {
    char two[3];
    std::snprintf(two, sizeof two, "%02x", byte);
    hex += two;
  }
  json["image_hex"] = hex;
  return json;
}
