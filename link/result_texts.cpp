#include "link/result_texts.h"

#include <cstdio>

#include "firmware/upload_status.h"
#include "link/interface_test.h"

namespace {

template <typename Key>
struct Text {
  Key key;
  const char* text;
};

template <typename Key, size_t N>
const char* text_for(const Text<Key> (&texts)[N], Key key, const char* otherwise) {
  for (const Text<Key>& t : texts)
    if (t.key == key) return t.text;
  return otherwise;
}

constexpr Text<KeyerStatus> STATUS_FIELD_TEXTS[] = {
    {KeyerStatus::port_open_failed, "Ostrel Fail:comm open"},
    {KeyerStatus::port_get_state_failed, "Ostrel Fail:get comm state"},
    {KeyerStatus::port_set_state_failed, "Ostrel Fail:set comm state"},
    {KeyerStatus::port_purge_failed, "Ostrel Fail:comm purge"},
    {KeyerStatus::no_response, "Ostrel Fail:no response"},
    // The answers that counted did not come: the window says what it says of a missing one.
    {KeyerStatus::late_reply, "Ostrel Fail:no response"},
    {KeyerStatus::bootloader_only, "Ostrel Fail:No O/S"},
    {KeyerStatus::echo_mismatch, "Ostrel Fail:echo mismatch"},
    {KeyerStatus::not_ostrel3, "Only Ostrel3 only"},
};

constexpr Text<uint8_t> IC_LABELS[] = {
    {IC_SMT, "Ostrel IC:SMT"},
    {IC_DIP, "Ostrel IC:DIP"},
    {IC_MINI, "Ostrel IC:MINI"},
};

constexpr Text<int> UPLOAD_TEXTS[] = {
    {UPLOAD_SUCCESS, "Upload Completed Successfully"},
    {UPLOAD_ERR_SOF, "Error: SOF Error !"},
    {UPLOAD_ERR_CHECKSUM, "Error: Checksum !"},
    {UPLOAD_ERR_FLASH_VERIFY, "Error: Flash Verify !"},
    {UPLOAD_ERR_TIMEOUT, "Error: OstrelUSB Timeout !"},
    {UPLOAD_ERR_SYNC, "Error: OstrelUSB Sync !"},
    {UPLOAD_ERR_ZERO_REPLY, "Error: OstrelUSB Refused a Block (reply 0) !"},
    {UPLOAD_STOPPED, "Error: Upload Stopped !"},
    {UPLOAD_REFUSED_NO_FILE, "Error: Please Open a Programming File !"},
    {UPLOAD_REFUSED_ZERO_LENGTH, "Error: Zero Length File !"},
    {UPLOAD_REFUSED_LAST_LOAD_FAILED, "Error: Last Load Failed, Please Load the File Again !"},
    {UPLOAD_REFUSED_DIP_IMAGE_ON_SMT,
     "Error: Attempting to program an SMT Ostrel with an DIP image !"},
    {UPLOAD_REFUSED_SMT_IMAGE_ON_DIP,
     "Error: Attempting to program a DIP Ostrel with an SMT image !"},
    // Nothing could be sent: the window says what it always said of a keyer that never answered.
    {UPLOAD_REFUSED_PORT, "Error: OstrelUSB Timeout !"},
    {UPLOAD_REFUSED_LATE_REPLY, "Error: OstrelUSB Timeout !"},
    {UPLOAD_REFUSED_NOT_STARTED, "Error: Could Not Start the Upload !"},
};

}  // namespace

std::string status_field_text(const KeyerResult& result) {
  if (result.ok()) {
    char text[64];
    std::snprintf(text, sizeof text, "Ostrel F/W revision %u.%02u", unsigned{result.fw_major},
                  unsigned{result.fw_minor});
    return text;
  }
  return text_for(STATUS_FIELD_TEXTS, result.status, "Comm Fail:unknown error");
}

const char* ic_label_text(uint8_t ic_variant) {
  return text_for(IC_LABELS, ic_variant, nullptr);
}

const char* status_line_text(KeyerOperation operation, KeyerStatus status) {
  switch (status) {
    case KeyerStatus::ok:
      return operation == KeyerOperation::test   ? ">Ostrel OK"
             : operation == KeyerOperation::read ? ">Done"
                                                 : "Done";
    case KeyerStatus::image_not_received:
      return ">Read failed";
    case KeyerStatus::image_not_sent:
      return ">Write failed";
    case KeyerStatus::settings_refused:
      return nullptr;
    default:
      return ">Ostrel ERR";
  }
}

std::string pot_value_text(uint8_t pot_value) {
  return "PotValue: " + std::to_string(pot_value);
}

std::string supply_voltage_text(uint8_t reading) {
  if (reading == 0) return "no reading";
  char text[32];
  std::snprintf(text, sizeof text, "%.2f Volts", 26214.4 / reading / 100);
  return text;
}

const char* upload_status_text(int status) {
  // Any other reply the keyer gave to a frame, 0x88 among them when it came as a refusal.
  return text_for(UPLOAD_TEXTS, status, "Error: Restart failed !");
}
