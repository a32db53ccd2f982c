// The main window as the program builds it (template 1001, the dialog procedure, HwndControls),
// run modeless under Wine so that a test can look inside it.
#include <windows.h>
// commctrl.h and oleacc.h need windows.h first.
#include <commctrl.h>
#include <gtest/gtest.h>
#include <oleacc.h>

#include <string>
#include <vector>

#include "app/main_dialog_win32.h"
#include "messages/message_editor.h"
#include "platform/hwnd_controls_win32.h"
#include "resources/control_ids.h"
#include "resources/version.h"
#include "settings/main_window.h"
#include "settings/settings_fields.h"

namespace {

// Lets the window handle what is queued for it (timer ticks among them) for `ms` milliseconds.
void pump_messages(DWORD ms) {
  DWORD start = GetTickCount();
  while (GetTickCount() - start < ms) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) continue;
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    Sleep(10);
  }
}

std::string window_text(HWND window) {
  char buffer[512] = {};
  GetWindowTextA(window, buffer, sizeof buffer);
  return buffer;
}

class MainDialogTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    ASSERT_TRUE(register_main_window_class(GetModuleHandleA(nullptr)));
  }

  void SetUp() override {
    main_window_state = MainWindowState{};
    dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MAIN), nullptr,
                                main_dialog_procedure, 0);
    ASSERT_NE(dialog, nullptr);
  }

  void TearDown() override {
    if (dialog != nullptr) DestroyWindow(dialog);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
  }

  HWND item(int id) { return GetDlgItem(dialog, id); }
  LONG style(int id) { return GetWindowLongA(item(id), GWL_STYLE); }

  // A character typed into a box, through whatever sits in front of it.
  void type(int id, char c) { SendMessageA(item(id), WM_CHAR, static_cast<unsigned char>(c), 1); }
  void caret_to_end(int id) {
    int length = GetWindowTextLengthA(item(id));
    SendMessageA(item(id), EM_SETSEL, length, length);
  }

  HWND dialog = nullptr;
};

enum class Kind { group, push, radio, check, edit, text, combo };

struct ExpectedControl {
  int id;
  Kind kind;
  int x, y, width, height;
  const char* caption;  // nullptr: not looked at
  LONG style_on = 0;    // bits that must be set
  LONG style_off = 0;   // bits that must be clear
};

constexpr LONG MESSAGE_BOX_STYLE = ES_MULTILINE | ES_UPPERCASE | ES_AUTOVSCROLL | WS_TABSTOP;
constexpr LONG CALLSIGN_STYLE = ES_UPPERCASE | ES_AUTOHSCROLL | WS_TABSTOP;

