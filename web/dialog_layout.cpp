#include "web/dialog_layout.h"

const LayoutDialog* find_dialog_layout(int dialog_id) {
  for (const LayoutDialog& dialog : dialog_layouts()) {
    if (dialog.id == dialog_id) return &dialog;
  }
  return nullptr;
}

const LayoutControl* find_control_layout(const LayoutDialog& dialog, int control_id) {
  for (const LayoutControl& control : dialog.controls) {
    if (control.id == control_id) return &control;
  }
  return nullptr;
}

namespace {
bool in_name_list(const char* names, const std::string& name) {
  return (" " + std::string(names)).find(" " + name + " ") != std::string::npos;
}
}  // namespace

bool has_style(const LayoutControl& control, const std::string& name) {
  return in_name_list(control.styles, name);
}

bool starts_hidden(const LayoutControl& control) {
  return in_name_list(control.not_styles, "WS_VISIBLE");
}

bool starts_disabled(const LayoutControl& control) {
  return has_style(control, "WS_DISABLED");
}

namespace {
// WS_TABSTOP or WS_GROUP, as given or as the control's statement gives them.
bool stops_the_walk(const LayoutControl& control) {
  const std::string kind = control.kind;
  const bool focusable_kind =
      kind == "edit" || kind == "combo" || kind == "button" || kind == "check" || kind == "radio";
  return (focusable_kind && !in_name_list(control.not_styles, "WS_TABSTOP")) ||
         has_style(control, "WS_TABSTOP") || has_style(control, "WS_GROUP");
}

// Controls in the very same place are shown one at a time (the two callsign boxes), so when one
// is shown the other is hidden.
bool same_place(const LayoutControl& a, const LayoutControl& b) {
  return a.x == b.x && a.y == b.y && a.w == b.w && a.h == b.h;
}
}  // namespace

const LayoutControl* caption_of(const LayoutDialog& dialog, const LayoutControl& control) {
  const LayoutControl* first = dialog.controls.data();
  if (&control < first || &control >= first + dialog.controls.size()) return nullptr;
  for (const LayoutControl* before = &control; before != first;) {
    --before;
    const std::string kind = before->kind;
    // A hidden static still names: that is how a window names a box without showing a caption.
    if (kind == "static" || kind == "groupbox") return before;
    const bool hidden = starts_hidden(*before) || same_place(*before, control);
    if (!hidden && stops_the_walk(*before)) return nullptr;
  }
  return nullptr;
}
