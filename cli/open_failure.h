#pragma once

#include <string>
#include <vector>

// What the system can tell about a port that the link could not open, in words for the user.
struct OpenFailure {
  enum class Cause { missing, no_permission, in_use, not_serial, other };
  Cause cause = Cause::other;
  std::string system_name;         // the device opened, when not the name given: COM1 is /dev/ttyS0
  std::string reason;              // why, in plain words: "no such device"
  std::vector<std::string> hints;  // what to try
};

// Asks the platform (port_doctor_posix.cpp, port_doctor_win32.cpp) why `device` failed with the
// system's error code `system_error` (not 0).
OpenFailure diagnose_open_failure(const std::string& device, int system_error);

// The programs, other than this one, that have `device` open, as "NAME (pid N)": they would
// take the keyer's replies. Empty where the system cannot tell.
std::vector<std::string> other_holders(const std::string& device);
