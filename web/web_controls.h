#pragma once

#include <functional>
#include <string>

#include "platform/dialog_controls.h"
#include "web/ui_model.h"

// One dialog's controls as the page shows them: the window logic writes and reads them here, as
// it does an HWND's, and every change reaches the pages at once through the model. The "Error"
// box blocks its caller, as MessageBoxA does, in the loop that `error_box` is given.
class WebControls : public DialogControls {
 public:
  WebControls(UiModel& model, int dialog_id, std::function<void(const std::string&)> error_box)
      : model_(model), dialog_id_(dialog_id), error_box_(std::move(error_box)) {}

  int dialog_id() const { return dialog_id_; }

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
  ControlState state(int id) const;

  UiModel& model_;
  int dialog_id_;
  std::function<void(const std::string&)> error_box_;
};
