#pragma once

#include <cstddef>
#include <string>

// What an edit box takes from its user, in characters (a line break's CR LF counts two), when the
// window sets no limit of its own, as it does not: the edit control's default, as EM_GETLIMITTEXT
// reports it. Text the program puts into a box is not held to it.
inline constexpr size_t EDIT_TEXT_LIMIT = 30000;

// What the portable logic needs of a dialog window: its controls, addressed by their IDs
// (resources/control_ids.h), and the "Error" message box. Implemented over an HWND on Windows
// (platform/hwnd_controls_win32.cpp) and by RecordingControls for tests and the command line.
class DialogControls {
 public:
  virtual ~DialogControls() = default;

  virtual void set_text(int id, const std::string& text) = 0;
  // At most max_chars characters of the control's text (GetDlgItemTextA with a buffer of
  // max_chars + 1).
  virtual std::string get_text(int id, int max_chars = 249) = 0;

  // SetDlgItemInt / GetDlgItemInt, unsigned. get_uint reads empty text, text that is not an
  // unsigned decimal number and numbers above 4294967295 as 0 (see parse_dialog_uint).
  virtual void set_uint(int id, unsigned value) = 0;
  virtual unsigned get_uint(int id) = 0;

  virtual void set_check(int id, bool checked) = 0;
  virtual bool get_check(int id) = 0;

  virtual void combo_reset(int id) = 0;
  virtual void combo_add(int id, const std::string& text) = 0;
  virtual void combo_select(int id, int position) = 0;  // -1 selects nothing
  virtual int combo_selection(int id) = 0;              // -1 when nothing is selected

  virtual void show(int id, bool visible) = 0;
  virtual void enable(int id, bool enabled) = 0;

  // Progress bar position (PBM_SETPOS).
  virtual void set_progress(int id, int position) = 0;

  // The control shows results as they come (a status line): from now on each text put into it is
  // told to a screen reader, politely, after what it is saying. An empty text is not told.
  virtual void mark_live(int id) = 0;

  // Modal box owned by this window, title "Error", OK button only.
  virtual void error_box(const std::string& text) = 0;
};

// The reading rule of GetDlgItemInt (unsigned, no success flag): leading and trailing blanks are
// allowed around the digits; anything else, an empty text or a value above 4294967295 gives 0.
unsigned parse_dialog_uint(const std::string& text);
