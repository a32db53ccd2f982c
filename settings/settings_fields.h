#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "settings/settings_image.h"

// Every setting of a user bank, described once: what the panel shows and checks, what `show`,
// `set`, `diff` and JSON call it, where it lives in the bank and what Reset to Defaults gives it.
// The panel, the command line and the page take what they need from this table.

enum class FieldKind { number, check, list };

// Where a field's value lives in a bank and how it is written there.
enum class FieldEncoding {
  byte,              // the value itself, at rel
  sidetone_divisor,  // 62500 / frequency, at rel
  pot_min,           // the pot minimum, at rel; the pot maximum (rel + 1 holds the range) stays
  pot_max,           // the pot minimum at rel plus the pot range at rel + 1
  letter_space,      // the low five bits of rel; its other three bits stay
  bit,               // mask at rel
  keyer_mode,        // KEYER_MODES: mode bits 0x30, and the Ultimatic family's pin bits 0xC0
  paddle_hang,       // PADDLE_HANG_ENTRIES: pin configuration bits 0x30
  output_config,     // OUTPUT_CONFIGS: the pin configuration's low four bits
};

struct SettingField {
  const char* caption;  // the window's caption, as `show` and `diff` print it
  const char* key;      // lower-case snake_case: the JSON key and a name `set` takes
  int control_id;
  FieldKind kind;
  FieldEncoding encoding;
  int rel;       // offset in the bank
  uint8_t mask;  // bit: the bit
  // Numbers the panel checks: the values it accepts, its place in the order of the checks
  // (1 to CHECK_STEP_COUNT; 0 for the fields it does not check) and its messages per bank.
  unsigned low;
  unsigned high;
  bool zero_allowed;  // 0 passes besides low..high
  int check_step;
  const char* message_user1;
  const char* message_user2;
  // What Reset to Defaults gives: the number as the panel shows it, 1 or 0 for a check box, the
  // list position.
  unsigned default_value;
};

inline constexpr int SETTING_FIELD_COUNT = 27;
// In the order `show` lists them.
extern const std::array<SettingField, SETTING_FIELD_COUNT> SETTING_FIELDS;

// The panel's checks run in steps 1..14; step 11 is no field's own: MaxWpm must be above MinWpm,
// both read before either range is looked at.
inline constexpr int CHECK_STEP_COUNT = 14;
inline constexpr int POT_ORDER_CHECK_STEP = 11;
inline constexpr const char* POT_ORDER_MESSAGE = "Pot Max must be greater than Pot Min";

// The field a name means, by key or caption: case, spaces, '_', '-' and '%' do not count, so
// "Lead In", "lead_in" and "leadin" are one field, as are "Tune50%" and "tune_50".
const SettingField* find_setting_field(const std::string& name);
const SettingField* setting_field_of_control(int control_id);
const SettingField* setting_field_at_step(int check_step);

// The same folding, for matching list entries and message names.
std::string fold_name(const std::string& text);

// The value the panel shows for a field of a bank: the number, 1 or 0 for a check box, the list
// position. Nothing for a sidetone divisor of 0, which has no frequency.
std::optional<unsigned> field_value(const SettingField& field, UserBank bank);
// Stores a value as the panel does once it has passed its check, a click or a list pick.
void store_field(const SettingField& field, UserBank bank, unsigned value);
// Whether the bank's bytes hold, for this field, something the panel's checks let through. A
// field the panel does not check always passes.
bool stored_field_passes(const SettingField& field, UserBank bank);
// Whether a value typed into the field passes its check (not the pot order).
bool value_in_range(const SettingField& field, unsigned value);

// The entries of a list field, in their order.
std::vector<std::string> list_entries(const SettingField& field);
// The field's value as a user reads it: a number, "on"/"off", a list entry; nothing for a number
// that has none (the frequency of divisor 0).
std::optional<std::string> field_text(const SettingField& field, UserBank bank);

// Keyer Mode: list entries in their order, the mode register bits 0x30 each one sets, and the
// pin-configuration bits 0x80/0x40 it sets (only the Ultimatic family touches them).
struct KeyerModeEntry {
  const char* text;
  uint8_t mode_bits;
  bool sets_pins;
  uint8_t pin_bits;
};
inline constexpr int KEYER_MODE_COUNT = 6;
extern const std::array<KeyerModeEntry, KEYER_MODE_COUNT> KEYER_MODES;

inline constexpr uint8_t MODE_KEYER_MASK = 0x30;
inline constexpr uint8_t MODE_ULTIMATIC = 0x20;
inline constexpr uint8_t PIN_ULTIM_DIT = 0x80;
inline constexpr uint8_t PIN_ULTIM_DAH = 0x40;
inline constexpr uint8_t PIN_ULTIM_MASK = PIN_ULTIM_DIT | PIN_ULTIM_DAH;
inline constexpr uint8_t PIN_PADDLE_HANG_MASK = 0x30;
inline constexpr uint8_t PIN_OUTPUT_MASK = 0x0F;
inline constexpr uint8_t LETTER_SPACE_MASK = 0x1F;

// Paddle Hang: position p stores p * 0x10 in the pin configuration's bits 0x30.
inline constexpr int PADDLE_HANG_COUNT = 4;
extern const std::array<const char*, PADDLE_HANG_COUNT> PADDLE_HANG_ENTRIES;

// Output Config: list entries in their order and the code each one stores in the pin
// configuration's low four bits.
struct OutputConfigEntry {
  const char* text;
  uint8_t code;
};
inline constexpr int OUTPUT_CONFIG_COUNT = 8;
extern const std::array<OutputConfigEntry, OUTPUT_CONFIG_COUNT> OUTPUT_CONFIGS;

inline constexpr unsigned SIDETONE_DIVIDEND = 62500;
