#include "app/com_port_setup_win32.h"

#include "app/app_config.h"
#include "app/com_port_setup.h"
#include "platform/hwnd_controls_win32.h"
#include "resources/control_ids.h"

// Opens the port as the probe asks (read and write, not shared, existing only, no overlapped
// transfers) and closes it again at once.
int probe_com_port(const std::string& name) {
  HANDLE port = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            0, nullptr);
  if (port != INVALID_HANDLE_VALUE) {
    CloseHandle(port);
    return 0;
  }
  DWORD error = GetLastError();
  // A failure without a code must not read as "opened".
  return error == 0 ? -1 : static_cast<int>(error);
}

namespace {

INT_PTR CALLBACK com_port_setup_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: {
      HwndControls controls(dialog);
      com_port_setup_init(controls, probe_com_port);
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case IDC_COM_PORT_OK: {
          HwndControls controls(dialog);
          if (com_port_setup_ok(controls, save_app_config) == ComPortOkResult::saved) {
            EndDialog(dialog, 0);
          } else {
            SetWindowTextA(dialog, COM_PORT_CHOOSE_FIRST_TITLE);
          }
          return TRUE;
        }
        case IDC_COM_PORT_LIST:
          // Once a port is picked the reminder has done its job.
          if (HIWORD(wparam) == CBN_SELCHANGE) SetWindowTextA(dialog, COM_PORT_SETUP_TITLE);
          return TRUE;
        case IDC_COM_PORT_EXIT:
        case IDCANCEL:  // Escape and the close box
          EndDialog(dialog, 0);
          return TRUE;
      }
      break;
  }
  return FALSE;
}

}  // namespace

void run_comm_port_setup_dialog(HWND owner) {
  DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_COM_PORT_SETUP), owner,
                  com_port_setup_proc, 0);
}
