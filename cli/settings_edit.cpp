#include "cli/settings_edit.h"

#include <algorithm>
#include <optional>

#include "cli/exit_status.h"
#include "cli/headless_window.h"
#include "cli/image_file.h"
#include "messages/message_codec.h"
#include "settings/settings_panel.h"

namespace {
constexpr size_t MAX_NUMBER_DIGITS = 10;  // enough for every unsigned 32-bit value

bool is_decimal_number(const std::string& text) {
  if (text.empty() || text.size() > MAX_NUMBER_DIGITS) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// msg1..msg12 and callsign, by their folded names.
std::optional<int> message_slot(const std::string& folded, UserBank bank) {
  if (folded == "callsign") return bank == UserBank::user1 ? 12 : 13;
  for (int n = 1; n <= 12; ++n) {
    if (folded == "msg" + std::to_string(n)) return n - 1;
  }
  return std::nullopt;
}

std::string list_choices(const RecordingControls::Control& list) {
  std::string choices;
  for (const std::string& item : list.items)
    choices += (choices.empty() ? "\"" : ", \"") + item + "\"";
  return choices;
}

// Makes one change in the window as a user would: typing into a box, picking a list entry,
// clicking a check box whose mark differs from the wanted one.
int apply_change(RecordingControls& window, const SettingChange& change, UserBank bank,
                 std::ostream& err) {
  const PanelField& field = *change.field;
  switch (field.kind) {
    case FieldKind::number:
      window.set_text(field.control_id, change.value);
      return EXIT_OK;
    case FieldKind::check:
      if (window.get_check(field.control_id) != *parse_check_value(change.value)) {
        apply_check_box(window, field.control_id, bank);
      }
      return EXIT_OK;
    case FieldKind::list:
      break;
  }
  const RecordingControls::Control& list = window.control(field.control_id);
  for (size_t position = 0; position < list.items.size(); ++position) {
    if (fold_name(list.items[position]) == fold_name(change.value)) {
      window.combo_select(field.control_id, static_cast<int>(position));
      apply_list_selection(window, field.control_id, bank);
      return EXIT_OK;
    }
  }
  err << "ostrel: " << field.name << " has no entry \"" << change.value << "\"; the entries are "
      << list_choices(list) << "\n";
  return EXIT_USAGE;
}

// Whether decoding and encoding again gives back the stored texts as they are: foreign data, or
// a stored $, does not survive the round trip. The end pointer is left out: it is only ever
// written, and an image that never held messages has 0 there instead of 15.
bool messages_read_back_exactly() {
  const SettingsImage before = settings_image;
  encode_messages(decode_messages());
  const bool same = std::equal(before.begin() + MSG_SLOT_POINTERS, before.end(),
                               settings_image.begin() + MSG_SLOT_POINTERS);
  settings_image = before;
  return same;
}
}  // namespace

int parse_setting_changes(const std::vector<std::string>& arguments, UserBank bank,
                          std::vector<SettingChange>& changes, std::ostream& err) {
  for (const std::string& argument : arguments) {
    const size_t equals = argument.find('=');
    if (equals == std::string::npos) {
      err << "ostrel: \"" << argument << "\" is not FIELD=VALUE\n";
      return EXIT_USAGE;
    }
    const std::string name = argument.substr(0, equals);
    SettingChange change;
    change.value = argument.substr(equals + 1);
    if (std::optional<int> slot = message_slot(fold_name(name), bank)) {
      change.slot = *slot;
    } else if ((change.field = find_panel_field(name)) == nullptr) {
      err << "ostrel: there is no field \"" << name
          << "\" (see `ostrel show` for the field names, msg1..msg12 and callsign for texts)\n";
      return EXIT_USAGE;
    } else if (change.field->kind == FieldKind::number && !is_decimal_number(change.value)) {
      err << "ostrel: " << change.field->name << " needs a whole number, not \"" << change.value
          << "\"\n";
      return EXIT_USAGE;
    } else if (change.field->kind == FieldKind::check && !parse_check_value(change.value)) {
      err << "ostrel: " << change.field->name << " is on or off, not \"" << change.value << "\"\n";
      return EXIT_USAGE;
    }
    changes.push_back(change);
  }
  return EXIT_OK;
}

int set_settings(const std::string& path, UserBank bank, const std::vector<std::string>& arguments,
                 std::ostream& err) {
  std::vector<SettingChange> changes;
  if (int status = parse_setting_changes(arguments, bank, changes, err); status != EXIT_OK) {
    return status;
  }
  if (int status = load_image_file(path, settings_image, err); status != EXIT_OK) return status;

  RecordingControls& window = headless_window_start();
  populate(window, bank);
  MessageTexts texts = decode_messages();
  bool messages_changed = false;
  for (const SettingChange& change : changes) {
    if (change.field == nullptr) {
      texts[change.slot] = change.value;
      messages_changed = true;
    } else if (int status = apply_change(window, change, bank, err); status != EXIT_OK) {
      return status;
    }
  }
  if (!validate_and_store(window, bank)) {
    err << "ostrel: "
        << (window.error_boxes.empty() ? "a value is out of range" : window.error_boxes.back())
        << "\nNothing was changed.\n";
    return EXIT_USAGE;
  }
  // The message region is rewritten only when a text changes, so that a file holding messages
  // that do not read back exactly keeps them as long as nobody asks to edit them.
  if (messages_changed) {
    if (std::optional<std::string> problem = check_messages_fit(texts)) {
      err << "ostrel: " << *problem << "\nNothing was changed.\n";
      return EXIT_USAGE;
    }
    if (!messages_read_back_exactly()) {
      err << "ostrel: note: some stored messages do not read back as they were stored; they "
             "are saved as `ostrel show` shows them.\n";
    }
    encode_messages(texts);
  }
  return save_image_file(path, settings_image, err);
}
