#include "link/interface_test.h"

#include <cstdio>

#include "link/admin.h"
#include "link/link.h"
#include "resources/control_ids.h"

KeyerValues keyer_values;

namespace {

struct Text {
  int value;
  const char* text;
};

constexpr Text OPEN_FAILURE_TEXTS[] = {
    {LINK_ERR_OPEN, "Ostrel Fail:comm open"},
    {LINK_ERR_GET_STATE, "Ostrel Fail:get comm state"},
    {LINK_ERR_SET_STATE, "Ostrel Fail:set comm state"},
    {LINK_ERR_PURGE, "Ostrel Fail:comm purge"},
};

constexpr Text IC_LABELS[] = {
    {IC_SMT, "Ostrel IC:SMT"},
    {IC_DIP, "Ostrel IC:DIP"},
    {IC_MINI, "Ostrel IC:MINI"},
};

template <size_t N>
const char* text_for(const Text (&texts)[N], int value, const char* otherwise) {
  for (const Text& t : texts)
    if (t.value == value) return t.text;
  return otherwise;
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
    if (status != LINK_OK)
      return fail(window, text_for(OPEN_FAILURE_TEXTS, status, "Comm Fail:unknown error"));
  }

  const uint8_t echo[] = {0x00, ADMIN_ECHO_TEST, ADMIN_ECHO_ARGUMENT};
  link_write(echo, sizeof echo);
  uint8_t reply = 0;
  if (!link_read(&reply, 1)) return fail(window, NO_RESPONSE_TEXT);
  if (reply == ECHO_REPLY_BOOTLOADER) return fail(window, "Ostrel Fail:No O/S");
  if (reply != ECHO_REPLY_FIRMWARE) return fail(window, "Ostrel Fail:echo mismatch");

  // A reply that did not come in time may still arrive, and the next read would take it for its
  // own: the test stops at the first one missing, before it keeps any value.
  uint8_t major = 0;
  uint8_t minor = 0;
  if (!admin_request(ADMIN_FW_MAJOR, major) || !admin_request(ADMIN_FW_MINOR, minor))
    return fail(window, NO_RESPONSE_TEXT);

  if (major < 30) {
    keyer_values.fw_major = major;
    keyer_values.fw_minor = minor;
    return fail(window, "Only Ostrel3 only");
  }

  // Keyers before minor revision 4 do not know the IC type query; they are all SMT.
  uint8_t ic_variant = IC_SMT;
  if (minor > 3 && !admin_request(ADMIN_IC_TYPE, ic_variant)) return fail(window, NO_RESPONSE_TEXT);
  keyer_values = KeyerValues{major, minor, ic_variant};
  // An IC byte the program does not know leaves the label showing what it showed.
  if (const char* label = text_for(IC_LABELS, ic_variant, nullptr))
    window.set_text(IDC_IC_LABEL, label);

  char status[64];
  std::snprintf(status, sizeof status, "Ostrel F/W revision %u.%02u", unsigned{major},
                unsigned{minor});
  window.set_text(IDC_STATUS_FIELD, status);
  return major;
}
