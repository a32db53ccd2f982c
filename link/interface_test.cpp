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
  // An IC byte the program does not know leaves the label showing what it showed.
  if (const char* label = text_for(IC_LABELS, keyer_values.ic_variant, nullptr))
    window.set_text(IDC_IC_LABEL, label);

  char status[64];
  std::snprintf(status, sizeof status, "Ostrel F/W revision %u.%02u", unsigned{major},
                unsigned{minor});
  window.set_text(IDC_STATUS_FIELD, status);
  return major;
}
