#include "app/system_version_win32.h"

#include <windows.h>

namespace {

using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);

SystemVersion from_info(DWORD major, DWORD minor, DWORD build) {
  return {static_cast<unsigned>(major), static_cast<unsigned>(minor), static_cast<unsigned>(build)};
}

}  // namespace

SystemVersion real_system_version() {
  if (HMODULE ntdll = GetModuleHandleA("ntdll.dll")) {
    // The cast between function pointer types is how a looked-up function is called.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wcast-function-type"
    auto rtl_get_version =
        reinterpret_cast<RtlGetVersionFunction>(GetProcAddress(ntdll, "RtlGetVersion"));
#pragma GCC diagnostic pop
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    if (rtl_get_version != nullptr && rtl_get_version(&info) == 0) {
      return from_info(info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber);
    }
  }
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  BOOL known = GetVersionExA(&info);
#pragma GCC diagnostic pop
  if (!known) return {};
  return from_info(info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber);
}
