#include "platform/recording_controls.h"

void RecordingControls::set_text(int id, const std::string& text) {
  controls[id].text = text;
  text_log.emplace_back(id, text);
  if (controls[id].live && !text.empty()) spoken.emplace_back(id, text);
}

std::string RecordingControls::get_text(int id, int max_chars) {
  const std::string& text = controls[id].text;
  if (max_chars < 0) max_chars = 0;
  return text.substr(0, static_cast<size_t>(max_chars));
}

void RecordingControls::set_uint(int id, unsigned value) { set_text(id, std::to_string(value)); }

unsigned RecordingControls::get_uint(int id) { return parse_dialog_uint(controls[id].text); }

void RecordingControls::set_check(int id, bool checked) { controls[id].checked = checked; }

bool RecordingControls::get_check(int id) { return controls[id].checked; }

void RecordingControls::combo_reset(int id) {
  controls[id].items.clear();
  controls[id].selection = -1;
}

void RecordingControls::combo_add(int id, const std::string& text) {
  controls[id].items.push_back(text);
}

void RecordingControls::combo_select(int id, int position) {
  Control& c = controls[id];
  // Like CB_SETCURSEL: a position outside the list selects nothing.
  c.selection = (position >= 0 && position < static_cast<int>(c.items.size())) ? position : -1;
}

int RecordingControls::combo_selection(int id) { return controls[id].selection; }

void RecordingControls::show(int id, bool visible) { controls[id].visible = visible; }

void RecordingControls::enable(int id, bool enabled) {
  controls[id].enabled = enabled;
  enable_log.emplace_back(id, enabled);
}

void RecordingControls::set_progress(int id, int position) { controls[id].progress = position; }

void RecordingControls::mark_live(int id) { controls[id].live = true; }

void RecordingControls::error_box(const std::string& text) { error_boxes.push_back(text); }
