#pragma once

#include "app/startup.h"

// The version the system really runs. GetVersionEx tells a program whose manifest does not list
// Windows 8.1, 10 or 11 that it runs on 6.2; ntdll's RtlGetVersion does not pretend. It is looked
// up when the program runs, and GetVersionEx answers where it cannot be found. All zero when
// neither answers.
SystemVersion real_system_version();
