#include "app/app_config.h"

#include <cstdint>
#include <cstdio>

#include "app/app_error_box.h"
#include "files/atomic_file.h"
#include "link/link.h"

AppState app_state;

namespace {

void print_error_box(const std::string& text) {
  std::fprintf(stderr, "Error: %s\n", text.c_str());
}

}  // namespace

AppErrorBox app_error_box = print_error_box;

namespace {

// Writes com_port_number. A file that cannot be created at all is said only when `report_any`:
// the first-run file that start-up leaves is not the user's choice, and a folder the user cannot
// write (the exe in Program Files) must not bring a box up at every start. A write that starts
// and fails is always said.
int write_app_config(bool report_any) {
  uint32_t value = static_cast<uint32_t>(com_port_number);
  uint8_t bytes[4];
  for (size_t i = 0; i < sizeof(bytes); ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
  FileWriteResult result = replace_file_contents(app_state.cfg_path, bytes, sizeof(bytes));
  if (result == FileWriteResult::ok) return 1;
  if (result == FileWriteResult::cannot_create && !report_any) return 1;
  app_error_box("CFG File SAve Failed.");
  return 0;
}

}  // namespace

int load_app_config() {
  std::FILE* file = std::fopen(app_state.cfg_path.c_str(), "rb");
  if (file == nullptr) {
    // First run (or a file that cannot be opened): start on COM1 and leave a file that says so.
    com_port_number = 1;
    write_app_config(false);
    return 1;
  }
  uint8_t bytes[4] = {0, 0, 0, 0};
  size_t count = std::fread(bytes, 1, sizeof(bytes), file);
  bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) {
    com_port_number = 0;
    app_error_box("Read file failed.");
    return 0;
  }
  // Little-endian; a short file fills only the low-order bytes that it has.
  uint32_t value = 0;
  for (size_t i = 0; i < count; ++i) value |= static_cast<uint32_t>(bytes[i]) << (8 * i);
  com_port_number = static_cast<int32_t>(value);
  return 1;
}

// The user's own choice: any failure is said, or the port would be gone at the next start.
int save_app_config() {
  return write_app_config(true);
}