std::vector<ExpectedControl> main_window_controls() {
  std::vector<ExpectedControl> controls = {
      {4056, Kind::group, 4, 4, 224, 256, "Message Editor"},
      {4055, Kind::group, 232, 4, 136, 256, "Settings"},
      {4068, Kind::radio, 248, 248, 40, 10, "User 1"},
      {4069, Kind::radio, 304, 248, 40, 10, "User 2"},
      {4007, Kind::radio, 16, 232, 76, 10, "Message Bank 1"},
      {4008, Kind::radio, 100, 232, 76, 10, "Message Bank 2"},
      {4058, Kind::text, 16, 244, 76, 12, nullptr, SS_CENTERIMAGE},
      {4060, Kind::text, 104, 244, 60, 12, "", SS_CENTER},
      {4070, Kind::text, 176, 244, 44, 12, "", SS_CENTER},
      {4075, Kind::text, 188, 228, 28, 12, "", SS_CENTER},
      {4057, Kind::text, 12, 268, 212, 12, ""},
      {4061, Kind::text, 236, 268, 88, 12, ""},
      {4059, Kind::text, 328, 268, 44, 12, "", SS_LEFTNOWORDWRAP},
      {4013, Kind::push, 12, 288, 40, 16, "Read Ostrel"},
      {4012, Kind::push, 60, 288, 40, 16, "Write Ostrel"},
      {4011, Kind::push, 108, 288, 40, 16, "Test Ostrel"},
      {4010, Kind::push, 156, 288, 50, 16, "FW Update"},
      {4009, Kind::push, 216, 288, 52, 16, "Set Com Port"},
      {4074, Kind::text, 276, 288, 32, 16, nullptr},
      {4094, Kind::push, 320, 288, 40, 16, "Help"},
      {4092, Kind::push, 12, 308, 64, 16, "Read Config File"},
      {4093, Kind::push, 84, 308, 64, 16, "Write Config File"},
      {4079, Kind::text, 212, 312, 60, 12, nullptr, SS_CENTER},
      {4, Kind::push, 320, 308, 40, 16, "Exit"},
      {4095, Kind::edit, 240, 148, 32, 12, "", WS_DISABLED},
      {4096, Kind::text, 276, 148, 24, 12, "S/N", 0, WS_VISIBLE},
      {4073, Kind::edit, 316, 204, 32, 12, nullptr, ES_NUMBER},
      {4049, Kind::combo, 304, 232, 51, 0, nullptr},
      {4054, Kind::combo, 236, 176, 52, 0, nullptr},
      {4053, Kind::combo, 236, 204, 72, 0, nullptr},
      {4071, Kind::edit, 236, 232, 64, 12, nullptr, CALLSIGN_STYLE, ES_MULTILINE},
      {4072, Kind::edit, 236, 232, 64, 12, nullptr, CALLSIGN_STYLE, ES_MULTILINE | WS_VISIBLE},
      {4051, Kind::push, 308, 168, 48, 20, "Reset to\nDefaults", BS_MULTILINE},
  };
  const int small_edits[] = {4025, 4027, 4029, 4033, 4031, 4035,
                             4037, 4039, 4041, 4043, 4045, 4047};
  const int small_labels[] = {4026, 4028, 4099, 4032, 4034, 4036,
                              4038, 4040, 4042, 4044, 4046, 4048};
  const char* label_texts[] = {"MaxWpm",    "MinWpm", "CmdWpm",  "CurWpm", "Ratio", "KeyComp",
                               "PdlSample", "Weight", "Lead In", "Tail",   "Farns", "LtrSpc"};
  for (int k = 0; k < 12; ++k) {
    controls.push_back({small_edits[k], Kind::edit, 300, 16 + 12 * k, 20, 12, nullptr});
    // The labels' size is free; they stand to the right of their boxes.
    controls.push_back({small_labels[k], Kind::text, 324, -1, -1, -1, label_texts[k]});
  }
  const struct {
    int id, y;
    const char* caption;
  } checks[] = {{4014, 16, "Swap"},     {4015, 28, "AutoSpace"},   {4016, 40, "CTspace"},
                {4017, 52, "Cut 0"},    {4018, 64, "Cut 9"},       {4019, 76, "PdlToneOnly"},
                {4020, 88, "PdlWDoff"}, {4021, 100, "PaddleMute"}, {4022, 112, "FastCmd"},
                {4023, 124, "Tune50%"}, {4024, 136, "SO2R"}};
  for (const auto& check : checks) {
    controls.push_back({check.id, Kind::check, 240, check.y, 56, 8, check.caption});
  }
  const char* message_labels[] = {"Msg 1", "Msg 2", "Msg 3", "Msg 4",  "Msg 5",  "Msg 6",
                                  "Msg 7", "Msg 8", "Msg 9", "Msg 10", "Msg 11", "Msg 12"};
  for (int k = 0; k < 6; ++k) {
    controls.push_back(
        {4001 + k, Kind::edit, 12, 16 + 36 * k, 164, 32, "", MESSAGE_BOX_STYLE, ES_WANTRETURN});
    controls.push_back({4080 + k, Kind::edit, 12, 16 + 36 * k, 164, 32, "", MESSAGE_BOX_STYLE,
                        ES_WANTRETURN | WS_VISIBLE});
    controls.push_back({4062 + k, Kind::text, 184, 28 + 36 * k, 36, 12, message_labels[k]});
    controls.push_back(
        {4086 + k, Kind::text, 184, 28 + 36 * k, 36, 12, message_labels[k + 6], 0, WS_VISIBLE});
  }
  return controls;
}

