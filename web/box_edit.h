#pragma once

#include <cstddef>
#include <string>

#include "platform/dialog_controls.h"
#include "web/dialog_layout.h"

// Typing into an edit box of the page. The page sends what the user did to the box (the range
// replaced and the characters typed or pasted), and the box takes them here one character at a
// time, as the window's box takes WM_CHAR: each through the message input filter when the box is
// one of the fourteen message boxes, upper case for ES_UPPERCASE, digits only for ES_NUMBER, a
// line break as CR LF in a multi-line box, and none past the edit control's limit
// (EDIT_TEXT_LIMIT). Deletions always pass, as Backspace and Delete do. The box is read and
// written once, so that an edit takes time in proportion to its length and the box's.
//
// Places are counted as the page counts them: a line break (CR LF in the box) is one place.
struct BoxEdit {
  size_t start = 0;
  size_t end = 0;
  std::string insert;  // UTF-8 as the page sends it; characters above 127 are refused
};

// Applies the edit to the box and returns where the caret goes, as the page counts.
size_t apply_box_edit(DialogControls& window, const LayoutControl& box, bool filtered,
                      const BoxEdit& edit);
