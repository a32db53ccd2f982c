#include "settings/settings_panel.h"

#include <algorithm>

#include "resources/control_ids.h"
#include "settings/settings_fields.h"

namespace {

const SettingField& field_of(int control_id) {
  return *setting_field_of_control(control_id);
}

}  // namespace

void populate(DialogControls& window, UserBank bank) {
  for (const SettingField& field : SETTING_FIELDS) {
    const std::optional<unsigned> value = field_value(field, bank);
    switch (field.kind) {
      case FieldKind::number:
        // A divisor of 0 has no frequency: the box keeps whatever it showed.
        if (value) window.set_uint(field.control_id, *value);
        break;
      case FieldKind::check:
        window.set_check(field.control_id, value.value_or(0) != 0);
        break;
      case FieldKind::list:
        window.combo_select(field.control_id, static_cast<int>(value.value_or(0)));
        break;
    }
  }
  window.show(IDC_CALLSIGN_USER1, bank == UserBank::user1);
  window.show(IDC_CALLSIGN_USER2, bank == UserBank::user2);
}

void fill_panel_lists(DialogControls& window) {
  for (const SettingField& field : SETTING_FIELDS) {
    if (field.kind != FieldKind::list) continue;
    // The lists are unsorted: their positions are the codes stored in the image.
    window.combo_reset(field.control_id);
    for (const std::string& entry : list_entries(field)) window.combo_add(field.control_id, entry);
  }
}

const SettingField* validate_and_store_fields(DialogControls& window, UserBank bank) {
  // Read once, at the order check, and used by the two range checks after it; the minimum is
  // stored with the maximum, once both have passed.
  const SettingField& max_field = field_of(IDC_MAX_WPM);
  const SettingField& min_field = field_of(IDC_MIN_WPM);
  unsigned pot_max = 0;
  unsigned pot_min = 0;
  for (int step = 1; step <= CHECK_STEP_COUNT; ++step) {
    if (step == POT_ORDER_CHECK_STEP) {
      pot_max = window.get_uint(IDC_MAX_WPM);
      pot_min = window.get_uint(IDC_MIN_WPM);
      if (pot_max > pot_min) continue;
      window.error_box(POT_ORDER_MESSAGE);
      return &max_field;
    }
    const SettingField& field = *setting_field_at_step(step);
    const unsigned value = &field == &max_field   ? pot_max
                           : &field == &min_field ? pot_min
                                                  : window.get_uint(field.control_id);
    if (!value_in_range(field, value)) {
      window.error_box(bank == UserBank::user1 ? field.message_user1 : field.message_user2);
      return &field;
    }
    // Each value is stored as soon as it passes: a later failure keeps the earlier fields.
    if (&field == &min_field) continue;
    if (&field == &max_field) store_field(min_field, bank, pot_min);
    store_field(field, bank, value);
  }
  return nullptr;
}

bool validate_and_store(DialogControls& window, UserBank bank) {
  return validate_and_store_fields(window, bank) == nullptr;
}

void apply_check_box(DialogControls& window, int control_id, UserBank bank) {
  const SettingField* field = setting_field_of_control(control_id);
  if (field == nullptr || field->kind != FieldKind::check) return;
  store_field(*field, bank, field_value(*field, bank).value_or(0) ? 0 : 1);
  // From the bit, not from the box: the two agree after every click even if they did not before.
  window.set_check(control_id, field_value(*field, bank).value_or(0) != 0);
}

void apply_list_selection(DialogControls& window, int list_id, UserBank bank) {
  const SettingField* field = setting_field_of_control(list_id);
  if (field == nullptr || field->kind != FieldKind::list) return;
  // No selection (-1) becomes a position past every list's end.
  store_field(*field, bank, static_cast<unsigned>(window.combo_selection(list_id)));
}

void reset_to_defaults() {
  for (UserBank bank : {UserBank::user1, UserBank::user2}) {
    std::fill_n(settings_image.begin() + bank_base(bank), USER_BANK_SIZE, 0);
    // The minimum before the maximum, so that the range between them comes out right.
    store_field(field_of(IDC_MIN_WPM), bank, field_of(IDC_MIN_WPM).default_value);
    for (const SettingField& field : SETTING_FIELDS) store_field(field, bank, field.default_value);
  }
}