// Where the dialog manager puts a control: it maps x, y, width and height each on its own,
// rounding each, so the far edges are not where the mapped sum of position and size would be.
RECT dialog_manager_rect(HWND dialog, int x, int y, int width, int height) {
  RECT mapped = {x, y, width, height};
  MapDialogRect(dialog, &mapped);
  return {mapped.left, mapped.top, mapped.left + mapped.right, mapped.top + mapped.bottom};
}

bool has_kind(HWND control, Kind kind) {
  char class_name[64] = {};
  GetClassNameA(control, class_name, sizeof class_name);
  LONG style = GetWindowLongA(control, GWL_STYLE);
  switch (kind) {
    case Kind::group:
      return lstrcmpiA(class_name, "Button") == 0 && (style & BS_TYPEMASK) == BS_GROUPBOX;
    case Kind::push:
      return lstrcmpiA(class_name, "Button") == 0 && (style & BS_TYPEMASK) == BS_PUSHBUTTON;
    // Set by the program: neither the radio buttons nor the check boxes change on their own.
    case Kind::radio:
      return lstrcmpiA(class_name, "Button") == 0 && (style & BS_TYPEMASK) == BS_RADIOBUTTON;
    case Kind::check:
      return lstrcmpiA(class_name, "Button") == 0 && (style & BS_TYPEMASK) == BS_CHECKBOX;
    // With a border: the dialog turns WS_BORDER into a sunken client edge.
    case Kind::edit:
      return lstrcmpiA(class_name, "Edit") == 0 &&
             ((style & WS_BORDER) != 0 ||
              (GetWindowLongA(control, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) != 0);
    case Kind::text:
      return lstrcmpiA(class_name, "Static") == 0;
    // Drop-down with an editable field, in the order the items are added.
    case Kind::combo:
      return lstrcmpiA(class_name, "ComboBox") == 0 && (style & 3) == CBS_DROPDOWN &&
             (style & CBS_SORT) == 0;
  }
  return false;
}

TEST_F(MainDialogTest, WindowHasItsClassTitleAndSize) {
  char class_name[64] = {};
  GetClassNameA(dialog, class_name, sizeof class_name);
  EXPECT_STREQ(class_name, "OstreltoolsClass");
  EXPECT_NE(GetClassLongPtrA(dialog, GCLP_HICON), 0) << "the class carries the application's icon";
  EXPECT_EQ(window_text(dialog), "Ostrel 3 Tools Utility " OSTREL_VERSION);
  RECT expected = {0, 0, 374, 330};
  MapDialogRect(dialog, &expected);
  RECT client;
  GetClientRect(dialog, &client);
  EXPECT_EQ(client.right, expected.right);
  EXPECT_EQ(client.bottom, expected.bottom);
}

TEST_F(MainDialogTest, EveryControlIsWhereAndWhatTheWindowNeeds) {
  for (const ExpectedControl& want : main_window_controls()) {
    SCOPED_TRACE("control " + std::to_string(want.id));
    HWND control = item(want.id);
    ASSERT_NE(control, nullptr);
    EXPECT_TRUE(has_kind(control, want.kind));
    LONG control_style = style(want.id);
    EXPECT_EQ(control_style & want.style_on, want.style_on);
    EXPECT_EQ(control_style & want.style_off, 0);
    if (want.caption != nullptr) {
      EXPECT_EQ(window_text(control), want.caption);
    }

    RECT expected = dialog_manager_rect(dialog, want.x, want.y, want.width, want.height);
    RECT actual;
    GetWindowRect(control, &actual);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&actual), 2);
    EXPECT_EQ(actual.left, expected.left);
    if (want.y < 0) continue;
    EXPECT_EQ(actual.top, expected.top);
    EXPECT_EQ(actual.right, expected.right);
    // A closed combo box is as high as its field; the template gives its list's height.
    if (want.kind != Kind::combo) {
      EXPECT_EQ(actual.bottom, expected.bottom);
    }
  }
}

