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
