#include "cli/settings_view.h"

#include <cstdio>
#include <optional>
#include <sstream>
#include <vector>

#include "cli/exit_status.h"
#include "cli/headless_window.h"
#include "cli/image_file.h"
#include "cli/panel_fields.h"
#include "messages/message_codec.h"
#include "settings/settings_panel.h"

namespace {
// One field as the panel shows it.
struct ShownField {
  const char* name;
  FieldKind kind;
  std::string text;  // list entry or box text
  bool present;      // a list entry is selected, or the box is not empty
  bool checked;
};

std::vector<ShownField> shown_bank(UserBank bank) {
  // A fresh window for each bank: populate leaves the frequency box alone when the bank's
  // divisor is 0, and it must not show the other bank's value then.
  RecordingControls& window = headless_window_start();
  populate(window, bank);
  std::vector<ShownField> fields;
  for (const PanelField& field : PANEL_FIELDS) {
    RecordingControls::Control& control = window.control(field.control_id);
    ShownField shown{field.name, field.kind, control.text, !control.text.empty(), control.checked};
    if (field.kind == FieldKind::list) {
      const bool selected =
          control.selection >= 0 && control.selection < static_cast<int>(control.items.size());
      shown.text = selected ? control.items[control.selection] : "";
      shown.present = selected;
    }
    fields.push_back(shown);
  }
  return fields;
}

std::string message_name(int slot) {
  if (slot < 12) return "Msg " + std::to_string(slot + 1);
  return slot == 12 ? "User 1 Callsign" : "User 2 Callsign";
}

bool all_digits(const std::string& text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

std::string plain_value(const ShownField& field) {
  switch (field.kind) {
    case FieldKind::check:
      return field.checked ? "on" : "off";
    case FieldKind::list:
      return field.present ? field.text : "(none)";
    case FieldKind::number:
      break;
  }
  return field.present ? field.text : "(empty)";
}

std::string json_value(const ShownField& field) {
  if (field.kind == FieldKind::check) return field.checked ? "true" : "false";
  if (!field.present) return "null";
  if (field.kind == FieldKind::number && all_digits(field.text)) return field.text;
  return json_string(field.text);
}

void print_plain(const std::vector<ShownField> (&banks)[2], const MessageTexts& texts,
                 std::ostream& out) {
  for (int b = 0; b < 2; ++b) {
    out << "User " << b + 1 << "\n";
    for (const ShownField& field : banks[b])
      out << "  " << field.name << ": " << plain_value(field) << "\n";
  }
  out << "Messages\n";
  for (int slot = 0; slot < MESSAGE_SLOTS; ++slot) {
    out << "  " << message_name(slot) << ": " << json_string(texts[slot]) << "\n";
  }
}

void print_json(const std::vector<ShownField> (&banks)[2], const MessageTexts& texts,
                std::ostream& out) {
  out << "{\n";
  for (int b = 0; b < 2; ++b) {
    out << "  \"user" << b + 1 << "\": {\n";
    for (size_t i = 0; i < banks[b].size(); ++i) {
      out << "    " << json_string(banks[b][i].name) << ": " << json_value(banks[b][i])
          << (i + 1 < banks[b].size() ? ",\n" : "\n");
    }
    out << "  },\n";
  }
  out << "  \"messages\": {\n";
  for (int slot = 0; slot < MESSAGE_SLOTS; ++slot) {
    out << "    " << json_string(message_name(slot)) << ": " << json_string(texts[slot])
        << (slot + 1 < MESSAGE_SLOTS ? ",\n" : "\n");
  }
  out << "  }\n}\n";
}
}  // namespace

std::string json_string(const std::string& text) {
  std::string literal = "\"";
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      literal += '\\';
      literal += c;
    } else if (byte < 0x20 || byte >= 0x7F) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04X", byte);
      literal += escape;
    } else {
      literal += c;
    }
  }
  return literal + "\"";
}

void warn_about_partial_messages(std::ostream& err) {
  const std::optional<std::string> problem = check_message_region();
  if (!problem) return;
  std::istringstream lines(*problem);
  for (std::string line; std::getline(lines, line);) err << "warning: " << line << "\n";
}

int show_settings(const std::string& path, bool json, std::ostream& out, std::ostream& err) {
  if (int status = load_image_file(path, settings_image, err); status != EXIT_OK) return status;
  warn_about_partial_messages(err);
  const std::vector<ShownField> banks[2] = {shown_bank(UserBank::user1),
                                            shown_bank(UserBank::user2)};
  const MessageTexts texts = decode_messages();
  if (json)
    print_json(banks, texts, out);
  else
    print_plain(banks, texts, out);
  return EXIT_OK;
}
