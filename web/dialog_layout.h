#pragma once

#include <cstddef>
#include <span>
#include <string>

// The dialog templates as the page draws them and the server checks events against them,
// generated at build time from resources/*.rc (see rc_template.h and generate_layouts_main.cpp).

struct LayoutControl {
  const char* kind;  // groupbox, edit, static, radio, check, button, combo, progress
  int id;
  const char* text;
  int x, y, w, h;          // dialog units
  const char* styles;      // the style names given, each followed by a space
  const char* not_styles;  // the names given with NOT, the same way
  const char* align;       // static texts: left, center, right
  bool default_button;
};

struct LayoutDialog {
  int id;  // 1001 ...
  const char* caption;
  const char* font_face;
  int font_size;
  int w, h;
  std::span<const LayoutControl> controls;
};

// Every dialog of the templates, in the order of the files read.
std::span<const LayoutDialog> dialog_layouts();

const LayoutDialog* find_dialog_layout(int dialog_id);
const LayoutControl* find_control_layout(const LayoutDialog& dialog, int control_id);

bool has_style(const LayoutControl& control, const std::string& name);
// NOT WS_VISIBLE: the control starts hidden.
bool starts_hidden(const LayoutControl& control);
// WS_DISABLED: the control starts disabled.
bool starts_disabled(const LayoutControl& control);

// The static text that names a control that has no caption of its own (an edit box, a list, a
// progress bar), found as Windows finds it for a screen reader: walking back through the controls
// before it in the template, past hidden ones and ones that take no focus, to the first static
// text (a group box counts as one), and giving up at a visible control that takes the focus.
// Null when there is none: the window's title then names it.
const LayoutControl* caption_of(const LayoutDialog& dialog, const LayoutControl& control);
