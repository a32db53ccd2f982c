#include "app/help_dialog.h"

#include "resources/control_ids.h"

std::string help_version_text() {
  return std::string("Ver ") + HELP_VERSION + ", Built " + __TIME__ + ", " + __DATE__;
}

std::string help_os_text(const std::string& os_name) {
  return "Operating System is " + os_name;
}

std::string help_file_text(const std::string& exe_path) {
  // The folder keeps its trailing separator; a bare file name means the current folder.
  std::string::size_type separator = exe_path.find_last_of("\\/");
  std::string folder = separator == std::string::npos ? "" : exe_path.substr(0, separator + 1);
  return "Help File: " + folder + HELP_FILE_NAME;
}

void help_dialog_init(DialogControls& dialog, const std::string& os_name,
                      const std::string& exe_path) {
  dialog.set_text(IDC_HELP_VERSION, help_version_text());
  dialog.set_text(IDC_HELP_OS, help_os_text(os_name));
  dialog.set_text(IDC_HELP_FILE, help_file_text(exe_path));
}
