#include "cli/keyer_commands.h"

#include <cstdio>
#include <nlohmann/json.hpp>

#include "cli/exit_status.h"
#include "cli/image_file.h"
#include "cli/link_setup.h"
#include "cli/outcome_messages.h"
#include "cli/settings_checks.h"
#include "cli/settings_view.h"
#include "files/backups.h"
#include "link/admin.h"
#include "link/interface_test.h"
#include "link/keyer_operations.h"
#include "link/result_texts.h"

namespace {

// The command line shows no stage of an operation; it tells the outcome.
KeyerProgress quietly;

int keyer_failed(const KeyerResult& result, std::ostream& err) {
  explain_keyer_failure(result, cli_link_state.port_name, err);
  return EXIT_KEYER;
}

// A copy that cannot be kept is said once; the command goes on as it would without.
void keep_backup_or_warn(BackupKind kind, const SettingsImage& image, std::ostream& err) {
  if (!keep_backup(kind, image)) {
    err << "warning: no backup copy could be saved in " << backup_state.folder << "\n";
  }
}

void print_test(const KeyerResult& result, std::ostream& out) {
  const char* label = ic_label_text(result.ic_variant);
  out << status_field_text(result) << "\n" << (label ? label : "Ostrel IC:") << "\n";
  out << pot_value_text(result.pot_value) << "\n";
  if (result.aux_asked) out << "Aux: " << unsigned{result.aux_value} << "\n";
  out << "Supply: " << supply_voltage_text(result.supply_reading) << "\n";
}

void print_test_json(const KeyerResult& result, std::ostream& out) {
  nlohmann::ordered_json json;
  json["revision"] = revision_text(result.fw_major, result.fw_minor);
  json["fw_major"] = result.fw_major;
  json["fw_minor"] = result.fw_minor;
  json["ic"] = ic_name(result.ic_variant);
  json["ic_variant"] = result.ic_variant;
  json["pot_value"] = result.pot_value;
  json["aux_value"] = result.aux_asked ? nlohmann::ordered_json(result.aux_value) : nullptr;
  json["supply_reading"] = result.supply_reading;
  // Two decimals, as the window shows the voltage; a reading of 0 has none.
  json["supply_volts"] = result.supply_reading == 0
                             ? nlohmann::ordered_json(nullptr)
                             : nlohmann::ordered_json(
                                   static_cast<int>(26214.4 / result.supply_reading + 0.5) / 100.0);
  out << json.dump(2) << "\n";
}

}  // namespace

int test_keyer(bool json, std::ostream& out, std::ostream& err) {
  const KeyerResult result = keyer_test(quietly);
  if (!result.ok()) return keyer_failed(result, err);
  if (json) {
    print_test_json(result, out);
  } else {
    print_test(result, out);
  }
  return EXIT_OK;
}

int read_keyer(const std::string& path, std::ostream& out, std::ostream& err) {
  // Before the keyer is asked: a file that cannot be written would lose what was read.
  if (int status = check_image_file_writable(path, err); status != EXIT_OK) return status;
  SettingsImage received{};
  const KeyerResult result = keyer_read(received, quietly);
  if (!result.ok()) return keyer_failed(result, err);
  // When the image itself goes to the standard output, nothing else may.
  std::ostream& said = path == STANDARD_STREAM ? err : out;
  said << status_field_text(result) << "\n";
  settings_image = received;  // where the message check looks
  warn_about_partial_messages(err);
  keep_backup_or_warn(BackupKind::read, received, err);
  if (int status = save_image_file(path, received, err, out); status != EXIT_OK) return status;
  said << "Read " << SETTINGS_IMAGE_SIZE << " bytes into " << path << "\n";
  return EXIT_OK;
}

int write_keyer(const std::string& path, bool verify, bool force, std::ostream& out,
                std::ostream& err) {
  SettingsImage image{};
  if (int status = load_image_file(path, image, err); status != EXIT_OK) return status;
  if (!force) {
    if (int status = refuse_unstorable_image(path, image, err); status != EXIT_OK) return status;
  }
  const KeyerResult result = keyer_write(
      [&image] {
        settings_image = image;
        return true;
      },
      quietly);
  if (!result.ok()) return keyer_failed(result, err);
  out << status_field_text(result) << "\n";
  // write returns once the keyer can have stored the image, so that the verify or the next
  // command cannot cut it short.
  keep_backup_or_warn(BackupKind::write, image, err);
  out << "Wrote " << SETTINGS_IMAGE_SIZE << " bytes from " << path << "\n";
  if (!verify) return EXIT_OK;

  SettingsImage read_back{};
  if (!read_settings_image(read_back.data())) {
    err << "ostrel: verify: the keyer did not send its settings image back.\n";
    return EXIT_KEYER;
  }
  for (int offset = 0; offset < SETTINGS_IMAGE_SIZE; ++offset) {
    if (read_back[offset] != image[offset]) {
      char detail[96];
      std::snprintf(detail, sizeof detail, "offset %d: wrote 0x%02X, the keyer holds 0x%02X",
                    offset, image[offset], read_back[offset]);
      err << "ostrel: verify failed, first difference at " << detail << "\n";
      return EXIT_KEYER;
    }
  }
  out << "Verified: the keyer holds the file's " << SETTINGS_IMAGE_SIZE << " bytes\n";
  return EXIT_OK;
}
