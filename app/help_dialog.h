#pragma once

#include <string>

#include "platform/dialog_controls.h"
#include "resources/version.h"

inline constexpr const char* HELP_VERSION = OSTREL_VERSION;
inline constexpr const char* HELP_FILE_NAME = "README.txt";

// "Ver 4.3, Built <time>, <date>", stamped when this file is compiled: with SOURCE_DATE_EPOCH
// set (as ./release sets it to the commit's time) the compiler takes that time, in UTC.
std::string help_version_text();
// "Operating System is <os_name>".
std::string help_os_text(const std::string& os_name);
// "Help File: " and the README that lies beside the executable.
std::string help_file_text(const std::string& exe_path);

// Dialog opening: the three texts into 4030, 4042 and 4044.
void help_dialog_init(DialogControls& dialog, const std::string& os_name,
                      const std::string& exe_path);
