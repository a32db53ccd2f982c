#include "cli/image_file.h"

#include <fstream>

#include "cli/exit_status.h"
#include "files/atomic_file.h"

namespace {
// How many bytes a file of the wrong length holds: one that is longer is measured to its end.
std::string length_text(std::ifstream& file, std::streamsize read) {
  if (read <= SETTINGS_IMAGE_SIZE) return std::to_string(read);
  file.clear();
  const std::streamoff end = file.seekg(0, std::ios::end).tellg();
  if (end >= read) return std::to_string(end);
  return "more than " + std::to_string(SETTINGS_IMAGE_SIZE);
}
void cannot_create(const std::string& path, std::ostream& err) {
  err << "ostrel: cannot create " << path << " (check the folder and its permissions)\n";
}
}  // namespace

int load_image_file(const std::string& path, SettingsImage& image, std::ostream& err) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    err << "ostrel: cannot open " << path << "\n";
    return EXIT_FILE;
  }
  // One byte more than an image, to tell a longer file from an exact one.
  char bytes[SETTINGS_IMAGE_SIZE + 1];
  file.read(bytes, sizeof bytes);
  if (file.bad()) {
    err << "ostrel: cannot read " << path << "\n";
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
  if (check_file_replaceable(path) == FileWriteResult::ok) return EXIT_OK;
  cannot_create(path, err);
  return EXIT_FILE;
}

int save_image_file(const std::string& path, const SettingsImage& image, std::ostream& err) {
  switch (replace_file_contents(path, image.data(), image.size())) {
    case FileWriteResult::ok:
      return EXIT_OK;
    case FileWriteResult::cannot_create:
      cannot_create(path, err);
      return EXIT_FILE;
    case FileWriteResult::write_failed:
      break;
  }
  err << "ostrel: writing " << path << " failed; the file is as it was before\n";
  return EXIT_FILE;
}
