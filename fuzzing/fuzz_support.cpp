#include "fuzzing/fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "platform/pause.h"

void fuzz_check_failed(const char* condition, const char* file, int line) {
  std::fprintf(stderr, "\n%s:%d: broken rule: %s\n", file, line, condition);
  std::abort();
}

void make_pauses_free() {
  set_pause_function([](int) {});
}

std::string scratch_folder() {
  const char* folder = std::getenv("TMPDIR");
  return folder && *folder ? folder : "/tmp";
}

std::string scratch_path(const std::string& name) {
  return scratch_folder() + "/ostrel-fuzz-" + std::to_string(getpid()) + "-" + name;
}

void write_scratch_file(const std::string& path, const uint8_t* data, size_t size) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  FUZZ_CHECK(file != nullptr);
  const bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
  FUZZ_CHECK(std::fclose(file) == 0 && written);
}

bool file_exists(const std::string& path) {
  return access(path.c_str(), F_OK) == 0;
}
