#pragma once

#include <cstdint>

// How a keyer operation ended, from a closed set, so that every front-end decides from the same
// facts: the window turns a result into its texts (link/result_texts.h), the command line into
// its own messages and exit status.
enum class KeyerStatus {
  ok,
  // The port: the steps of link_open, with the system's reason in system_error.
  port_open_failed,
  port_get_state_failed,
  port_set_state_failed,
  port_purge_failed,
  // The keyer.
  no_response,         // the echo test or a later query was not answered within its wait
  late_reply,          // the replies were out of step with the questions: a byte came after the
                       // last one expected, or an IC variant no keyer has
  bootloader_only,     // the echo came back 0xAA: no firmware runs, only the bootloader
  echo_mismatch,       // something answered the echo test, but not as a keyer does
  not_ostrel3,         // firmware major revision below 30
  image_not_received,  // Read: the whole image did not come
  image_not_sent,      // Write: the image did not all leave the port
  settings_refused,    // Write: the settings or messages were refused before anything was sent
};

// What the operation found out on the way. Values the operation did not get to stay 0.
struct KeyerResult {
  KeyerStatus status = KeyerStatus::ok;
  int link_status = 0;   // link_open's status, for the port's statuses
  int system_error = 0;  // errno / GetLastError, for the port's statuses, where there is one
  uint8_t fw_major = 0;
  uint8_t fw_minor = 0;
  uint8_t ic_variant = 0;
  // Test's queries; aux is not asked of a MINI keyer.
  uint8_t pot_value = 0;
  uint8_t supply_reading = 0;
  uint8_t aux_value = 0;
  bool aux_asked = false;

  bool ok() const { return status == KeyerStatus::ok; }
  // The port could not be opened and set up: nothing reached the keyer.
  bool port_failed() const {
    return status == KeyerStatus::port_open_failed || status == KeyerStatus::port_get_state_failed ||
           status == KeyerStatus::port_set_state_failed ||
           status == KeyerStatus::port_purge_failed;
  }
};
