#include "cli/settings_checks.h"

#include <sstream>
#include <vector>

#include "cli/exit_status.h"
#include "cli/settings_document.h"
#include "messages/message_codec.h"
#include "settings/settings_fields.h"

namespace {

std::string accepted_range(const SettingField& field) {
  std::string range = std::to_string(field.low) + " to " + std::to_string(field.high);
  if (field.encoding == FieldEncoding::pot_max) range = "above MinWpm and " + range;
  return field.zero_allowed ? "0, or " + range : range;
}

// One line for each field that holds what the panel would refuse, bank by bank in the order of
// the panel's checks.
std::vector<std::string> field_problems() {
  std::vector<std::string> problems;
  for (int b = 0; b < 2; ++b) {
    const UserBank bank = b == 0 ? UserBank::user1 : UserBank::user2;
    for (int step = 1; step <= CHECK_STEP_COUNT; ++step) {
      const SettingField* field = setting_field_at_step(step);
      if (field == nullptr || stored_field_passes(*field, bank)) continue;
      const uint8_t byte = settings_image[bank_base(bank) + field->rel];
      std::string value = field_text(*field, bank).value_or("no value");
      if (field->encoding == FieldEncoding::sidetone_divisor)
        value += " (divisor " + std::to_string(byte) + ")";
      problems.push_back(bank_name(b) + " " + field->caption + ": " + value +
                         ", where the window stores " + accepted_range(*field));
    }
  }
  return problems;
}

std::vector<std::string> message_problems() {
  std::vector<std::string> problems;
  std::string report = check_message_region().value_or("");
  if (report.empty()) report = check_messages_fit(decode_messages()).value_or("");
  std::istringstream lines(report);
  for (std::string line; std::getline(lines, line);) problems.push_back(line);
  return problems;
}

}  // namespace

int refuse_unstorable_image(const std::string& path, const SettingsImage& image,
                            std::ostream& err) {
  std::vector<std::string> problems = with_settings_image(image, [] {
    std::vector<std::string> all = field_problems();
    for (std::string& line : message_problems()) all.push_back(std::move(line));
    return all;
  });
  if (problems.empty()) return EXIT_OK;
  err << "ostrel: " << path << " holds what the window would never send to the keyer:\n";
  for (const std::string& problem : problems) err << "  " << problem << "\n";
  err << "hint: correct it with `ostrel set " << path
      << " FIELD=VALUE` (see `ostrel show`), or send it as it is with --force\n";
  return EXIT_USAGE;
}
