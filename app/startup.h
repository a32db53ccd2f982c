#pragma once

#include <string>

// The pieces of start-up that need no window: naming the system, and where the configuration file
// lies. WinMain (app/winmain_win32.cpp) strings them together.

// The system's name for a version, or nullptr for a system the utility refuses (anything before
// Windows 2000, and any major version it does not know).
const char* os_name_for_version(unsigned major, unsigned minor);

// Windows 8.1 and later tell a program whose manifest does not list them that they are 6.2.
// Where the version comes straight from the system (Wine, or an API that does not pretend), this
// gives the same answer, so that the naming table sees what it was written for.
void version_as_unlisted_program(unsigned& major, unsigned& minor);

// The configuration file beside the executable: the executable's own extension, whatever its case,
// becomes ".cfg" (one is added when the name has none). Folders are left alone, even those whose
// names hold "exe" or a dot.
std::string cfg_path_for(const std::string& exe_path);

inline constexpr const char* OS_REFUSED_TEXT = "Sorry, WinXP or higher is required.";