TEST_F(MainDialogTest, ControlsAdapterReadsWhatTheWindowHolds) {
  HwndControls controls(dialog);

  controls.set_text(IDC_MSG1, std::string(300, 'E'));
  EXPECT_EQ(controls.get_text(IDC_MSG1), std::string(249, 'E'));
  EXPECT_EQ(controls.get_text(IDC_MSG1, 5), "EEEEE");
  EXPECT_EQ(controls.get_text(IDC_MSG1, 0), "");
  controls.set_text(IDC_FILE_NAME, "File Name: keyer.eep");
  EXPECT_EQ(controls.get_text(IDC_FILE_NAME, 255), "File Name: keyer.eep");

  const struct {
    const char* text;
    unsigned value;
  } numbers[] = {{"", 0}, {"42", 42}, {"abc", 0}, {"4294967295", 4294967295u}, {"0", 0}};
  for (const auto& number : numbers) {
    controls.set_text(IDC_WEIGHT, number.text);
    EXPECT_EQ(controls.get_uint(IDC_WEIGHT), number.value) << '"' << number.text << '"';
  }
  controls.set_uint(IDC_SIDETONE_FREQ, 4166);
  EXPECT_EQ(controls.get_text(IDC_SIDETONE_FREQ), "4166");

  controls.combo_reset(IDC_PADDLE_HANG);
  EXPECT_EQ(controls.combo_selection(IDC_PADDLE_HANG), -1);
  for (const char* entry : {"2.0 Word", "1.0 Word", "1.6 Word"}) {
    controls.combo_add(IDC_PADDLE_HANG, entry);
  }
  controls.combo_select(IDC_PADDLE_HANG, 1);
  EXPECT_EQ(controls.combo_selection(IDC_PADDLE_HANG), 1);
  EXPECT_EQ(window_text(item(IDC_PADDLE_HANG)), "1.0 Word") << "unsorted: position 1 as added";
  controls.combo_select(IDC_PADDLE_HANG, -1);
  EXPECT_EQ(controls.combo_selection(IDC_PADDLE_HANG), -1);

  for (bool checked : {true, false, true}) {
    controls.set_check(IDC_SWAP, checked);
    EXPECT_EQ(controls.get_check(IDC_SWAP), checked);
  }

  controls.show(IDC_CALLSIGN_USER2, true);
  controls.show(IDC_CALLSIGN_USER1, false);
  EXPECT_NE(style(IDC_CALLSIGN_USER2) & WS_VISIBLE, 0);
  EXPECT_EQ(style(IDC_CALLSIGN_USER1) & WS_VISIBLE, 0);
  controls.enable(IDC_TEST, false);
  EXPECT_FALSE(IsWindowEnabled(item(IDC_TEST)));
  controls.enable(IDC_TEST, true);
  EXPECT_TRUE(IsWindowEnabled(item(IDC_TEST)));

  // A button disabled while it has the focus gets it back once enabled, wherever the dialog put it
  // meanwhile (an "Error" box gives it to the first box when it closes).
  ShowWindow(dialog, SW_SHOW);
  SetForegroundWindow(dialog);
  for (const bool box_in_between : {false, true}) {
    SetFocus(item(IDC_READ));
    controls.enable(IDC_READ, false);
    if (box_in_between) SetFocus(item(IDC_MSG1));
    controls.enable(IDC_READ, true);
    EXPECT_EQ(GetFocus(), item(IDC_READ)) << box_in_between;
  }
}

// The page's boxes take as much as these (web/box_edit.cpp): the window sets no limit, so each
// box has the edit control's own.
TEST_F(MainDialogTest, EveryBoxTakesTheEditControlsDefaultLimit) {
  int boxes = 0;
  for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    char class_name[16] = {};
    GetClassNameA(child, class_name, sizeof class_name);
    if (lstrcmpiA(class_name, "Edit") != 0) continue;
    ++boxes;
    EXPECT_EQ(SendMessageA(child, EM_GETLIMITTEXT, 0, 0), static_cast<LRESULT>(EDIT_TEXT_LIMIT))
        << "box " << GetDlgCtrlID(child);
  }
  EXPECT_EQ(boxes, 28);
}

