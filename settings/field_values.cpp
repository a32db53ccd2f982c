// Reading and storing the settings fields in a user bank, by their encoding.
#include <algorithm>

#include "settings/settings_fields.h"

namespace {

uint8_t& bank_byte(UserBank bank, int rel) {
  return settings_image[bank_base(bank) + rel];
}

unsigned keyer_mode_position(uint8_t mode, uint8_t pins) {
  const uint8_t keyer = mode & MODE_KEYER_MASK;
  if (keyer == MODE_ULTIMATIC) {
    // Dit wins when both bits are set: it is the one looked at first.
    if (pins & PIN_ULTIM_DIT) return 3;
    if (pins & PIN_ULTIM_DAH) return 4;
    return 2;
  }
  for (unsigned i = 0; i < KEYER_MODES.size(); ++i) {
    if (!KEYER_MODES[i].sets_pins && KEYER_MODES[i].mode_bits == keyer) return i;
  }
  return 0;  // not reached: every value of the two bits has an entry
}

unsigned output_config_position(uint8_t pins) {
  const uint8_t code = pins & PIN_OUTPUT_MASK;
  const auto match = std::find_if(OUTPUT_CONFIGS.begin(), OUTPUT_CONFIGS.end(),
                                  [code](const OutputConfigEntry& e) { return e.code == code; });
  // Codes without an entry show as the first one; the byte keeps them until a pick.
  return match == OUTPUT_CONFIGS.end() ? 0 : static_cast<unsigned>(match - OUTPUT_CONFIGS.begin());
}

void store_keyer_mode(UserBank bank, unsigned position) {
  if (position >= KEYER_MODES.size()) return;
  const KeyerModeEntry& entry = KEYER_MODES[position];
  uint8_t& mode = bank_byte(bank, REL_MODE);
  mode = static_cast<uint8_t>((mode & ~MODE_KEYER_MASK) | entry.mode_bits);
  if (entry.sets_pins) {
    uint8_t& pins = bank_byte(bank, REL_PIN_CONFIG);
    pins = static_cast<uint8_t>((pins & ~PIN_ULTIM_MASK) | entry.pin_bits);
  }
}

bool string_equal_folded(const char* a, const std::string& folded) {
  return a != nullptr && fold_name(a) == folded;
}

}  // namespace

std::string fold_name(const std::string& text) {
  std::string folded;
  for (char c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) folded += c;
  }
  return folded;
}

const SettingField* find_setting_field(const std::string& name) {
  const std::string folded = fold_name(name);
  for (const SettingField& field : SETTING_FIELDS) {
    if (string_equal_folded(field.key, folded) || string_equal_folded(field.caption, folded))
      return &field;
  }
  return nullptr;
}

const SettingField* setting_field_of_control(int control_id) {
  for (const SettingField& field : SETTING_FIELDS)
    if (field.control_id == control_id) return &field;
  return nullptr;
}

const SettingField* setting_field_at_step(int check_step) {
  for (const SettingField& field : SETTING_FIELDS)
    if (check_step > 0 && field.check_step == check_step) return &field;
  return nullptr;
}

std::optional<unsigned> field_value(const SettingField& field, UserBank bank) {
  const uint8_t byte = bank_byte(bank, field.rel);
  switch (field.encoding) {
    case FieldEncoding::byte:
    case FieldEncoding::pot_min:
      return byte;
    case FieldEncoding::sidetone_divisor:
      if (byte == 0) return std::nullopt;
      return SIDETONE_DIVIDEND / byte;
    case FieldEncoding::pot_max:
      return unsigned{byte} + bank_byte(bank, field.rel + 1);
    case FieldEncoding::letter_space:
      return byte & LETTER_SPACE_MASK;
    case FieldEncoding::bit:
      return (byte & field.mask) != 0 ? 1 : 0;
    case FieldEncoding::keyer_mode:
      return keyer_mode_position(bank_byte(bank, REL_MODE), bank_byte(bank, REL_PIN_CONFIG));
    case FieldEncoding::paddle_hang:
      return (byte & PIN_PADDLE_HANG_MASK) >> 4;
    case FieldEncoding::output_config:
      return output_config_position(byte);
  }
  return std::nullopt;
}

