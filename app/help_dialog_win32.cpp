#include "app/help_dialog_win32.h"

#include "app/app_config.h"
#include "app/help_dialog.h"
#include "platform/hwnd_controls_win32.h"
#include "resources/control_ids.h"

namespace {

INT_PTR CALLBACK help_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: {
      HwndControls controls(dialog);
      help_dialog_init(controls, app_state.os_name, app_state.exe_path);
      return TRUE;
    }
    case WM_COMMAND:
      // OK, and also Escape and the close box (both arrive as IDCANCEL): a help window that
      // only a button can close surprises people.
      if (LOWORD(wparam) == IDC_HELP_OK || LOWORD(wparam) == IDCANCEL) {
        EndDialog(dialog, 1);
        return TRUE;
      }
      break;
  }
  return FALSE;
}

}  // namespace

void run_help_dialog(HWND owner) {
  DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_HELP), owner, help_dialog_proc,
                  0);
}
