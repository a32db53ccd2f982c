#include "app/main_dialog_win32.h"

#include <array>
#include <memory>

#include "app/com_port_setup_win32.h"
#include "app/help_dialog_win32.h"
#include "firmware/uploader_dialog_win32.h"
#include "messages/message_editor.h"
#include "platform/file_chooser_win32.h"
#include "platform/hwnd_controls_win32.h"
#include "resources/control_ids.h"
#include "settings/main_window.h"

namespace {

constexpr ATOM SYSTEM_DIALOG_CLASS = 0x8002;
constexpr const char* MAIN_WINDOW_CLASS = "OstreltoolsClass";

// Opens the three dialogs over the main window and ends it.
class Win32MainWindowHost : public MainWindowHost {
 public:
  explicit Win32MainWindowHost(HWND dialog) : dialog_(dialog) {}
  void run_uploader_dialog() override { ::run_uploader_dialog(dialog_); }
  void run_comm_port_setup_dialog() override { ::run_comm_port_setup_dialog(dialog_); }
  void run_help_dialog() override { ::run_help_dialog(dialog_); }
  void quit() override {
    // The quit message alone would not end DialogBoxParamA's own loop.
    PostQuitMessage(0);
    EndDialog(dialog_, 0);
  }
  void end_dialog(int result) override { EndDialog(dialog_, result); }

 private:
  HWND dialog_;
};

struct SubclassedBox {
  HWND box = nullptr;
  WNDPROC original = nullptr;
};

// The one main window of the program and what its procedure keeps.
struct MainDialogWin32 {
  std::unique_ptr<HwndControls> controls;
  std::unique_ptr<Win32FileChooser> file_chooser;
  std::unique_ptr<Win32MainWindowHost> host;
  std::array<SubclassedBox, MESSAGE_SLOTS> boxes;
};
MainDialogWin32 main_dialog;

WNDPROC original_procedure(HWND box) {
  for (const SubclassedBox& entry : main_dialog.boxes) {
    if (entry.box == box) return entry.original;
  }
  return nullptr;
}

// Sits in front of each message and callsign box: a typed character reaches the box only if the
// message editor's filter lets it through.
LRESULT CALLBACK filtered_box_procedure(HWND box, UINT message, WPARAM wparam, LPARAM lparam) {
  WNDPROC original = original_procedure(box);
  if (original == nullptr) return DefWindowProcA(box, message, wparam, lparam);
  if (message == WM_CHAR && main_dialog.controls != nullptr &&
      !message_filter_accepts(*main_dialog.controls, static_cast<unsigned char>(wparam))) {
    return 0;
  }
  return CallWindowProcA(original, box, message, wparam, lparam);
}

void install_message_filter(HWND dialog) {
  for (size_t i = 0; i < main_dialog.boxes.size(); ++i) {
    HWND box = GetDlgItem(dialog, MESSAGE_BOX_IDS[i]);
    if (box == nullptr) continue;
    main_dialog.boxes[i].box = box;
    main_dialog.boxes[i].original = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(filtered_box_procedure)));
  }
}

void remove_message_filter() {
  for (SubclassedBox& entry : main_dialog.boxes) {
    if (entry.box != nullptr && entry.original != nullptr) {
      SetWindowLongPtrA(entry.box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(entry.original));
    }
    entry = SubclassedBox{};
  }
}

}  // namespace

INT_PTR CALLBACK main_dialog_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      main_dialog.controls = std::make_unique<HwndControls>(dialog);
      main_dialog.file_chooser = std::make_unique<Win32FileChooser>(dialog);
      main_dialog.host = std::make_unique<Win32MainWindowHost>(dialog);
      install_message_filter(dialog);
      SetTimer(dialog, MAIN_TIMER_ID, MAIN_TIMER_PERIOD_MS, nullptr);
      main_window_init(*main_dialog.controls, *main_dialog.host, *main_dialog.file_chooser);
      return TRUE;  // the system chooses the first focus
    case WM_COMMAND:
      main_window_command(LOWORD(wparam), HIWORD(wparam));
      return TRUE;
    case WM_TIMER:
      main_window_tick();
      return TRUE;
    case WM_CLOSE:
      main_window_close();
      return TRUE;
    case WM_DESTROY:
      KillTimer(dialog, MAIN_TIMER_ID);
      remove_message_filter();
      return FALSE;
    default:
      return FALSE;
  }
}

bool register_main_window_class(HINSTANCE instance) {
  WNDCLASSEXA window_class{};
  window_class.cbSize = sizeof(window_class);
  if (!GetClassInfoExA(nullptr, MAKEINTATOM(SYSTEM_DIALOG_CLASS), &window_class)) return false;
  window_class.hInstance = instance;
  window_class.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_APP));
  window_class.lpszClassName = MAIN_WINDOW_CLASS;
  return RegisterClassExA(&window_class) != 0;
}
