#pragma once

#include <string>

// The full path of the running program, or "" when the system does not tell.
std::string executable_path();
