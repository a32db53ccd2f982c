#include "firmware/uploader_dialog_win32.h"

#include "firmware/uploader_dialog.h"
#include "platform/file_chooser_win32.h"
#include "platform/hwnd_controls_win32.h"
#include "resources/control_ids.h"

namespace {

constexpr UINT_PTR UPLOAD_TIMER = 2;
constexpr UINT UPLOAD_TIMER_MS = 100;

void try_close(HWND dialog) {
  HwndControls controls(dialog);
  if (uploader_exit(controls)) EndDialog(dialog, 0);
}

INT_PTR CALLBACK uploader_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  HwndControls controls(dialog);
  switch (message) {
    case WM_INITDIALOG:
      uploader_open(controls);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case IDC_UPLOADER_LOAD: {
          Win32FileChooser chooser(dialog);
          uploader_load(controls, chooser);
          return TRUE;
        }
        case IDC_UPLOADER_PROGRAM:
          if (uploader_program(controls)) SetTimer(dialog, UPLOAD_TIMER, UPLOAD_TIMER_MS, nullptr);
          return TRUE;
        case IDC_UPLOADER_EXIT:
          try_close(dialog);
          return TRUE;
      }
      return FALSE;
    case WM_TIMER:
      if (wparam == UPLOAD_TIMER && uploader_tick(controls)) KillTimer(dialog, UPLOAD_TIMER);
      return TRUE;
    case WM_CLOSE:
      try_close(dialog);
      return TRUE;
  }
  return FALSE;
}

}  // namespace

void run_uploader_dialog(HWND owner) {
  DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_UPLOADER), owner,
                  uploader_dialog_proc, 0);
}
