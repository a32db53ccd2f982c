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

void load_settings_file(DialogControls& window, FileChooser& chooser) {
  const std::optional<std::string> path = chooser.choose(settings_file_request(false));
  if (!path) return;
  // Named before the file is opened, so that the label says which file could not be read.
  window.set_text(IDC_FILE_NAME, "File Name: " + file_name_of(*path));

  std::FILE* file = std::fopen(path->c_str(), "rb");
  if (file == nullptr) {
    window.error_box("File Not Found");
    return;
  }
  // Read into a scratch buffer first: a read that fails half-way must not leave the image mixed.
  SettingsImage loaded{};
  const size_t count = std::fread(loaded.data(), 1, loaded.size(), file);
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) {
    window.error_box("Read Settings file failed.");
    return;
  }
  // A short file replaces only as many bytes as it holds; the rest of the image stays.
  std::copy_n(loaded.begin(), count, settings_image.begin());
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
