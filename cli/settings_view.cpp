#include "cli/settings_view.h"

#include <cstdio>
#include <optional>
#include <sstream>

#include "cli/exit_status.h"
#include "cli/image_file.h"
#include "cli/settings_document.h"
#include "messages/message_codec.h"
#include "settings/settings_fields.h"

namespace {

std::string plain_value(const ShownValue& value) {
  if (value.field == nullptr) return quoted_text(value.text.value_or(""));
  return value.text.value_or("(empty)");
}

void print_plain(const SettingsImage& image, std::ostream& out) {
  int section = -2;
  for (const ShownValue& value : shown_values(image)) {
    if (value.bank != section) {
      section = value.bank;
      out << (section < 0 ? "Messages" : bank_name(section)) << "\n";
    }
    out << "  " << value.name() << ": " << plain_value(value) << "\n";
  }
}

}  // namespace

std::string quoted_text(const std::string& text) {
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
  SettingsImage image{};
  if (int status = load_image_file(path, image, err); status != EXIT_OK) return status;
  settings_image = image;
  warn_about_partial_messages(err);
  if (json) {
    out << settings_json(image).dump(2) << "\n";
  } else {
    print_plain(image, out);
  }
  return EXIT_OK;
}
