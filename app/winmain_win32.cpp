#include <windows.h>
// commctrl.h needs windows.h first.
#include <commctrl.h>

#include <string>
#include <vector>

#include "app/app_config.h"
#include "app/app_error_box.h"
#include "app/main_dialog_win32.h"
#include "app/startup.h"
#include "app/system_version_win32.h"
#include "files/backups.h"
#include "resources/control_ids.h"

namespace {

void show_error_box(const std::string& text) {
  MessageBoxA(nullptr, text.c_str(), "Error", MB_ICONEXCLAMATION | MB_OK);
}

// The executable's full path, however long: the buffer grows until the path fits.
std::string module_path() {
  std::vector<char> buffer(MAX_PATH);
  for (;;) {
    DWORD length = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return std::string();
    if (length < buffer.size()) return std::string(buffer.data(), length);
    if (buffer.size() >= 65536) return std::string();
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  app_error_box = show_error_box;

  std::string os_name = os_name_for_version(real_system_version());
  if (os_name.empty()) {
    show_error_box(OS_REFUSED_TEXT);
    return 0;
  }
  app_state.os_name = os_name;
  app_state.exe_path = module_path();
  app_state.cfg_path = cfg_path_for(app_state.exe_path);
  backup_state.folder = backups_folder_beside(app_state.cfg_path);
  load_app_config();

  if (!register_main_window_class(instance)) return 0;
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof(controls);
  controls.dwICC = ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS;
  InitCommonControlsEx(&controls);

  INT_PTR result =
      DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, main_dialog_procedure, 0);
  return static_cast<int>(result);
}
