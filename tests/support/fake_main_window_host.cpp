#include "tests/support/fake_main_window_host.h"

namespace {
void run_if_set(const std::function<void()>& action) {
  if (action) action();
}
}  // namespace

void FakeMainWindowHost::run_uploader_dialog() {
  calls.push_back("uploader");
  run_if_set(while_uploader_open);
}

void FakeMainWindowHost::run_comm_port_setup_dialog() {
  calls.push_back("comm_port_setup");
  run_if_set(while_comm_port_setup_open);
}

void FakeMainWindowHost::run_help_dialog() {
  calls.push_back("help");
}

void FakeMainWindowHost::quit() {
  calls.push_back("quit");
}

void FakeMainWindowHost::end_dialog(int result) {
  calls.push_back("end_dialog " + std::to_string(result));
}

void ReentrantControls::error_box(const std::string& text) {
  RecordingControls::error_box(text);
  // Only once: what runs here may show a box of its own.
  std::function<void()> action = std::move(while_error_box_open);
  while_error_box_open = nullptr;
  run_if_set(action);
}
