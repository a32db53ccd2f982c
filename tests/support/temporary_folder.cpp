#include "tests/support/temporary_folder.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace fs = std::filesystem;

TemporaryFolder::TemporaryFolder() {
  static std::atomic<int> counter{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  std::error_code error;
  fs::path base = fs::temp_directory_path(error);
  if (error) base = ".";
  fs::path folder =
      base / ("ostrel-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
  fs::create_directories(folder, error);
  root = folder.string();
}

TemporaryFolder::~TemporaryFolder() {
  std::error_code error;
  // A test may have taken away the write permission to make a failure; give it back to clean up.
  fs::permissions(root, fs::perms::owner_all, fs::perm_options::add, error);
  fs::remove_all(root, error);
}

std::string TemporaryFolder::path(const std::string& name) const {
  return (fs::path(root) / name).string();
}

std::vector<std::string> TemporaryFolder::entries() const {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(root, error)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<uint8_t> read_file_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_file_bytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

#ifndef _WIN32
#include <sys/resource.h>

#include <csignal>

FileSizeLimit::FileSizeLimit(unsigned long bytes) {
  rlimit limit{};
  getrlimit(RLIMIT_FSIZE, &limit);
  saved_limit_ = limit.rlim_cur;
  // Without this the kernel ends the process at the limit instead of failing the write.
  saved_handler_ = std::signal(SIGXFSZ, SIG_IGN);
  limit.rlim_cur = bytes;
  setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit() {
  rlimit limit{};
  getrlimit(RLIMIT_FSIZE, &limit);
  limit.rlim_cur = saved_limit_;
  setrlimit(RLIMIT_FSIZE, &limit);
  std::signal(SIGXFSZ, saved_handler_);
}
#endif
