#include "web/web_controls.h"

ControlState WebControls::state(int id) const {
  // A control the template does not have reads as empty, as GetDlgItem's null does.
  return model_.control(dialog_id_, id).value_or(ControlState{});
}

void WebControls::set_text(int id, const std::string& text) {
  model_.change_control(dialog_id_, id, [&](ControlState& s) { s.text = text; });
}

std::string WebControls::get_text(int id, int max_chars) {
  if (max_chars < 0) max_chars = 0;
  return state(id).text.substr(0, static_cast<size_t>(max_chars));
}

void WebControls::set_uint(int id, unsigned value) {
  set_text(id, std::to_string(value));
}

unsigned WebControls::get_uint(int id) {
  return parse_dialog_uint(state(id).text);
}

void WebControls::set_check(int id, bool checked) {
  model_.change_control(dialog_id_, id, [&](ControlState& s) { s.checked = checked; });
}

bool WebControls::get_check(int id) {
  return state(id).checked;
}

void WebControls::combo_reset(int id) {
  model_.change_control(dialog_id_, id, [](ControlState& s) {
    s.items.clear();
    s.selection = -1;
  });
}

void WebControls::combo_add(int id, const std::string& text) {
  model_.change_control(dialog_id_, id, [&](ControlState& s) { s.items.push_back(text); });
}

void WebControls::combo_select(int id, int position) {
  model_.change_control(dialog_id_, id, [&](ControlState& s) {
    // Like CB_SETCURSEL: a position outside the list selects nothing.
    s.selection = position >= 0 && position < static_cast<int>(s.items.size()) ? position : -1;
  });
}

int WebControls::combo_selection(int id) {
  return state(id).selection;
}

void WebControls::show(int id, bool visible) {
  model_.change_control(dialog_id_, id, [&](ControlState& s) { s.visible = visible; });
}

void WebControls::enable(int id, bool enabled) {
  model_.change_control(dialog_id_, id, [&](ControlState& s) { s.enabled = enabled; });
}

void WebControls::set_progress(int id, int position) {
  // The bar's range is the control's default, 0 to 100.
  const int clamped = position < 0 ? 0 : position > 100 ? 100 : position;
  model_.change_control(dialog_id_, id, [&](ControlState& s) { s.progress = clamped; });
}

void WebControls::mark_live(int id) {
  // The page makes the control a polite live region; the browser tells its changes.
  model_.change_control(dialog_id_, id, [](ControlState& s) { s.live = true; });
}

void WebControls::error_box(const std::string& text) {
  error_box_(text);
}
