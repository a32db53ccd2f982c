#include "cli/outcome_messages.h"

#include <cstdio>

#include "cli/port_doctor.h"
#include "firmware/upload_status.h"
#include "link/interface_test.h"
#include "link/result_texts.h"
#include "settings/settings_image.h"

namespace {

const char* const CHECK_PORT =
    "check that the keyer is powered and connected, and that it is on this port (`ostrel ports` "
    "lists the ports; choose one with -p)";
const char* const POWER_CYCLE =
    "the keyer waits in its bootloader with part of the new firmware: power it off and on, then "
    "upload again";

void hint(std::ostream& err, const std::string& text) {
  err << "hint: " << text << "\n";
}

}  // namespace

std::string revision_text(uint8_t major, uint8_t minor) {
  char text[16];
  std::snprintf(text, sizeof text, "%u.%02u", unsigned{major}, unsigned{minor});
  return text;
}

std::string ic_name(uint8_t ic_variant) {
  switch (ic_variant) {
    case IC_SMT:
      return "SMT";
    case IC_DIP:
      return "DIP";
    case IC_MINI:
      return "MINI";
    default:
      return "unknown (" + std::to_string(ic_variant) + ")";
  }
}

void explain_keyer_failure(const KeyerResult& result, const std::string& port, std::ostream& err) {
  if (result.port_failed()) {
    explain_open_failure(port, result.link_status, result.system_error, err);
    return;
  }
  switch (result.status) {
    case KeyerStatus::image_not_received:
      err << "ostrel: the keyer did not send its whole settings image (" << SETTINGS_IMAGE_SIZE
          << " bytes); nothing was saved.\n";
      hint(err, CHECK_PORT);
      return;
    case KeyerStatus::image_not_sent:
      err << "ostrel: the settings image could not be sent to the keyer.\n";
      hint(err, CHECK_PORT);
      return;
    case KeyerStatus::ok:
    case KeyerStatus::settings_refused:
      return;  // said where the refusal was made
    default:
      break;
  }
  err << "ostrel: " << status_field_text(result) << "\n";
  switch (result.status) {
    case KeyerStatus::no_response:
      hint(err, "the keyer on " + port + " did not answer in time");
      hint(err, CHECK_PORT);
      break;
    case KeyerStatus::late_reply:
      hint(err, "the answers of the keyer on " + port +
                    " came out of step: a late reply was still on the line. Nothing was kept;"
                    " try again once the keyer has finished sending");
      break;
    case KeyerStatus::bootloader_only:
      hint(err, "only the keyer's bootloader answers on " + port +
                    ": it runs no firmware. Upload one with `ostrel upload FILE`");
      break;
    case KeyerStatus::echo_mismatch:
      hint(err, "something on " + port + " answered, but not as an Ostrel keyer does");
      hint(err, CHECK_PORT);
      break;
    case KeyerStatus::not_ostrel3:
      hint(err, "the keyer runs firmware " + revision_text(result.fw_major, result.fw_minor) +
                    "; this utility works with revision 30 and later");
      break;
    default:
      break;
  }
}

void explain_upload_failure(int status, const KeyerResult& tested, const std::string& port,
                            std::ostream& err) {
  if (status == UPLOAD_REFUSED_PORT) {
    explain_keyer_failure(tested, port, err);
    return;
  }
  err << "ostrel: " << upload_status_text(status) << "\n";
  switch (status) {
    case UPLOAD_REFUSED_DIP_IMAGE_ON_SMT:
    case UPLOAD_REFUSED_SMT_IMAGE_ON_DIP:
      hint(err, "the keyer is " + ic_name(tested.ic_variant) +
                    "; use the programming file made for it. Nothing was sent");
      break;
    case UPLOAD_REFUSED_LATE_REPLY:
      hint(err, "the keyer on " + port + " did not answer in time; nothing was uploaded");
      hint(err, CHECK_PORT);
      break;
    case UPLOAD_ERR_TIMEOUT:
      hint(err, "the keyer's bootloader stopped answering");
      hint(err, CHECK_PORT);
      hint(err, POWER_CYCLE);
      break;
    case UPLOAD_REFUSED_NOT_STARTED:
      hint(err, "the system could not start the upload; nothing was sent");
      break;
    case UPLOAD_STOPPED:
      hint(err, "the port is back at 1200 baud; " + std::string(POWER_CYCLE));
      break;
    default:
      hint(err, POWER_CYCLE);
      break;
  }
}
