// Stand-ins for dialogs whose code is not in this tree yet, so that the program links and its
// main window can be tried. app/CMakeLists.txt compiles each one only while the real dialog's
// source is missing; they are weak as well, so a real definition always wins.
#include <windows.h>

#include "app/com_port_setup_win32.h"
#include "app/help_dialog_win32.h"
#include "firmware/uploader_dialog_win32.h"

#if defined(OSTREL_STUB_UPLOADER_DIALOG) || defined(OSTREL_STUB_COM_PORT_SETUP_DIALOG) || \
    defined(OSTREL_STUB_HELP_DIALOG)
namespace {

void not_available(HWND owner, const char* what) {
  MessageBoxA(owner, what, "Error", MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace
#endif

#ifdef OSTREL_STUB_UPLOADER_DIALOG
__attribute__((weak)) void run_uploader_dialog(HWND owner) {
  not_available(owner, "Firmware update is not available in this build.");
}
#endif

#ifdef OSTREL_STUB_COM_PORT_SETUP_DIALOG
__attribute__((weak)) void run_comm_port_setup_dialog(HWND owner) {
  not_available(owner, "Comm Port Setup is not available in this build.");
}
#endif

#ifdef OSTREL_STUB_HELP_DIALOG
__attribute__((weak)) void run_help_dialog(HWND owner) {
  not_available(owner, "Help is not available in this build.");
}
#endif
