#include "app/startup.h"

namespace {

// The first build of Windows 11, which still calls itself 10.0.
constexpr unsigned WINDOWS_11_FIRST_BUILD = 22000;

}  // namespace

std::string os_name_for_version(const SystemVersion& version) {
  const unsigned major = version.major;
  const unsigned minor = version.minor;
  if (major < 5) return std::string();
  if (major == 5) {
    switch (minor) {
      case 0:
        return "Windows 2000";
      case 1:
        return "Windows XP";
      case 2:
        return "WinServer 2003";
      default:
        return "Win5 Variant";
    }
  }
  if (major == 6) {
    switch (minor) {
      case 0:
        return "Windows Vista";
      case 1:
        return "Win7";
      case 2:
        return "Win8.0";
      case 3:
        return "Win8.1";
      default:
        return "Win8";
    }
  }
  if (major == 10 && minor == 0) {
    return version.build < WINDOWS_11_FIRST_BUILD ? "Windows 10" : "Windows 11";
  }
  return "Windows " + std::to_string(major) + "." + std::to_string(minor);
}

std::string cfg_path_for(const std::string& exe_path) {
  // No path, no file: better than a stray ".cfg" in whatever folder is current.
  if (exe_path.empty()) return std::string();
  size_t name_start = exe_path.find_last_of("\\/");
  name_start = name_start == std::string::npos ? 0 : name_start + 1;
  size_t dot = exe_path.rfind('.');
  // A dot before the file name belongs to a folder: the name itself has no extension then.
  if (dot == std::string::npos || dot < name_start) return exe_path + ".cfg";
  return exe_path.substr(0, dot) + ".cfg";
}
