#include "link/keyer_operations.h"

#include "link/admin.h"
#include "link/interface_test.h"
#include "link/link.h"

namespace {

KeyerStatus open_status(int link_status) {
  switch (link_status) {
    case LINK_ERR_GET_STATE:
      return KeyerStatus::port_get_state_failed;
    case LINK_ERR_SET_STATE:
      return KeyerStatus::port_set_state_failed;
    case LINK_ERR_PURGE:
      return KeyerStatus::port_purge_failed;
    default:
      return KeyerStatus::port_open_failed;
  }
}

KeyerResult failed(KeyerResult result, KeyerStatus status) {
  result.status = status;
  return result;
}

// A byte after the last expected reply means every reply was out of step (an earlier one came
// late and was taken for the first): none of the values is kept, those of the last test neither.
KeyerResult checked_quiet(const KeyerResult& result, const KeyerValues& values_before) {
  if (!result.ok() || link_quiet_after_reply()) return result;
  keyer_values = values_before;
  KeyerResult late;
  late.status = KeyerStatus::late_reply;
  return late;
}

// Every operation starts on a port opened afresh, with an empty receive queue. Write sends
// nothing more that asks for a reply, so its test must end on a quiet line.
KeyerResult reopen_and_test(KeyerProgress& progress, bool then_quiet = false) {
  if (link_is_open()) link_close();
  progress.testing();
  const KeyerValues values_before = keyer_values;
  KeyerResult result = run_interface_test();
  if (then_quiet) result = checked_quiet(result, values_before);
  progress.tested(result);
  return result;
}

}  // namespace

KeyerResult run_interface_test() {
  KeyerResult result;
  if (!link_is_open()) {
    const int status = link_open(com_port_number);
    if (status != LINK_OK) {
      result.link_status = status;
      result.system_error = link_open_error();
      return failed(result, open_status(status));
    }
  }

  const uint8_t echo[] = {0x00, ADMIN_ECHO_TEST, ADMIN_ECHO_ARGUMENT};
  link_write(echo, sizeof echo);
  uint8_t reply = 0;
  if (!link_read(&reply, 1)) return failed(result, KeyerStatus::no_response);
  if (reply == ECHO_REPLY_BOOTLOADER) return failed(result, KeyerStatus::bootloader_only);
  if (reply != ECHO_REPLY_FIRMWARE) return failed(result, KeyerStatus::echo_mismatch);

  uint8_t major = 0;
  uint8_t minor = 0;
  if (!admin_request(ADMIN_FW_MAJOR, major) || !admin_request(ADMIN_FW_MINOR, minor))
    return failed(result, KeyerStatus::no_response);
  result.fw_major = major;
  result.fw_minor = minor;
  if (major < 30) {
    keyer_values.fw_major = major;
    keyer_values.fw_minor = minor;
    return failed(result, KeyerStatus::not_ostrel3);
  }

  // Keyers before minor revision 4 do not know the IC type query; they are all SMT.
  uint8_t ic_variant = IC_SMT;
  if (minor > 3 && !admin_request(ADMIN_IC_TYPE, ic_variant))
    return failed(result, KeyerStatus::no_response);
  // A byte of anything else is not the keyer's answer to this question.
  if (ic_variant < IC_SMT || ic_variant > IC_MINI) return failed(result, KeyerStatus::late_reply);
  result.ic_variant = ic_variant;
  keyer_values = KeyerValues{major, minor, ic_variant};
  return result;
}

KeyerResult keyer_test(KeyerProgress& progress) {
  const KeyerValues values_before = keyer_values;
  KeyerResult result = reopen_and_test(progress);
  if (!result.ok()) return result;
  // A value that did not come in time may still arrive and would be read as the next query's:
  // the test stops at the first one missing and keeps none of them.
  KeyerResult values = result;
  values.aux_asked = result.ic_variant != IC_MINI;
  if (!admin_request(ADMIN_POT_VALUE, values.pot_value) ||
      (values.aux_asked && !admin_request(ADMIN_AUX_VALUE, values.aux_value)) ||
      !admin_request(ADMIN_SUPPLY_VOLTAGE, values.supply_reading)) {
    return failed(result, KeyerStatus::no_response);
  }
  return checked_quiet(values, values_before);
}

KeyerResult keyer_read(SettingsImage& received, KeyerProgress& progress) {
  const KeyerValues values_before = keyer_values;
  KeyerResult result = reopen_and_test(progress);
  if (!result.ok()) return result;
  progress.transferring();
  // Into a buffer of the caller's: a reply cut short must not leave the image a mix of old and
  // new bytes.
  SettingsImage image{};
  if (!read_settings_image(image.data())) return failed(result, KeyerStatus::image_not_received);
  result = checked_quiet(result, values_before);
  if (result.ok()) received = image;
  return result;
}

KeyerResult keyer_write(const std::function<bool()>& prepare, KeyerProgress& progress) {
  KeyerResult result = reopen_and_test(progress, true);
  if (!result.ok()) return result;
  if (!prepare()) return failed(result, KeyerStatus::settings_refused);
  progress.transferring();
  if (!write_settings_image_and_wait()) return failed(result, KeyerStatus::image_not_sent);
  return result;
}
