#pragma once

#include <string>

#include "sim/keyer_sim.h"

// What the ostrel-keyer-sim program was asked to do.
struct SimOptions {
  std::string link_path;  // the symlink to the pty's slave
  KeyerSimConfig config;  // --image already loaded into config.image
  KeyerFaults faults;
  std::string image_out;  // rewritten after every settings write
  std::string flash_out;  // rewritten after every restart and at exit
  std::string rx_log;     // every received byte appended
  bool realtime = false;  // pace the line at 10 bits a byte
  // After a hang-up: plug the adapter in again this long after (the same link path, a new pty,
  // the keyer restarted), or, when negative, end the program as the device is gone for good.
  int replug_after_ms = -1;
  // When this file appears, the keyer restarts with every fault cleared and removes the file:
  // a test's way to have a healthy keyer again on the same port.
  std::string heal_file;
};

// A decimal number, or hexadecimal after 0x, from min to max. False for anything else.
bool parse_sim_number(const std::string& text, long min, long max, long& value);

// "MAJOR.MINOR", each part a number from 0 to 255 ("31.04" is 31 and 4).
bool parse_firmware_revision(const std::string& text, uint8_t& major, uint8_t& minor);

// Parses the command line into `options`. Returns -1 to go on serving, otherwise the exit code
// (0 after --help); messages have been printed.
int parse_sim_options(int argc, const char* const* argv, SimOptions& options);
