#include <windows.h>

#include "cli/executable_path.h"

std::string executable_path() {
  char path[MAX_PATH + 1];
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  // A path cut off at the buffer's end would name another file.
  if (length == 0 || length >= sizeof path) return "";
  return std::string(path, length);
}