void store_field(const SettingField& field, UserBank bank, unsigned value) {
  uint8_t& target = bank_byte(bank, field.rel);
  switch (field.encoding) {
    case FieldEncoding::byte:
      target = static_cast<uint8_t>(value);
      break;
    case FieldEncoding::sidetone_divisor:
      if (value != 0) target = static_cast<uint8_t>(SIDETONE_DIVIDEND / value);
      break;
    case FieldEncoding::pot_min: {
      // The maximum stays where it was: the range follows the new minimum.
      const unsigned maximum = unsigned{target} + bank_byte(bank, field.rel + 1);
      target = static_cast<uint8_t>(value);
      bank_byte(bank, field.rel + 1) = static_cast<uint8_t>(maximum - value);
      break;
    }
    case FieldEncoding::pot_max:
      bank_byte(bank, field.rel + 1) = static_cast<uint8_t>(value - target);
      break;
    case FieldEncoding::letter_space:
      target = static_cast<uint8_t>((target & ~LETTER_SPACE_MASK) | (value & LETTER_SPACE_MASK));
      break;
    case FieldEncoding::bit:
      target = static_cast<uint8_t>(value != 0 ? target | field.mask : target & ~field.mask);
      break;
    case FieldEncoding::keyer_mode:
      store_keyer_mode(bank, value);
      break;
    case FieldEncoding::paddle_hang:
      if (value < PADDLE_HANG_ENTRIES.size())
        target = static_cast<uint8_t>((target & ~PIN_PADDLE_HANG_MASK) | (value << 4));
      break;
    case FieldEncoding::output_config:
      // A position outside the list leaves the four bits clear.
      target &= static_cast<uint8_t>(~PIN_OUTPUT_MASK);
      if (value < OUTPUT_CONFIGS.size()) target |= OUTPUT_CONFIGS[value].code;
      break;
  }
}

bool value_in_range(const SettingField& field, unsigned value) {
  return (field.zero_allowed && value == 0) || (value >= field.low && value <= field.high);
}

bool stored_field_passes(const SettingField& field, UserBank bank) {
  if (field.check_step == 0) return true;
  const uint8_t byte = bank_byte(bank, field.rel);
  switch (field.encoding) {
    case FieldEncoding::sidetone_divisor:
      // Every divisor from 62500 / 4000 to 62500 / 500 is what some frequency the panel takes
      // stores: 4000 Hz is stored as 15, which shows as 4166.
      return byte >= SIDETONE_DIVIDEND / field.high && byte <= SIDETONE_DIVIDEND / field.low;
    case FieldEncoding::pot_max: {
      const unsigned maximum = *field_value(field, bank);
      return maximum > byte && value_in_range(field, maximum);
    }
    default:
      return value_in_range(field, *field_value(field, bank));
  }
}

std::vector<std::string> list_entries(const SettingField& field) {
  std::vector<std::string> entries;
  switch (field.encoding) {
    case FieldEncoding::keyer_mode:
      for (const KeyerModeEntry& e : KEYER_MODES) entries.emplace_back(e.text);
      break;
    case FieldEncoding::paddle_hang:
      for (const char* text : PADDLE_HANG_ENTRIES) entries.emplace_back(text);
      break;
    case FieldEncoding::output_config:
      for (const OutputConfigEntry& e : OUTPUT_CONFIGS) entries.emplace_back(e.text);
      break;
    default:
      break;
  }
  return entries;
}

std::optional<std::string> field_text(const SettingField& field, UserBank bank) {
  const std::optional<unsigned> value = field_value(field, bank);
  if (!value) return std::nullopt;
  switch (field.kind) {
    case FieldKind::check:
      return *value ? "on" : "off";
    case FieldKind::list:
      return list_entries(field).at(*value);
    case FieldKind::number:
      break;
  }
  return std::to_string(*value);
}
