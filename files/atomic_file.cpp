#include "files/atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace {

// Opens the name in `mode` and closes it again; when it cannot, errno says why. The paths are the
// system's narrow strings (the ANSI code page on Windows), so they go to the C library as they are.
bool can_open(const std::string& path, const char* mode) {
  std::FILE* probe = std::fopen(path.c_str(), mode);
  if (probe == nullptr) return false;
  std::fclose(probe);
  return true;
}

bool name_is_free(const std::string& path) {
  return !can_open(path, "rb") && errno == ENOENT;
}

// A file that a user or another program protected against writing must stay protected: the
// rename alone would replace it on some systems. Opening for update neither creates nor
// truncates.
bool target_writable(const std::string& path) {
  return can_open(path, "r+b") || errno == ENOENT;
}

// A name beside the target that is not taken yet, so that no other file is overwritten.
std::string free_temporary_name(const std::string& path) {
  for (int n = 0; n < 100; ++n) {
    std::string candidate = path + ".tmp" + std::to_string(n);
    if (name_is_free(candidate)) return candidate;
  }
  return {};
}

bool write_all(std::FILE* file, const uint8_t* data, size_t size) {
  if (size > 0 && std::fwrite(data, 1, size, file) != size) return false;
  return std::fflush(file) == 0;
}

// std::filesystem::rename replaces an existing target on Windows too (std::rename does not
// there). Converting a narrow name can throw; that counts as a failed replacement.
bool rename_over(const std::string& from, const std::string& to) {
  try {
    std::error_code error;
    std::filesystem::rename(std::filesystem::path(from), std::filesystem::path(to), error);
    return !error;
  } catch (...) {
    return false;
  }
}

}  // namespace

FileWriteResult replace_file_contents(const std::string& path, const uint8_t* data, size_t size) {
  if (path.empty() || !target_writable(path)) return FileWriteResult::cannot_create;
  const std::string temporary = free_temporary_name(path);
  if (temporary.empty()) return FileWriteResult::cannot_create;
  std::FILE* file = std::fopen(temporary.c_str(), "wb");
  if (file == nullptr) return FileWriteResult::cannot_create;

  bool written = write_all(file, data, size);
  written = (std::fclose(file) == 0) && written;
  if (!written || !rename_over(temporary, path)) {
    std::remove(temporary.c_str());
    return FileWriteResult::write_failed;
  }
  return FileWriteResult::ok;
}

bool write_file_atomically(const std::string& path, const uint8_t* data, size_t size) {
  return replace_file_contents(path, data, size) == FileWriteResult::ok;
}
