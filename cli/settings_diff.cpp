#include "cli/settings_diff.h"

#include <cstdio>
#include <vector>

#include "cli/exit_status.h"
#include "cli/image_file.h"
#include "cli/link_setup.h"
#include "cli/outcome_messages.h"
#include "cli/settings_document.h"
#include "cli/settings_view.h"
#include "link/keyer_operations.h"
#include "settings/settings_fields.h"

namespace {

std::string shown(const ShownValue& value) {
  if (value.field == nullptr) return quoted_text(value.text.value_or(""));
  return value.text.value_or("(no value)");
}

// The window's two selections, kept in User 1's letter-space byte.
std::string selections(const SettingsImage& image) {
  const uint8_t byte = image[SELECTION_BYTE];
  return std::string("user bank ") + ((byte & SELECTED_USER2_BIT) ? "User 2" : "User 1") +
         ", message bank " + ((byte & SELECTED_MESSAGE_BANK2_BIT) ? "2" : "1");
}

// Bytes that differ where no field or text shows a difference.
std::vector<int> other_differences(const SettingsImage& a, const SettingsImage& b,
                                   bool fields_differ_at[SETTINGS_IMAGE_SIZE]) {
  std::vector<int> offsets;
  for (int i = 0; i < SETTINGS_IMAGE_SIZE; ++i)
    if (a[i] != b[i] && !fields_differ_at[i]) offsets.push_back(i);
  return offsets;
}

}  // namespace

bool print_settings_diff(const SettingsImage& a, const std::string& a_name, const SettingsImage& b,
                         const std::string& b_name, std::ostream& out) {
  const std::vector<ShownValue> left = shown_values(a);
  const std::vector<ShownValue> right = shown_values(b);
  bool explained[SETTINGS_IMAGE_SIZE] = {};
  bool header = false;
  const auto line = [&](const std::string& text) {
    if (!header) out << "--- " << a_name << "\n+++ " << b_name << "\n";
    header = true;
    out << text << "\n";
  };
  int section = -2;
  for (size_t i = 0; i < left.size(); ++i) {
    if (left[i].text == right[i].text) continue;
    if (left[i].bank != section) {
      section = left[i].bank;
      line(section < 0 ? "Messages" : bank_name(section));
    }
    line("  " + left[i].name() + ": " + shown(left[i]) + " -> " + shown(right[i]));
  }
  // A field's bytes count as shown when any field of their bank differs there; a text's when any
  // text differs: what is left is what no name shows.
  for (size_t i = 0; i < left.size(); ++i) {
    if (left[i].text == right[i].text) continue;
    if (left[i].field != nullptr) {
      const int base = left[i].bank * USER_BANK_SIZE + left[i].field->rel;
      explained[base] = true;
      if (left[i].field->encoding == FieldEncoding::pot_max ||
          left[i].field->encoding == FieldEncoding::pot_min)
        explained[base + 1] = true;
      if (left[i].field->encoding == FieldEncoding::keyer_mode)
        explained[left[i].bank * USER_BANK_SIZE + REL_MODE] = true;
    } else {
      for (int offset = MSG_END_POINTER; offset < SETTINGS_IMAGE_SIZE; ++offset)
        explained[offset] = true;
    }
  }
  if (selections(a) != selections(b)) {
    line("Window selections: " + selections(a) + " -> " + selections(b));
    const uint8_t selection_bits = SELECTED_USER2_BIT | SELECTED_MESSAGE_BANK2_BIT;
    if (((a[SELECTION_BYTE] ^ b[SELECTION_BYTE]) & ~selection_bits) == 0)
      explained[SELECTION_BYTE] = true;
  }
  const std::vector<int> others = other_differences(a, b, explained);
  if (!others.empty()) {
    line("Bytes that no field or text shows:");
    for (int offset : others) {
      char text[64];
      std::snprintf(text, sizeof text, "  offset %d: 0x%02X -> 0x%02X", offset, a[offset],
                    b[offset]);
      line(text);
    }
  }
  return header;
}

int diff_files(const std::string& a, const std::string& b, std::ostream& out, std::ostream& err) {
  SettingsImage left{};
  SettingsImage right{};
  if (int status = load_image_file(a, left, err); status != EXIT_OK) return status;
  if (int status = load_image_file(b, right, err); status != EXIT_OK) return status;
  return print_settings_diff(left, a, right, b, out) ? EXIT_DIFF_DIFFERENT : EXIT_DIFF_SAME;
}

int diff_file_and_keyer(const std::string& a, std::ostream& out, std::ostream& err) {
  SettingsImage left{};
  if (int status = load_image_file(a, left, err); status != EXIT_OK) return status;
  SettingsImage keyer{};
  KeyerProgress quietly;
  const KeyerResult result = keyer_read(keyer, quietly);
  if (!result.ok()) {
    explain_keyer_failure(result, cli_link_state.port_name, err);
    return EXIT_DIFF_KEYER;
  }
  return print_settings_diff(left, a, keyer, "keyer", out) ? EXIT_DIFF_DIFFERENT : EXIT_DIFF_SAME;
}
