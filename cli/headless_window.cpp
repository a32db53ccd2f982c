#include "cli/headless_window.h"

#include <optional>

#include "settings/main_window.h"

namespace {
// The window's dialogs and its file dialogs are never opened from the command line.
class NoDialogs : public MainWindowHost, public FileChooser {
 public:
  void run_uploader_dialog() override {}
  void run_comm_port_setup_dialog() override {}
  void run_help_dialog() override {}
  void quit() override {}
  void end_dialog(int) override {}
  std::optional<std::string> choose(const FileRequest&) override { return std::nullopt; }
};

struct HeadlessWindow {
  RecordingControls controls;
  NoDialogs dialogs;
};
HeadlessWindow headless_window;
}  // namespace

RecordingControls& headless_window_start() {
  headless_window = HeadlessWindow{};
  main_window_init(headless_window.controls, headless_window.dialogs, headless_window.dialogs);
  return headless_window.controls;
}