TEST_F(MainDialogTest, TypedCharactersPassTheMessageFilter) {
  type(IDC_MSG1, 'c');
  type(IDC_MSG1, '#');
  type(IDC_MSG1, 'q');
  EXPECT_EQ(window_text(item(IDC_MSG1)), "CQ");

  // 239 bytes in a visible box: one more fits, in any box, hidden ones too; then only backspace.
  SetWindowTextA(item(IDC_MSG1), std::string(239, 'E').c_str());
  type(IDC_CALLSIGN_USER2, 'k');
  EXPECT_EQ(window_text(item(IDC_CALLSIGN_USER2)), "K");
  type(IDC_MSG7, 'e');
  type(IDC_CALLSIGN_USER1, 'e');
  EXPECT_EQ(window_text(item(IDC_MSG7)), "");
  EXPECT_EQ(window_text(item(IDC_CALLSIGN_USER1)), "");
  caret_to_end(IDC_MSG1);
  type(IDC_MSG1, '\b');
  EXPECT_EQ(window_text(item(IDC_MSG1)), std::string(238, 'E'));

  pump_messages(600);
  EXPECT_EQ(window_text(item(IDC_MSG_BYTES_LEFT)), "Msg Bytes Left: 1");
}

TEST_F(MainDialogTest, InitialisationFillsTheWindow) {
  HwndControls controls(dialog);
  EXPECT_TRUE(controls.get_check(IDC_MESSAGE_BANK1));
  EXPECT_TRUE(controls.get_check(IDC_USER1));
  EXPECT_EQ(SendMessageA(item(IDC_KEYER_MODE), CB_GETCOUNT, 0, 0), 6);
  EXPECT_EQ(SendMessageA(item(IDC_OUTPUT_CONFIG), CB_GETCOUNT, 0, 0), 8);
  EXPECT_EQ(window_text(item(IDC_MSG_BYTES_LEFT)), "Msg Bytes Left:") << "before the first tick";
  pump_messages(600);
  EXPECT_EQ(window_text(item(IDC_MSG_BYTES_LEFT)), "Msg Bytes Left: 240");
}

// IAccessible, which MinGW's import libraries may not define.
constexpr IID ACCESSIBLE_INTERFACE = {
    0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

// The name a screen reader gets for the control, as it asks for it.
std::string accessible_name(HWND control) {
  IAccessible* accessible = nullptr;
  if (FAILED(AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT),
                                        ACCESSIBLE_INTERFACE,
                                        reinterpret_cast<void**>(&accessible)))) {
    return "(no accessible object)";
  }
  VARIANT self;
  VariantInit(&self);
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  BSTR name = nullptr;
  std::string text;
  if (SUCCEEDED(accessible->get_accName(self, &name)) && name != nullptr) {
    char buffer[256] = {};
    WideCharToMultiByte(CP_ACP, 0, name, -1, buffer, sizeof buffer - 1, nullptr, nullptr);
    text = buffer;
    SysFreeString(name);
  }
  accessible->Release();
  return text;
}

// The static text that Windows' oleacc names a control by: the nearest static before it among
// its siblings, past hidden controls, up to a shown one that takes the focus. Wine's oleacc names
// only edit boxes so; a list it names by its text, so the lists are checked against this walk.
std::string caption_before(HWND control) {
  for (HWND before = GetWindow(control, GW_HWNDPREV); before != nullptr;
       before = GetWindow(before, GW_HWNDPREV)) {
    const LONG style = GetWindowLongA(before, GWL_STYLE);
    if (SendMessageA(before, WM_GETDLGCODE, 0, 0) & DLGC_STATIC) return window_text(before);
    if ((style & WS_VISIBLE) != 0 && (style & (WS_GROUP | WS_TABSTOP)) != 0) break;
  }
  return "(none)";
}

