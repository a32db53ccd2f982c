#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/link_setup.h"
#include "platform/file_chooser.h"
#include "settings/main_window.h"
#include "web/ui_events.h"
#include "web/ui_model.h"
#include "web/web_controls.h"

// A settings file saved from the page, kept for the page to download.
struct Download {
  std::string name;
  std::string bytes;
};

// The saved files, by number, for GET /download/N. Only the most recent few are kept.
class DownloadShelf {
 public:
  int put(Download download);
  std::optional<Download> get(int number) const;

 private:
  mutable std::mutex mutex_;
  std::map<int, Download> downloads_;
  int last_ = 0;
};

struct UiSessionSetup {
  std::string private_folder;  // mode 0700: the files picked in the page and the files saved
  std::string os_name;         // for Help
  std::string exe_path;
  LinkOptions link;                      // the link as set up; "Set Com Port" changes it
  std::string config_path;               // where the port chosen is remembered
  std::function<bool()> stop_requested;  // Ctrl-C
  std::ostream* err = nullptr;
};

// The ui thread: the one thread that runs the window's logic and every keyer operation, as the
// window's own thread does. Pages only queue events; this takes them one at a time, ticks the
// main window every 250 ms and the uploader every 100 ms while it uploads, and runs a nested loop
// for each modal thing (a dialog, the "Error" box, the save prompt) that takes only the events
// meant for it, as a modal loop of Win32 does.
class UiSession final : public MainWindowHost, public FileChooser {
 public:
  UiSession(UiModel& model, UiEventQueue& queue, DownloadShelf& downloads, UiSessionSetup setup);

  // Runs the main window until Exit, its close box or a stop request.
  void run();

  void run_uploader_dialog() override;
  void run_comm_port_setup_dialog() override;
  void run_help_dialog() override;
  void quit() override { quit_ = true; }
  void end_dialog(int) override { quit_ = true; }
  std::string port_label() override;

  std::optional<std::string> choose(const FileRequest& request) override;

 private:
  using Clock = std::chrono::steady_clock;

  bool ended();
  void pump(const std::function<bool()>& done);
  void run_timers(Clock::time_point now);
  bool accepts(const UiEvent& event) const;
  void handle(const UiEvent& event);
  void on_main_window(const UiEvent& event);
  void on_uploader(const UiEvent& event);
  void on_port_setup(const UiEvent& event);
  void use_port(const std::string& port);
  void run_dialog(int dialog_id, const std::function<void()>& init);
  void show_error_box(const std::string& text);
  void take_picked_file(const UiEvent& event);
  void drop_picked_file();
  void hand_over_download(const std::string& client);

  UiModel& model_;
  UiEventQueue& queue_;
  DownloadShelf& downloads_;
  UiSessionSetup setup_;
  WebControls main_;
  WebControls uploader_;
  WebControls port_setup_;
  WebControls help_;

  bool quit_ = false;
  bool dialog_closed_ = false;
  bool alert_done_ = false;
  bool save_answered_ = false;
  std::optional<std::string> save_name_;
  std::string save_client_;                 // the page that answered the save prompt
  std::optional<std::string> picked_path_;  // the answer to the next open choice
  std::string picked_file_;                 // the copy of the picked file, removed after use
  std::optional<std::string> saved_path_;   // where the last save went, for its download
  std::vector<std::string> port_choices_;
  bool upload_timer_ = false;
  bool stop_deferred_ = false;
  Clock::time_point next_main_tick_;
  Clock::time_point next_upload_tick_;
};
