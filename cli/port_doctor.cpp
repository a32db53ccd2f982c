#include "cli/port_doctor.h"

#include <vector>

#include "cli/exit_status.h"
#include "cli/open_failure.h"
#include "cli/port_list.h"
#include "link/link.h"

namespace {
using Cause = OpenFailure::Cause;

// What failed, as the first line says it. A cause that is known says more than the step at which
// it showed (a ttyS device without a UART opens, then fails to give its settings).
const char* failed_step(int link_status, Cause cause) {
  if (cause == Cause::not_serial) return "cannot use";
  if (cause != Cause::other) return "cannot open";
  switch (link_status) {
    case LINK_ERR_GET_STATE:
      return "cannot read the line settings of";
    case LINK_ERR_SET_STATE:
      return "cannot set the keyer's line (1200 baud, 8N1) on";
    case LINK_ERR_PURGE:
      return "cannot clear the input of";
    default:
      return "cannot open";
  }
}

// The ports that --port could take instead, with the name that stays when an adapter is
// plugged in again.
void hint_ports_present(std::ostream& err) {
  const std::vector<PortEntry> ports = list_serial_ports();
  if (ports.empty()) {
    err << "hint: no serial ports were found: check that the keyer's cable or USB adapter is "
           "plugged in\n";
    return;
  }
  err << "hint: the serial ports present (pass one with --port):\n";
  for (const PortEntry& port : ports) {
    err << "hint:   " << port.path;
    if (!port.description.empty()) err << "  " << port.description;
    if (!port.aliases.empty()) err << "  (stable name: " << port.aliases.front() << ")";
    err << "\n";
  }
}
}  // namespace

void explain_open_failure(const std::string& device, int link_status, int system_error,
                          std::ostream& err) {
  OpenFailure failure;
  if (system_error == 0) {
    failure.reason = "the system gave no reason";
  } else {
    failure = diagnose_open_failure(device, system_error);
  }
  err << "ostrel: " << failed_step(link_status, failure.cause) << " " << device;
  if (!failure.system_name.empty()) err << " (" << failure.system_name << ")";
  err << ": " << failure.reason << "\n";
  for (const std::string& hint : failure.hints) err << "hint: " << hint << "\n";
  if (failure.cause == Cause::missing || failure.cause == Cause::not_serial) {
    hint_ports_present(err);
  }
}

int check_port(const std::string& device, std::ostream& out, std::ostream& err) {
  const int status = link_open(com_port_number);
  const int system_error = link_open_error();
  link_close();
  if (status != LINK_OK) {
    explain_open_failure(device, status, system_error, err);
    return EXIT_KEYER;
  }
  out << device << ": can be opened for reading and writing\n";
  for (const std::string& holder : other_holders(device)) {
    err << "warning: " << holder << " has " << device
        << " open too; it may take the keyer's replies\n";
  }
  return EXIT_OK;
}
