#pragma once

#include <array>
#include <cstdint>

#include "settings/settings_image.h"

// The settings panel's controls and what each one means in a user bank, as tables: the panel's
// operations walk these tables, so that every field's rule is written once.

// How a checked value goes into the bank.
enum class FieldStore {
  byte,              // the value itself, at the field's offset
  sidetone_divisor,  // 62500 / frequency
  pot_order,         // MaxWpm > MinWpm; stores nothing yet
  pot_min,           // MinWpm's range; stores nothing yet
  pot_max,           // MaxWpm's range; stores the pot minimum and the pot range
  letter_space,      // the low five bits, keeping bits 0xE0
};

// One step of the panel's validation, in the order the panel runs them.
struct ValidationStep {
  int control_id;
  FieldStore store;
  int rel;  // offset in the bank of the byte stored (pot_max: the pot minimum's)
  unsigned low, high;
  bool zero_allowed;          // 0 passes besides low..high
  const char* message_user1;  // the "Error" box text
  const char* message_user2;
};
inline constexpr int VALIDATION_STEP_COUNT = 14;
extern const std::array<ValidationStep, VALIDATION_STEP_COUNT> VALIDATION_STEPS;

// One check box: the bit it toggles in a bank's byte.
struct CheckBoxBit {
  int control_id;
  int rel;
  uint8_t mask;
};
inline constexpr int CHECK_BOX_COUNT = 11;
extern const std::array<CheckBoxBit, CHECK_BOX_COUNT> CHECK_BOX_BITS;

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

// What Reset to Defaults writes into each user bank, by offset in the bank.
extern const std::array<uint8_t, USER_BANK_SIZE> BANK_DEFAULTS;

inline constexpr unsigned SIDETONE_DIVIDEND = 62500;
