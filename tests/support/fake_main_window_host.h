#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/recording_controls.h"
#include "settings/main_window.h"

// Records what the main window asked of its host, in order ("uploader", "comm_port_setup",
// "help", "quit", "end_dialog 0"). A test can give a dialog something to do while it is open.
class FakeMainWindowHost : public MainWindowHost {
 public:
  void run_uploader_dialog() override;
  void run_comm_port_setup_dialog() override;
  void run_help_dialog() override;
  void quit() override;
  void end_dialog(int result) override;

  std::vector<std::string> calls;
  std::function<void()> while_uploader_open;
  std::function<void()> while_comm_port_setup_open;
};

// Recording controls whose "Error" box can run something while it is up, as a modal box lets
// timer ticks and other messages of the window through.
class ReentrantControls : public RecordingControls {
 public:
  void error_box(const std::string& text) override;

  std::function<void()> while_error_box_open;
};
