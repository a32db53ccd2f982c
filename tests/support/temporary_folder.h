#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TemporaryFolder {
 public:
  TemporaryFolder();
  ~TemporaryFolder();
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;

  // The path of `name` inside the folder.
  std::string path(const std::string& name) const;
  // The names of the folder's entries, sorted.
  std::vector<std::string> entries() const;

  std::string root;
};

std::vector<uint8_t> read_file_bytes(const std::string& path);
void write_file_bytes(const std::string& path, const std::vector<uint8_t>& bytes);

#ifndef _WIN32
// While it lives, no file of this process may grow past `bytes`: writes beyond fail as on a full
// disk (root included, which permissions would not stop).
class FileSizeLimit {
 public:
  explicit FileSizeLimit(unsigned long bytes);
  ~FileSizeLimit();
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  unsigned long saved_limit_ = 0;
  void (*saved_handler_)(int) = nullptr;
};
#endif
