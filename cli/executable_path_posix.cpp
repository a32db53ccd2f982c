#include <unistd.h>

#include "cli/executable_path.h"

std::string executable_path() {
  char path[4096];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return "";
  return std::string(path, static_cast<size_t>(length));
}
