#pragma once

#include <string>

// The pieces of start-up that need no window: naming the system, and where the configuration file
// lies. WinMain (app/winmain_win32.cpp) strings them together.

// The system's version as the system itself reports it.
struct SystemVersion {
  unsigned major = 0;
  unsigned minor = 0;
  unsigned build = 0;
};

// The system's name for a version, or empty for a system the utility refuses (anything before
// Windows 2000). A version newer than any named here gets its number ("Windows 10.1"), so that a
// coming system is not told it is too old.
std::string os_name_for_version(const SystemVersion& version);

// The configuration file beside the executable: the executable's own extension, whatever its case,
// becomes ".cfg" (one is added when the name has none). Folders are left alone, even those whose
// names hold "exe" or a dot.
std::string cfg_path_for(const std::string& exe_path);

inline constexpr const char* OS_REFUSED_TEXT = "Sorry, WinXP or higher is required.";
