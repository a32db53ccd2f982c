#include "link/interface_test.h"

#include <cstdio>

#include "link/admin.h"
#include "link/link.h"
#include "resources/control_ids.h"

KeyerValues keyer_values;

namespace {

const char* open_failure_text(int status) {
  switch (status) {
    case LINK_ERR_OPEN:
      return "Ostrel Fail:comm open";
    case LINK_ERR_GET_STATE:
      return "Ostrel Fail:get comm state";
    case LINK_ERR_SET_STATE:
      return "Ostrel Fail:set comm state";
    case LINK_ERR_PURGE:
      return "Ostrel Fail:comm purge";
    default:
      return "Comm Fail:unknown error";
  }
}

const char* ic_label_text(uint8_t ic_variant) {
  switch (ic_variant) {
    case IC_SMT:
      return "Ostrel IC:SMT";
    case IC_DIP:
      return "Ostrel IC:DIP";
    case IC_MINI:
      return "Ostrel IC:MINI";
    default:
      return nullptr;
  }
}

int fail(DialogControls& window, const char* text) {
  window.set_text(IDC_STATUS_FIELD, text);
  return -1;
}

}  // namespace

int interface_test(DialogControls& window) {
  window.set_text(IDC_STATUS_FIELD, "Testing Ostrel Interface    ");

  if (!link_is_open()) {
    const int status = link_open(com_port_number);
    if (status != LINK_OK) return fail(window, open_failure_text(status));
  }

  const uint8_t echo[] = {0x00, ADMIN_ECHO_TEST, ADMIN_ECHO_ARGUMENT};
  link_write(echo, sizeof echo);
  uint8_t reply = 0;
  if (!link_read(&reply, 1)) return fail(window, "Ostrel Fail:no response");
  if (reply == ECHO_REPLY_BOOTLOADER) return fail(window, "Ostrel Fail:No O/S");
  if (reply != ECHO_REPLY_FIRMWARE) return fail(window, "Ostrel Fail:echo mismatch");

  // A revision that did not arrive is not guessed from an earlier test: the keyer answered the
  // echo, then fell silent, and that is reported as such.
  uint8_t major = 0;
  uint8_t minor = 0;
  if (!admin_request(ADMIN_FW_MAJOR, major) || !admin_request(ADMIN_FW_MINOR, minor))
    return fail(window, "Ostrel Fail:no response");
  keyer_values.fw_major = major;
  keyer_values.fw_minor = minor;

  if (major < 30) return fail(window, "Only Ostrel3 only");

  // Keyers before minor revision 4 do not know the IC type query; they are all SMT.
  keyer_values.ic_variant = minor <= 3 ? IC_SMT : query_ic_type();
  if (const char* label = ic_label_text(keyer_values.ic_variant))
    window.set_text(IDC_IC_LABEL, label);

  char status[64];
  std::snprintf(status, sizeof status, "Ostrel F/W revision %u.%02u", unsigned{major},
                unsigned{minor});
  window.set_text(IDC_STATUS_FIELD, status);
  return major;
}