// Every edit box and list is announced by its own caption, each while it is shown.
TEST_F(MainDialogTest, AScreenReaderNamesEachBoxAndListByItsCaption) {
  ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
  struct Named {
    int id;
    std::string caption;
  };
  std::vector<Named> named = {{IDC_SERIAL_NUMBER, "S/N"}};
  for (const SettingField& field : SETTING_FIELDS) {
    if (field.kind != FieldKind::check) named.push_back({field.control_id, field.caption});
  }
  const char* messages[] = {"Msg 1", "Msg 2", "Msg 3", "Msg 4",  "Msg 5",  "Msg 6",
                            "Msg 7", "Msg 8", "Msg 9", "Msg 10", "Msg 11", "Msg 12"};
  for (int slot = 0; slot < 12; ++slot) named.push_back({MESSAGE_BOX_IDS[slot], messages[slot]});
  HwndControls controls(dialog);
  for (const Named& control : named) {
    HWND box = item(control.id);
    const bool list = has_kind(box, Kind::combo);
    EXPECT_EQ(list ? caption_before(box) : accessible_name(box), control.caption) << control.id;
    // The second bank's boxes are asked again once they are shown.
    if (control.id == IDC_MSG12) show_message_bank(controls, 2);
  }
  for (const bool user2 : {false, true}) {
    controls.show(IDC_CALLSIGN_USER1, !user2);
    controls.show(IDC_CALLSIGN_USER2, user2);
    const int shown = user2 ? IDC_CALLSIGN_USER2 : IDC_CALLSIGN_USER1;
    EXPECT_EQ(accessible_name(item(shown)), "User Callsign") << shown;
  }

  // The uploader's text area, by the path of the file whose data it lists.
  HWND uploader = CreateDialogParamA(
      GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_UPLOADER), nullptr,
      [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
  ASSERT_NE(uploader, nullptr);
  SetDlgItemTextA(uploader, IDC_UPLOADER_PATH, "C:\\firmware\\dip.hex");
  EXPECT_EQ(accessible_name(GetDlgItem(uploader, IDC_UPLOADER_LOG)), "C:\\firmware\\dip.hex");
  DestroyWindow(uploader);
  CoUninitialize();
}

// Tab reaches every button, check box, radio button group, edit box and list.
TEST_F(MainDialogTest, TabReachesEveryControlThatTakesInput) {
  for (HWND control = GetWindow(dialog, GW_CHILD); control != nullptr;
       control = GetWindow(control, GW_HWNDNEXT)) {
    if (has_kind(control, Kind::text) || has_kind(control, Kind::group)) continue;
    EXPECT_NE(GetWindowLongA(control, GWL_STYLE) & WS_TABSTOP, 0) << GetDlgCtrlID(control);
  }
}

constexpr DWORD LIVE_REGION_CHANGED = 0x8019;  // EVENT_OBJECT_LIVEREGIONCHANGED, Windows 8
std::vector<HWND> live_region_events;
void CALLBACK on_live_region_changed(HWINEVENTHOOK, DWORD, HWND control, LONG object, LONG child,
                                     DWORD, DWORD) {
  if (object == OBJID_CLIENT && child == CHILDID_SELF) live_region_events.push_back(control);
}

// A result that appears is told to a screen reader: the window says its live region changed.
TEST_F(MainDialogTest, ResultsAreToldToAScreenReaderAsTheyAppear) {
  live_region_events.clear();
  HWINEVENTHOOK hook =
      SetWinEventHook(LIVE_REGION_CHANGED, LIVE_REGION_CHANGED, nullptr, on_live_region_changed,
                      GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
  ASSERT_NE(hook, nullptr);
  HwndControls controls(dialog);
  controls.set_text(IDC_STATUS_LINE, ">Ostrel OK");
  controls.set_text(IDC_FILE_NAME, "File Name: keyer.eep");  // not a result
  controls.set_text(IDC_STATUS_LINE, "");                    // cleared: nothing to say
  controls.set_text(IDC_STATUS_FIELD, "Ostrel F/W revision 31.04");
  pump_messages(300);
  UnhookWinEvent(hook);
  EXPECT_EQ(live_region_events, (std::vector<HWND>{item(IDC_STATUS_LINE), item(IDC_STATUS_FIELD)}));
}

TEST_F(MainDialogTest, ExitEndsTheProgram) {
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_EXIT, BN_CLICKED), 0);
  MSG message;
  EXPECT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

}  // namespace
