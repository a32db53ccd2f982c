#include "settings/settings_panel.h"

#include <algorithm>

#include "resources/control_ids.h"
#include "settings/settings_fields.h"

namespace {

uint8_t& bank_byte(UserBank bank, int rel) {
  return settings_image[bank_base(bank) + rel];
}

int keyer_mode_position(uint8_t mode, uint8_t pins) {
  const uint8_t keyer = mode & MODE_KEYER_MASK;
  if (keyer == MODE_ULTIMATIC) {
    // Dit wins when both bits are set: it is the one looked at first.
    if (pins & PIN_ULTIM_DIT) return 3;
    if (pins & PIN_ULTIM_DAH) return 4;
    return 2;
  }
  for (int i = 0; i < KEYER_MODE_COUNT; ++i) {
    if (!KEYER_MODES[i].sets_pins && KEYER_MODES[i].mode_bits == keyer) return i;
  }
  return 0;  // not reached: every value of the two bits has an entry
}

int output_config_position(uint8_t pins) {
  const uint8_t code = pins & PIN_OUTPUT_MASK;
  const auto match = std::find_if(OUTPUT_CONFIGS.begin(), OUTPUT_CONFIGS.end(),
                                  [code](const OutputConfigEntry& e) { return e.code == code; });
  // Codes without an entry show as the first one; the byte keeps them until a pick.
  return match == OUTPUT_CONFIGS.end() ? 0 : static_cast<int>(match - OUTPUT_CONFIGS.begin());
}

bool in_range(const ValidationStep& step, unsigned value) {
  return (step.zero_allowed && value == 0) || (value >= step.low && value <= step.high);
}

void apply_keyer_mode(UserBank bank, int position) {
  if (position < 0 || position >= KEYER_MODE_COUNT) return;
  const KeyerModeEntry& entry = KEYER_MODES[position];
  uint8_t& mode = bank_byte(bank, REL_MODE);
  mode = static_cast<uint8_t>((mode & ~MODE_KEYER_MASK) | entry.mode_bits);
  if (entry.sets_pins) {
    uint8_t& pins = bank_byte(bank, REL_PIN_CONFIG);
    pins = static_cast<uint8_t>((pins & ~PIN_ULTIM_MASK) | entry.pin_bits);
  }
}

void apply_paddle_hang(UserBank bank, int position) {
  if (position < 0 || position >= PADDLE_HANG_COUNT) return;
  uint8_t& pins = bank_byte(bank, REL_PIN_CONFIG);
  pins = static_cast<uint8_t>((pins & ~PIN_PADDLE_HANG_MASK) | (position << 4));
}

void apply_output_config(UserBank bank, int position) {
  uint8_t& pins = bank_byte(bank, REL_PIN_CONFIG);
  pins &= static_cast<uint8_t>(~PIN_OUTPUT_MASK);
  if (position >= 0 && position < OUTPUT_CONFIG_COUNT) pins |= OUTPUT_CONFIGS[position].code;
}

}  // namespace

void populate(DialogControls& window, UserBank bank) {
  for (const ValidationStep& step : VALIDATION_STEPS) {
    if (step.store == FieldStore::byte) window.set_uint(step.control_id, bank_byte(bank, step.rel));
  }
  window.set_uint(IDC_LTR_SPC, bank_byte(bank, REL_LETTER_SPACE) & LETTER_SPACE_MASK);

  const uint8_t pins = bank_byte(bank, REL_PIN_CONFIG);
  window.combo_select(IDC_KEYER_MODE, keyer_mode_position(bank_byte(bank, REL_MODE), pins));
  window.combo_select(IDC_PADDLE_HANG, (pins & PIN_PADDLE_HANG_MASK) >> 4);
  window.combo_select(IDC_OUTPUT_CONFIG, output_config_position(pins));

  // A divisor of 0 has no frequency: the box keeps whatever it showed.
  const uint8_t divisor = bank_byte(bank, REL_SIDETONE);
  if (divisor != 0) window.set_uint(IDC_SIDETONE_FREQ, SIDETONE_DIVIDEND / divisor);

  const unsigned pot_min = bank_byte(bank, REL_POT_MIN);
  window.set_uint(IDC_MAX_WPM, pot_min + bank_byte(bank, REL_POT_RANGE));
  window.set_uint(IDC_MIN_WPM, pot_min);

  for (const CheckBoxBit& box : CHECK_BOX_BITS) {
    window.set_check(box.control_id, (bank_byte(bank, box.rel) & box.mask) != 0);
  }

  window.show(IDC_CALLSIGN_USER1, bank == UserBank::user1);
  window.show(IDC_CALLSIGN_USER2, bank == UserBank::user2);
}

bool validate_and_store(DialogControls& window, UserBank bank) {
  // Read once, at the order check, and used by the two range checks after it.
  unsigned pot_max = 0;
  unsigned pot_min = 0;
  for (const ValidationStep& step : VALIDATION_STEPS) {
    bool passed = false;
    unsigned value = 0;
    if (step.store == FieldStore::pot_order) {
      pot_max = window.get_uint(IDC_MAX_WPM);
      pot_min = window.get_uint(IDC_MIN_WPM);
      passed = pot_max > pot_min;
    } else {
      value = step.store == FieldStore::pot_min   ? pot_min
              : step.store == FieldStore::pot_max ? pot_max
                                                  : window.get_uint(step.control_id);
      passed = in_range(step, value);
    }
    if (!passed) {
      window.error_box(bank == UserBank::user1 ? step.message_user1 : step.message_user2);
      return false;
    }
    // Each value is stored as soon as it passes: a later failure keeps the earlier fields.
    uint8_t& target = bank_byte(bank, step.rel);
    switch (step.store) {
      case FieldStore::byte:
        target = static_cast<uint8_t>(value);
        break;
      case FieldStore::sidetone_divisor:
        target = static_cast<uint8_t>(SIDETONE_DIVIDEND / value);
        break;
      case FieldStore::pot_max:
        target = static_cast<uint8_t>(pot_min);
        bank_byte(bank, REL_POT_RANGE) = static_cast<uint8_t>(pot_max - pot_min);
        break;
      case FieldStore::letter_space:
        target = static_cast<uint8_t>((target & ~LETTER_SPACE_MASK) | value);
        break;
      case FieldStore::pot_order:
      case FieldStore::pot_min:
        break;
    }
  }
  return true;
}

void apply_check_box(DialogControls& window, int control_id, UserBank bank) {
  for (const CheckBoxBit& box : CHECK_BOX_BITS) {
    if (box.control_id != control_id) continue;
    uint8_t& target = bank_byte(bank, box.rel);
    target ^= box.mask;
    // From the bit, not from the box: the two agree after every click even if they did not before.
    window.set_check(control_id, (target & box.mask) != 0);
    return;
  }
}

void apply_list_selection(DialogControls& window, int list_id, UserBank bank) {
  const int position = window.combo_selection(list_id);
  switch (list_id) {
    case IDC_KEYER_MODE:
      apply_keyer_mode(bank, position);
      break;
    case IDC_PADDLE_HANG:
      apply_paddle_hang(bank, position);
      break;
    case IDC_OUTPUT_CONFIG:
      apply_output_config(bank, position);
      break;
    default:
      break;
  }
}

void reset_to_defaults() {
  for (UserBank bank : {UserBank::user1, UserBank::user2}) {
    std::copy(BANK_DEFAULTS.begin(), BANK_DEFAULTS.end(), settings_image.begin() + bank_base(bank));
  }
}
