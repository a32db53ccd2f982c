#include "platform/hwnd_controls_win32.h"

#include <commctrl.h>

#include <vector>

#include "platform/live_region_win32.h"

void HwndControls::set_text(int id, const std::string& text) {
  SetDlgItemTextA(dialog_, id, text.c_str());
  if (!text.empty()) announce_live_region(GetDlgItem(dialog_, id));
}

std::string HwndControls::get_text(int id, int max_chars) {
  if (max_chars < 0) max_chars = 0;
  std::vector<char> buffer(static_cast<size_t>(max_chars) + 1, '\0');
  UINT copied = GetDlgItemTextA(dialog_, id, buffer.data(), max_chars + 1);
  if (copied > static_cast<UINT>(max_chars)) copied = static_cast<UINT>(max_chars);
  return std::string(buffer.data(), copied);
}

void HwndControls::set_uint(int id, unsigned value) {
  SetDlgItemInt(dialog_, id, value, FALSE);
}

unsigned HwndControls::get_uint(int id) {
  return GetDlgItemInt(dialog_, id, nullptr, FALSE);
}

void HwndControls::set_check(int id, bool checked) {
  SendDlgItemMessageA(dialog_, id, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool HwndControls::get_check(int id) {
  return SendDlgItemMessageA(dialog_, id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void HwndControls::combo_reset(int id) {
  SendDlgItemMessageA(dialog_, id, CB_RESETCONTENT, 0, 0);
}

void HwndControls::combo_add(int id, const std::string& text) {
  SendDlgItemMessageA(dialog_, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void HwndControls::combo_select(int id, int position) {
  SendDlgItemMessageA(dialog_, id, CB_SETCURSEL, static_cast<WPARAM>(position), 0);
}

int HwndControls::combo_selection(int id) {
  LRESULT selection = SendDlgItemMessageA(dialog_, id, CB_GETCURSEL, 0, 0);
  return selection == CB_ERR ? -1 : static_cast<int>(selection);
}

void HwndControls::show(int id, bool visible) {
  ShowWindow(GetDlgItem(dialog_, id), visible ? SW_SHOW : SW_HIDE);
}

namespace {
// Where the dialog keeps the control that lost the focus by being disabled.
constexpr const char* FOCUS_TO_RESTORE = "Ostrel.FocusToRestore";
}  // namespace

void HwndControls::enable(int id, bool enabled) {
  HWND control = GetDlgItem(dialog_, id);
  // Disabled, the control that has the focus loses it to nothing, and a message box shown meanwhile
  // gives it to the first box: a keyboard user pressing Read would start again from the top. So
  // it takes the focus back when it is enabled again (while an operation runs, nobody else can
  // have moved it).
  if (!enabled && control != nullptr && GetFocus() == control) {
    SetPropA(dialog_, FOCUS_TO_RESTORE, control);
  }
  EnableWindow(control, enabled ? TRUE : FALSE);
  if (enabled && control != nullptr && GetPropA(dialog_, FOCUS_TO_RESTORE) == control) {
    RemovePropA(dialog_, FOCUS_TO_RESTORE);
    HWND focus = GetFocus();
    if (focus == nullptr || focus == dialog_ || IsChild(dialog_, focus)) {
      SendMessageA(dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
    }
  }
}

void HwndControls::set_progress(int id, int position) {
  SendDlgItemMessageA(dialog_, id, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void HwndControls::mark_live(int id) {
  make_live_region(GetDlgItem(dialog_, id));
}

void HwndControls::error_box(const std::string& text) {
  MessageBoxA(dialog_, text.c_str(), "Error", MB_OK | MB_ICONEXCLAMATION);
}
