#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/dialog_controls.h"

// Dialog controls held in memory. It keeps every control's text, check mark, list, selection,
// visibility, enabled state and progress, plus every "Error" box shown and every enable/disable
// call, in order. Tests drive the portable logic through it; the command-line tool uses it to
// collect the texts that the window would show.
class RecordingControls : public DialogControls {
 public:
  struct Control {
    std::string text;
    bool checked = false;
    std::vector<std::string> items;
    int selection = -1;
    bool visible = true;
    bool enabled = true;
    int progress = 0;
    bool live = false;  // mark_live: its texts are told to a screen reader
  };

  void set_text(int id, const std::string& text) override;
  std::string get_text(int id, int max_chars = 249) override;
  void set_uint(int id, unsigned value) override;
  unsigned get_uint(int id) override;
  void set_check(int id, bool checked) override;
  bool get_check(int id) override;
  void combo_reset(int id) override;
  void combo_add(int id, const std::string& text) override;
  void combo_select(int id, int position) override;
  int combo_selection(int id) override;
  void show(int id, bool visible) override;
  void enable(int id, bool enabled) override;
  void set_progress(int id, int position) override;
  void mark_live(int id) override;
  void error_box(const std::string& text) override;

  // Plain access for tests: the control's record (created empty when first named).
  Control& control(int id) { return controls[id]; }
  const std::string& text(int id) { return controls[id].text; }

  std::map<int, Control> controls;
  std::vector<std::string> error_boxes;          // texts of the "Error" boxes, in order
  std::vector<std::pair<int, bool>> enable_log;  // (id, enabled) of every enable call, in order
  std::vector<std::pair<int, std::string>> text_log;  // (id, text) of every set_text, in order
  std::vector<std::pair<int, std::string>> spoken;    // (id, text) told to a screen reader
};
