#include "cli/keyer_commands.h"

#include <cstdio>

#include "cli/exit_status.h"
#include "cli/headless_window.h"
#include "cli/image_file.h"
#include "cli/settings_view.h"
#include "files/backups.h"
#include "link/admin.h"
#include "link/interface_test.h"
#include "link/link.h"
#include "resources/control_ids.h"
#include "settings/main_window.h"

namespace {
const char* const LINK_HINT =
    "Check that the keyer is powered and connected, and the port (`ostrel ports`, --port).\n";

// Opens the link afresh and runs the interface test; on failure says why on `err`.
bool keyer_answers(std::ostream& out, std::ostream& err) {
  RecordingControls window;
  if (link_is_open()) link_close();
  const bool ok = interface_test(window) >= 0;
  if (!ok) {
    err << "ostrel: " << window.text(IDC_STATUS_FIELD) << "\n" << LINK_HINT;
    return false;
  }
  out << window.text(IDC_STATUS_FIELD) << "\n";
  return true;
}

// A copy that cannot be kept is said once; the command goes on as it would without.
void keep_backup_or_warn(BackupKind kind, const SettingsImage& image, std::ostream& err) {
  if (!keep_backup(kind, image)) {
    err << "warning: no backup copy could be saved in " << backup_state.folder << "\n";
  }
}
}  // namespace

int test_keyer(std::ostream& out, std::ostream& err) {
  RecordingControls& window = headless_window_start();
  main_window_command(IDC_TEST, NOTIFY_CLICKED);
  // The window shows a pot value only after a test that succeeded.
  if (window.text(IDC_POT_VALUE).empty()) {
    err << "ostrel: " << window.text(IDC_STATUS_FIELD) << "\n" << LINK_HINT;
    return EXIT_KEYER;
  }
  out << window.text(IDC_STATUS_FIELD) << "\n" << window.text(IDC_IC_LABEL) << "\n";
  out << window.text(IDC_POT_VALUE) << "\n";
  if (keyer_values.ic_variant != IC_MINI) out << "Aux: " << window.text(IDC_AUX_VALUE) << "\n";
  out << "Supply: " << window.text(IDC_SUPPLY_VOLTAGE) << "\n";
  return EXIT_OK;
}

int read_keyer(const std::string& path, std::ostream& out, std::ostream& err) {
  if (!keyer_answers(out, err)) return EXIT_KEYER;
  // Into a buffer of its own: a reply cut short must not reach the file.
  SettingsImage received{};
  if (!read_settings_image(received.data())) {
    err << "ostrel: the keyer did not send its whole settings image (" << SETTINGS_IMAGE_SIZE
        << " bytes); nothing was saved.\n"
        << LINK_HINT;
    return EXIT_KEYER;
  }
  settings_image = received;  // where the message check looks
  warn_about_partial_messages(err);
  keep_backup_or_warn(BackupKind::read, received, err);
  if (int status = save_image_file(path, received, err); status != EXIT_OK) return status;
  out << "Read " << SETTINGS_IMAGE_SIZE << " bytes into " << path << "\n";
  return EXIT_OK;
}

int write_keyer(const std::string& path, bool verify, std::ostream& out, std::ostream& err) {
  SettingsImage image{};
  if (int status = load_image_file(path, image, err); status != EXIT_OK) return status;
  if (!keyer_answers(out, err)) return EXIT_KEYER;
  settings_image = image;
  // Returns once the keyer can have stored the image, so that the verify or the next command
  // cannot cut it short.
  const bool sent = write_settings_image_and_wait();
  if (sent) keep_backup_or_warn(BackupKind::write, image, err);
  if (!sent) {
    err << "ostrel: the settings image could not be sent to the keyer.\n" << LINK_HINT;
    return EXIT_KEYER;
  }
  out << "Wrote " << SETTINGS_IMAGE_SIZE << " bytes from " << path << "\n";
  if (!verify) return EXIT_OK;

  SettingsImage read_back{};
  if (!read_settings_image(read_back.data())) {
    err << "ostrel: verify: the keyer did not send its settings image back.\n" << LINK_HINT;
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
