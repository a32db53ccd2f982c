#include "cli/image_file.h"

#include <cerrno>
#include <fstream>

#include "cli/exit_status.h"
#include "files/atomic_file.h"
#include "files/file_kind.h"

namespace {
// How many bytes a file of the wrong length holds: one that is longer is measured to its end.
std::string length_text(std::ifstream& file, std::streamsize read) {
  if (read <= SETTINGS_IMAGE_SIZE) return std::to_string(read);
  file.clear();
  const std::streamoff end = file.seekg(0, std::ios::end).tellg();
  if (end >= read) return std::to_string(end);
  return "more than " + std::to_string(SETTINGS_IMAGE_SIZE);
}
void cannot_create(const std::string& path, const std::string& reason, std::ostream& err) {
  err << "ostrel: cannot create " << path;
  if (reason.empty()) {
    err << " (check the folder and its permissions)\n";
  } else {
    err << ": " << reason << "\n";
  }
}
// ": is a FIFO", ": permission denied": why, when the system says.
std::string because(const std::string& reason) {
  return reason.empty() ? reason : ": " + reason;
}
}  // namespace

bool open_to_read(const std::string& path, std::ifstream& file, std::ostream& err) {
  // A FIFO might never begin, a device never end: neither is opened.
  std::string reason = kind_reason(file_kind(path));
  if (reason.empty()) {
    errno = 0;
    file.open(path, std::ios::binary);
    if (file) return true;
    reason = system_reason(errno);
  }
  err << "ostrel: cannot open " << path << because(reason) << "\n";
  return false;
}

int load_image_file(const std::string& path, SettingsImage& image, std::ostream& err) {
  std::ifstream file;
  if (!open_to_read(path, file, err)) return EXIT_FILE;
  // One byte more than an image, to tell a longer file from an exact one.
  char bytes[SETTINGS_IMAGE_SIZE + 1];
  file.read(bytes, sizeof bytes);
  if (file.bad()) {
    err << "ostrel: cannot read " << path << because(system_reason(errno)) << "\n";
    return EXIT_FILE;
  }
  const std::streamsize size = file.gcount();
  if (size != SETTINGS_IMAGE_SIZE) {
    err << "ostrel: " << path << " is not a settings file: it must hold exactly "
        << SETTINGS_IMAGE_SIZE << " bytes, it holds " << length_text(file, size)
        << "; nothing was done with it\n";
    return EXIT_FILE;
  }
  for (int i = 0; i < SETTINGS_IMAGE_SIZE; ++i) image[i] = static_cast<uint8_t>(bytes[i]);
  return EXIT_OK;
}

int check_image_file_writable(const std::string& path, std::ostream& err) {
  if (path == STANDARD_STREAM) return EXIT_OK;
  std::string reason;
  if (check_file_replaceable(path, &reason) == FileWriteResult::ok) return EXIT_OK;
  cannot_create(path, reason, err);
  return EXIT_FILE;
}

int save_image_file(const std::string& path, const SettingsImage& image, std::ostream& err,
                    std::ostream& standard_output) {
  if (path == STANDARD_STREAM) {
    standard_output.write(reinterpret_cast<const char*>(image.data()), image.size()).flush();
    if (standard_output) return EXIT_OK;
    err << "ostrel: writing the standard output failed\n";
    return EXIT_FILE;
  }
  std::string reason;
  switch (replace_file_contents(path, image.data(), image.size(), &reason)) {
    case FileWriteResult::ok:
      return EXIT_OK;
    case FileWriteResult::cannot_create:
      cannot_create(path, reason, err);
      return EXIT_FILE;
    case FileWriteResult::write_failed:
      break;
  }
  err << "ostrel: writing " << path << " failed" << because(reason)
      << "; the file is as it was before\n";
  return EXIT_FILE;
}
