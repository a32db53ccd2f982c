#pragma once

#include <ostream>
#include <string>

// Tells `err` why link_open could not open `device` (the port as the user named it, or the
// remembered one) and what to try: a first line "ostrel: ..." naming the device, the step and the
// cause, then lines "hint: ...". `link_status` is link_open's result, `system_error` what
// link_open_error() gave.
void explain_open_failure(const std::string& device, int link_status, int system_error,
                          std::ostream& err);

// `ostrel doctor`: opens the port that setup_link chose exactly as the link does, and closes it.
// EXIT_OK after saying on `out` that `device` can be used, EXIT_KEYER after explaining why not.
int check_port(const std::string& device, std::ostream& out, std::ostream& err);
