#include "cli/settings_edit.h"

#include <algorithm>
#include <fstream>
#include <nlohmann/json.hpp>

#include "cli/exit_status.h"
#include "cli/image_file.h"
#include "cli/settings_document.h"
#include "messages/message_codec.h"
#include "platform/recording_controls.h"
#include "settings/settings_fields.h"
#include "settings/settings_panel.h"

namespace {
constexpr size_t MAX_NUMBER_DIGITS = 10;  // enough for every unsigned 32-bit value

bool is_decimal_number(const std::string& text) {
  if (text.empty() || text.size() > MAX_NUMBER_DIGITS) return false;
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int bank_index(UserBank bank) {
  return bank == UserBank::user1 ? 0 : 1;
}

std::string list_choices(const SettingField& field) {
  std::string choices;
  for (const std::string& item : list_entries(field))
    choices += (choices.empty() ? "\"" : ", \"") + item + "\"";
  return choices;
}

// What the panel would be given for a frequency that `show` printed: a divisor from 15 to 125 is
// stored by some frequency the panel takes, but shows as one it may refuse (divisor 15 shows as
// 4166, stored by typing 3907 to 4000). The highest frequency that stores the same divisor is
// typed instead, so that a file the window wrote can be edited and a `show` read back.
unsigned frequency_to_type(const SettingField& field, unsigned shown) {
  if (field.encoding != FieldEncoding::sidetone_divisor || value_in_range(field, shown) ||
      shown == 0 || shown > SIDETONE_DIVIDEND)
    return shown;
  const unsigned divisor = SIDETONE_DIVIDEND / shown;
  if (divisor == 0 || SIDETONE_DIVIDEND / divisor != shown) return shown;
  const unsigned typed = std::min(field.high, SIDETONE_DIVIDEND / divisor);
  return SIDETONE_DIVIDEND / typed == divisor && value_in_range(field, typed) ? typed : shown;
}

// Makes one change in the window as a user would: typing into a box, picking a list entry,
// clicking a check box whose mark differs from the wanted one.
int apply_change(RecordingControls& window, const SettingChange& change, UserBank bank,
                 std::ostream& err) {
  const SettingField& field = *change.field;
  switch (field.kind) {
    case FieldKind::number:
      window.set_uint(field.control_id, frequency_to_type(field, parse_dialog_uint(change.value)));
      return EXIT_OK;
    case FieldKind::check:
      if (window.get_check(field.control_id) != *parse_check_value(change.value)) {
        apply_check_box(window, field.control_id, bank);
      }
      return EXIT_OK;
    case FieldKind::list:
      break;
  }
  const std::vector<std::string> entries = list_entries(field);
  for (size_t position = 0; position < entries.size(); ++position) {
    if (fold_name(entries[position]) == fold_name(change.value)) {
      window.combo_select(field.control_id, static_cast<int>(position));
      apply_list_selection(window, field.control_id, bank);
      return EXIT_OK;
    }
  }
  err << "ostrel: " << field.caption << " has no entry \"" << change.value
      << "\"; the entries are " << list_choices(field) << "\n";
  return EXIT_USAGE;
}

// The bank's fields as the window shows them, with the changes made as a user makes them, then
// checked and stored by the panel's own rules. A refusal of a value that the user did not give
// says that it was already in the file.
int apply_bank_changes(UserBank bank, const std::vector<SettingChange>& changes,
                       const std::string& path, std::ostream& err) {
  RecordingControls window;
  fill_panel_lists(window);
  populate(window, bank);
  for (const SettingField& field : SETTING_FIELDS) {
    if (field.kind == FieldKind::number && !window.text(field.control_id).empty())
      window.set_uint(field.control_id,
                      frequency_to_type(field, window.get_uint(field.control_id)));
  }
  for (const SettingChange& change : changes) {
    if (change.field == nullptr) continue;
    if (int status = apply_change(window, change, bank, err); status != EXIT_OK) return status;
  }
  const SettingField* refused = validate_and_store_fields(window, bank);
  if (refused == nullptr) return EXIT_OK;
  err << "ostrel: " << bank_name(bank_index(bank)) << ": "
      << (window.error_boxes.empty() ? "a value is out of range" : window.error_boxes.back())
      << "; nothing was changed\n";
  const bool given = std::any_of(changes.begin(), changes.end(), [&](const SettingChange& c) {
    return c.field == refused ||
           (refused->encoding == FieldEncoding::pot_max && c.field != nullptr &&
            c.field->encoding == FieldEncoding::pot_min);
  });
  if (!given) {
    const std::string held = window.text(refused->control_id);
    err << "hint: " << path << " already holds " << refused->key << "="
        << (held.empty() ? "(nothing)" : held) << " in " << bank_name(bank_index(bank))
        << "; give a value the window takes as well, e.g. " << refused->key << "="
        << refused->default_value << "\n";
  }
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

// What one `set` asks: field changes per bank, text changes, and the banks the panel checks (the
// bank being edited, as the window checks the bank it shows before it saves).
struct Edit {
  std::vector<SettingChange> fields[2];
  std::vector<SettingChange> texts;
  bool check[2] = {false, false};
};

// The changes made to the file's image; the file is replaced only when everything passed.
int apply_edit(const std::string& path, const Edit& edit, std::ostream& err) {
  if (int status = load_image_file(path, settings_image, err); status != EXIT_OK) return status;
  for (int b = 0; b < 2; ++b) {
    if (!edit.check[b]) continue;
    const UserBank bank = b == 0 ? UserBank::user1 : UserBank::user2;
    if (int status = apply_bank_changes(bank, edit.fields[b], path, err); status != EXIT_OK)
      return status;
  }
  // The message region is rewritten only when a text changes, so that a file holding messages
  // that do not read back exactly keeps them as long as nobody asks to edit them.
  if (!edit.texts.empty()) {
    MessageTexts texts = decode_messages();
    for (const SettingChange& change : edit.texts) texts[change.slot] = change.value;
    if (std::optional<std::string> problem = check_messages_fit(texts)) {
      err << "ostrel: " << *problem << "\nNothing was changed.\n";
      return EXIT_USAGE;
    }
    if (!messages_read_back_exactly()) {
      err << "warning: some stored messages do not read back as they were stored; they are "
             "saved as `ostrel show` shows them.\n";
    }
    encode_messages(texts);
  }
  return save_image_file(path, settings_image, err);
}

int read_json_file(const std::string& path, nlohmann::json& json, std::ostream& err) {
  std::ifstream file;
  if (!open_to_read(path, file, err)) return EXIT_FILE;
  json = nlohmann::json::parse(file, nullptr, false);
  if (json.is_discarded() || !json.is_object()) {
    err << "ostrel: " << path << " is not a JSON object as `ostrel show --json` prints it\n";
    return EXIT_FILE;
  }
  return EXIT_OK;
}

// One JSON value as the text a user would have typed for the field.
std::optional<std::string> typed_text(const SettingField& field, const nlohmann::json& value) {
  switch (field.kind) {
    case FieldKind::number:
      if (value.is_number_unsigned()) return std::to_string(value.get<uint64_t>());
      break;
    case FieldKind::check:
      if (value.is_boolean()) return value.get<bool>() ? "on" : "off";
      break;
    case FieldKind::list:
      if (value.is_string()) return value.get<std::string>();
      break;
  }
  return std::nullopt;
}

int json_error(const std::string& path, const std::string& where, const std::string& what,
               std::ostream& err) {
  err << "ostrel: " << path << ": " << where << ": " << what << "\n";
  return EXIT_USAGE;
}

int changes_from_json(const nlohmann::json& json, const std::string& path, Edit& edit,
                      std::ostream& err) {
  for (const auto& [key, section] : json.items()) {
    if (key == "image_hex") continue;  // for reference only
    const int bank = key == "user1" ? 0 : key == "user2" ? 1 : key == "messages" ? 2 : -1;
    if (bank < 0) return json_error(path, key, "not a part of a settings file", err);
    if (!section.is_object()) return json_error(path, key, "must be an object", err);
    for (const auto& [name, value] : section.items()) {
      if (value.is_null()) continue;  // a number with no value: nothing to type
      SettingChange change;
      if (bank == 2) {
        const std::optional<int> slot = message_slot_named(name, 0);
        if (!slot || fold_name(name) == "callsign")
          return json_error(path, key + "." + name, "no such message", err);
        if (!value.is_string()) return json_error(path, key + "." + name, "must be a text", err);
        change.slot = *slot;
        change.value = value.get<std::string>();
        edit.texts.push_back(change);
        continue;
      }
      change.field = find_setting_field(name);
      if (change.field == nullptr || fold_name(change.field->key) != fold_name(name))
        return json_error(path, key + "." + name, "no such field", err);
      const std::optional<std::string> text = typed_text(*change.field, value);
      if (!text || (change.field->kind == FieldKind::number && !is_decimal_number(*text))) {
        return json_error(path, key + "." + name,
                          change.field->kind == FieldKind::number ? "must be a whole number"
                          : change.field->kind == FieldKind::check ? "must be true or false"
                                                                   : "must be a list entry",
                          err);
      }
      change.value = *text;
      edit.fields[bank].push_back(change);
      edit.check[bank] = true;
    }
  }
  return EXIT_OK;
}

}  // namespace

std::optional<bool> parse_check_value(const std::string& text) {
  const std::string folded = fold_name(text);
  for (const char* word : {"on", "yes", "true", "1", "checked"}) {
    if (folded == word) return true;
  }
  for (const char* word : {"off", "no", "false", "0", "unchecked"}) {
    if (folded == word) return false;
  }
  return std::nullopt;
}

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
    if (std::optional<int> slot = message_slot_named(name, bank_index(bank))) {
      change.slot = *slot;
    } else if ((change.field = find_setting_field(name)) == nullptr) {
      err << "ostrel: there is no field \"" << name
          << "\" (see `ostrel show` for the field names, msg1..msg12 and callsign for texts)\n";
      return EXIT_USAGE;
    } else if (change.field->kind == FieldKind::number && !is_decimal_number(change.value)) {
      err << "ostrel: " << change.field->caption << " needs a whole number, not \"" << change.value
          << "\"\n";
      return EXIT_USAGE;
    } else if (change.field->kind == FieldKind::check && !parse_check_value(change.value)) {
      err << "ostrel: " << change.field->caption << " is on or off, not \"" << change.value
          << "\"\n";
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
  Edit edit;
  edit.check[bank_index(bank)] = true;
  for (const SettingChange& change : changes)
    (change.field ? edit.fields[bank_index(bank)] : edit.texts).push_back(change);
  return apply_edit(path, edit, err);
}

int set_settings_from_json(const std::string& path, const std::string& json_path,
                           std::ostream& err) {
  nlohmann::json json;
  if (int status = read_json_file(json_path, json, err); status != EXIT_OK) return status;
  Edit edit;
  if (int status = changes_from_json(json, json_path, edit, err); status != EXIT_OK) return status;
  return apply_edit(path, edit, err);
}
