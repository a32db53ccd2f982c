// Why a port would not open on Windows: the system's own message for the error, and where it
// helps, what it usually means for a COM port.
#include <windows.h>

#include "cli/open_failure.h"

namespace {
std::string system_message(DWORD error) {
  char text[512];
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                      nullptr, error, 0, text, sizeof text, nullptr);
  std::string message(text, length);
  // The system's messages end with a line break.
  while (!message.empty() && (message.back() == '\r' || message.back() == '\n')) {
    message.pop_back();
  }
  return message.empty() ? "system error " + std::to_string(error) : message;
}
}  // namespace

OpenFailure diagnose_open_failure(const std::string& /*device*/, int system_error) {
  const DWORD error = static_cast<DWORD>(system_error);
  OpenFailure failure;
  failure.reason = system_message(error);
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
    failure.cause = OpenFailure::Cause::missing;
  } else if (error == ERROR_ACCESS_DENIED) {
    // A COM port opens for one program at a time, and says this to the next.
    failure.cause = OpenFailure::Cause::in_use;
    failure.hints.push_back(
        "another program may hold it (a terminal program, Ostrel3tools.exe, another ostrel): "
        "close it and try again");
  }
  return failure;
}

std::vector<std::string> other_holders(const std::string& /*device*/) {
  // No second program can have a COM port open while this one could open it.
  return {};
}
