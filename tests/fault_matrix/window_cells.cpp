#include "tests/fault_matrix/window_cells.h"

#include <atomic>
#include <chrono>
#include <optional>
#include <thread>

#include "firmware/uploader_dialog.h"
#include "link/link.h"
#include "messages/message_codec.h"
#include "messages/message_editor.h"
#include "platform/pause.h"
#include "platform/recording_controls.h"
#include "resources/control_ids.h"
#include "settings/main_window.h"
#include "settings/settings_panel.h"

namespace {

using Clock = std::chrono::steady_clock;

// The protocol's fixed pauses, slept as usual and added up, for the time bound.
std::atomic<long> paused_ms{0};
void sleep_and_count(int milliseconds) {
  paused_ms += milliseconds;
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

class NoDialogs : public MainWindowHost {
 public:
  void run_uploader_dialog() override {}
  void run_comm_port_setup_dialog() override {}
  void run_help_dialog() override {}
  void quit() override {}
  void end_dialog(int) override {}
};

class GivenFile : public FileChooser {
 public:
  explicit GivenFile(std::string path) : path_(std::move(path)) {}
  std::optional<std::string> choose(const FileRequest&) override { return path_; }

 private:
  std::string path_;
};

long since_ms(Clock::time_point start) {
  return static_cast<long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

struct Rig {
  RecordingControls window;
  RecordingControls uploader;
  NoDialogs host;
  GivenFile chooser;
  std::string firmware_path;
  std::vector<std::string>& problems;

  void problem(const std::string& text) { problems.push_back(text); }
  void expect_text(const char* what, const std::string& shown, const std::string& wanted) {
    if (shown != wanted)
      problem(std::string(what) + " \"" + shown + "\", wanted \"" + wanted + "\"");
  }
};

// Loads the programming file and uploads it as the dialog's buttons would, ticking every 100 ms
// until the outcome shows. False when it did not end within `limit_ms`.
bool upload(Rig& rig, long limit_ms) {
  const auto start = Clock::now();
  uploader_open(rig.uploader);
  uploader_load(rig.uploader, rig.chooser);
  if (!uploader_program(rig.uploader)) return true;
  while (!uploader_tick(rig.uploader)) {
    if (since_ms(start) > limit_ms) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return true;
}

// The operation once; false when it did not end (an upload worker still running).
bool perform(Rig& rig, Operation operation, long limit_ms) {
  switch (operation) {
    case Operation::window_test:
      main_window_command(IDC_TEST, NOTIFY_CLICKED);
      return true;
    case Operation::window_read:
      main_window_command(IDC_READ, NOTIFY_CLICKED);
      return true;
    case Operation::window_write:
      main_window_command(IDC_WRITE, NOTIFY_CLICKED);
      return true;
    default:
      return upload(rig, limit_ms);
  }
}

std::string shown_status(Rig& rig, Operation operation) {
  return operation == Operation::window_upload ? rig.uploader.text(IDC_UPLOADER_STATUS)
                                               : rig.window.text(IDC_STATUS_LINE);
}

void check_failure(Rig& rig, const Cell& cell, const SettingsImage& image_before,
                   const std::string& firmware_before, const KeyerPlace& place) {
  rig.expect_text("status", shown_status(rig, cell.operation), cell.status);
  if (cell.operation != Operation::window_upload) {
    rig.expect_text("status field", rig.window.text(IDC_STATUS_FIELD), cell.reason);
  }
  if (cell.operation == Operation::window_test) {
    rig.expect_text("pot value", rig.window.text(IDC_POT_VALUE), "");
  }
  if (!rig.window.error_boxes.empty()) rig.problem("an Error box: " + rig.window.error_boxes[0]);
  if (main_window_state.busy_flag || !rig.window.control(IDC_TEST).enabled) {
    rig.problem("the window was left busy");
  }
  if (settings_image != image_before) rig.problem("the settings image changed");
  std::string firmware_after;
  if (!read_whole_file(rig.firmware_path, firmware_after) || firmware_after != firmware_before) {
    rig.problem("the programming file changed");
  }
  std::string stored;
  if (read_whole_file(place.keyer_image_out, stored)) rig.problem("the keyer stored an image");
}

// The same operation on a healthy keyer, over the link that the failure left.
void check_follow_up(Rig& rig, const Cell& cell, const KeyerPlace& place,
                     const SettingsImage& keyer_image) {
  std::string problem;
  if (cell.fault == Fault::hang_up && !wait_for_replug(place, problem)) {
    rig.problem(problem);
    return;
  }
  if (!heal_keyer(place, problem)) {
    rig.problem(problem);
    return;
  }
  if (!perform(rig, cell.operation, 60000)) {
    rig.problem("follow-up: the upload did not end");
    return;
  }
  const std::string status = shown_status(rig, cell.operation);
  switch (cell.operation) {
    case Operation::window_test:
      rig.expect_text("follow-up status", status, ">Ostrel OK");
      rig.expect_text("follow-up pot value", rig.window.text(IDC_POT_VALUE), "PotValue: 128");
      break;
    case Operation::window_read:
      rig.expect_text("follow-up status", status, ">Done");
      if (settings_image != keyer_image)
        rig.problem("follow-up: the image read is not the keyer's");
      break;
    case Operation::window_write: {
      rig.expect_text("follow-up status", status, "Done");
      std::string stored;
      const auto start = Clock::now();
      while (!(read_whole_file(place.keyer_image_out, stored) && stored.size() == 288) &&
             since_ms(start) < 2000) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
      if (stored != as_bytes(settings_image))
        rig.problem("follow-up: the keyer did not store the image");
      break;
    }
    default:
      rig.expect_text("follow-up status", status, "Upload Completed Successfully");
      break;
  }
  if (cell.operation != Operation::window_upload) {
    rig.expect_text("follow-up status field", rig.window.text(IDC_STATUS_FIELD), HEALTHY_REVISION);
  }
}

}  // namespace

CellOutcome run_window_cell(const Cell& cell, const KeyerPlace& place,
                            const SettingsImage& keyer_image, const std::string& firmware_path,
                            long margin_ms) {
  CellOutcome outcome;
  outcome.ran = true;
  Rig rig{{}, {}, {}, GivenFile(firmware_path), firmware_path, outcome.problems};
  set_pause_function(&sleep_and_count);
  main_window_init(rig.window, rig.host, rig.chooser);

  // The window holds settings of its own, shown in the panel and the message boxes.
  settings_image = host_settings(keyer_image);
  populate(rig.window, UserBank::user1);
  write_message_texts(rig.window, decode_messages());
  const SettingsImage image_before = settings_image;
  std::string firmware_before;
  read_whole_file(firmware_path, firmware_before);

  paused_ms = 0;
  const long limit_ms = upper_bound_ms(cell, 2000, margin_ms) + 10000;
  const auto start = Clock::now();
  const bool ended = perform(rig, cell.operation, limit_ms);
  outcome.elapsed_ms = since_ms(start);
  outcome.bound_ms = upper_bound_ms(cell, paused_ms, margin_ms);
  if (!ended) {
    // The worker still holds the link: nothing more can be done in this process.
    rig.problem("the upload did not end within " + std::to_string(limit_ms) + " ms");
    return outcome;
  }
  if (outcome.elapsed_ms > outcome.bound_ms) {
    rig.problem("took " + std::to_string(outcome.elapsed_ms) + " ms, more than " +
                std::to_string(outcome.bound_ms) + " ms");
  }
  if (outcome.elapsed_ms < lower_bound_ms(cell) - 50) {
    rig.problem("gave up after " + std::to_string(outcome.elapsed_ms) + " ms, before its wait of " +
                std::to_string(lower_bound_ms(cell)) + " ms");
  }
  check_failure(rig, cell, image_before, firmware_before, place);
  check_follow_up(rig, cell, place, keyer_image);
  link_close();
  set_pause_function(nullptr);
  return outcome;
}
