#include "files/settings_file.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "files/atomic_file.h"
#include "resources/control_ids.h"
#include "settings/settings_image.h"

FileRequest settings_file_request(bool save) {
  FileRequest request;
  request.save = save;
  request.filters = {{"Settings Files (*.eep)", "*.eep"}, {"All Documents (*.*)", "*.*"}};
  request.filter_index = 1;
  request.default_extension = "eep";
  request.capacity = 256;
  return request;
}

std::string file_name_of(const std::string& path) {
  const size_t separator = path.find_last_of("\\/");
  return separator == std::string::npos ? path : path.substr(separator + 1);
}

namespace {

// The whole length of a file that holds more than an image, or -1 when the system cannot say
// (a file too large for ftell where long has 32 bits).
long whole_length(std::FILE* file) {
  if (std::fseek(file, 0, SEEK_END) != 0) return -1;
  return std::ftell(file);
}

// A file that is not one whole image still loads as far as it goes; the user is told what that
// did to the settings, since the next write sends them as they now are.
std::string wrong_length_message(size_t count, long length) {
  constexpr size_t loaded_size = SETTINGS_IMAGE_SIZE;
  const std::string image_size = std::to_string(SETTINGS_IMAGE_SIZE);
  const std::string held = length > static_cast<long>(count) ? std::to_string(length) + " bytes"
                           : count == loaded_size            ? "more than " + image_size + " bytes"
                           : count == 1                      ? "1 byte"
                                                             : std::to_string(count) + " bytes";
  const std::string what =
      "The file holds " + held + ", not the " + image_size + " of a settings file: ";
  if (count == loaded_size) return what + "only its first " + image_size + " were used.";
  if (count == 0) return what + "nothing was loaded, and the settings were kept from before.";
  return what +
         "it was loaded into the start of the settings, and the rest of the settings were kept "
         "from before.";
}

}  // namespace

bool load_settings_file(DialogControls& window, FileChooser& chooser) {
  const std::optional<std::string> path = chooser.choose(settings_file_request(false));
  if (!path) return false;
  // Named before the file is opened, so that the label says which file could not be read.
  window.set_text(IDC_FILE_NAME, "File Name: " + file_name_of(*path));

  std::FILE* file = std::fopen(path->c_str(), "rb");
  if (file == nullptr) {
    window.error_box("File Not Found");
    return false;
  }
  // Read into a scratch buffer first: a read that fails half-way must not leave the image mixed.
  SettingsImage loaded{};
  const size_t count = std::fread(loaded.data(), 1, loaded.size(), file);
  const bool failed = std::ferror(file) != 0;
  const bool longer = !failed && count == loaded.size() && std::fgetc(file) != EOF;
  const long length = longer ? whole_length(file) : static_cast<long>(count);
  std::fclose(file);
  if (failed) {
    window.error_box("Read Settings file failed.");
    return false;
  }
  // A short file replaces only as many bytes as it holds; the rest of the image stays.
  std::copy_n(loaded.begin(), count, settings_image.begin());
  if (count != loaded.size() || longer) window.error_box(wrong_length_message(count, length));
  return true;
}

void save_settings_file(DialogControls& window, FileChooser& chooser) {
  const std::optional<std::string> path = chooser.choose(settings_file_request(true));
  if (!path) return;
  window.set_text(IDC_FILE_NAME, file_name_of(*path));

  switch (replace_file_contents(*path, settings_image.data(), settings_image.size())) {
    case FileWriteResult::ok:
      break;
    case FileWriteResult::cannot_create:
      window.error_box("Can't open Settings file for write");
      break;
    case FileWriteResult::write_failed:
      window.error_box("Export Log File Failed.");
      break;
  }
}
