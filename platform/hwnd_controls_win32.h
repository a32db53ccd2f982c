#pragma once

#include <windows.h>

#include "platform/dialog_controls.h"

// The dialog-controls seam over a real dialog window.
class HwndControls : public DialogControls {
 public:
  explicit HwndControls(HWND dialog) : dialog_(dialog) {}
  HWND hwnd() const { return dialog_; }

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

 private:
  HWND dialog_;
};
