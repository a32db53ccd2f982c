#include "cli/firmware_upload.h"

#include <cerrno>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <thread>

#include "cli/exit_status.h"
#include "cli/link_setup.h"
#include "cli/outcome_messages.h"
#include "cli/stop_signals.h"
#include "files/file_kind.h"
#include "firmware/firmware_image.h"
#include "firmware/programming_file.h"
#include "firmware/unsent_data.h"
#include "firmware/upload_status.h"
#include "firmware/uploader_dialog.h"
#include "link/interface_test.h"
#include "link/keyer_operations.h"
#include "link/link.h"
#include "link/result_texts.h"
#include "platform/recording_controls.h"
#include "resources/control_ids.h"

namespace {
constexpr int POLL_MS = 100;
constexpr int BAR_WIDTH = 40;
using Clock = std::chrono::steady_clock;

// The file dialog of the uploader, answered with the path from the command line.
class GivenPath : public FileChooser {
 public:
  explicit GivenPath(std::string path) : path_(std::move(path)) {}
  std::optional<std::string> choose(const FileRequest&) override { return path_; }

 private:
  std::string path_;
};

std::string minutes(int seconds) {
  char text[16];
  std::snprintf(text, sizeof text, "%d:%02d", seconds / 60, seconds % 60);
  return text;
}

// Prints the progress as it changes. Once standard output is gone (`| head -1`), the upload goes
// on without it.
class ProgressPrinter {
 public:
  ProgressPrinter(UploadDisplay display, std::ostream& out) : display_(display), out_(out) {}

  void show(int percent) {
    if (display_ == UploadDisplay::none || !out_) return;
    const auto now = Clock::now();
    if (display_ == UploadDisplay::lines) {
      // Each tenth passed, once, and the last value the bar reaches.
      for (int tenth = std::max(last_, 0) / 10 + 1; tenth <= percent / 10; ++tenth)
        out_ << tenth * 10 << "%\n";
      if (percent == 99 && last_ != 99) out_ << "99%\n";
      last_ = std::max(last_, percent);
      out_ << std::flush;
      return;
    }
    if (percent > 0 && !moving_) {
      moving_ = true;
      moving_since_ = now;
      moving_from_ = percent;
    }
    const int elapsed = seconds_between(start_, now);
    int remaining = -1;
    // The rate of the frames so far, from the first move of the bar: the lead-in is not frames.
    if (moving_ && percent > moving_from_) {
      const double per_percent =
          std::chrono::duration<double>(now - moving_since_).count() / (percent - moving_from_);
      remaining = static_cast<int>(per_percent * (99 - percent) + 0.5);
    }
    out_ << "\r" << progress_bar_text(percent, elapsed, remaining) << std::flush;
    last_ = percent;
  }
  void end() {
    if (display_ == UploadDisplay::terminal && last_ >= 0 && out_) out_ << "\n" << std::flush;
  }

 private:
  static int seconds_between(Clock::time_point a, Clock::time_point b) {
    return static_cast<int>(std::chrono::duration_cast<std::chrono::seconds>(b - a).count());
  }
  UploadDisplay display_;
  std::ostream& out_;
  int last_ = -1;
  const Clock::time_point start_ = Clock::now();
  bool moving_ = false;
  Clock::time_point moving_since_;
  int moving_from_ = 0;
};

// Tells what the signals counted so far mean, once each.
void tell_stop_signals(int received, int& told, std::ostream& err) {
  if (told < 1 && received >= 1) {
    err << "ostrel: stopping the upload now would leave the keyer without firmware, so it goes "
           "on; a second Ctrl-C (or SIGTERM, SIGHUP) stops it at the next frame\n";
  }
  if (told < 2 && received >= 2) err << "ostrel: stopping at the next frame\n";
  told = received;
}

// Polls the worker until it reports, showing the progress and answering stop signals.
void follow_upload(RecordingControls& dialog, ProgressPrinter& progress, std::ostream& err) {
  int told = 0;
  // The worker uses the link alone until it has reported; this thread only polls.
  while (!uploader_tick(dialog)) {
    tell_stop_signals(stop_signals_received(), told, err);
    progress.show(dialog.control(IDC_UPLOADER_PROGRESS).progress);
    std::this_thread::sleep_for(std::chrono::milliseconds(POLL_MS));
  }
  progress.show(dialog.control(IDC_UPLOADER_PROGRESS).progress);
  progress.end();
}

std::string image_kind() {
  return uploader_state.fw_minor >= FIRMWARE_DIP_MINOR ? "DIP" : "SMT or MINI";
}

std::string keyer_line(const KeyerResult& tested) {
  if (tested.ok()) {
    return "Keyer: firmware " + revision_text(tested.fw_major, tested.fw_minor) + ", IC " +
           ic_name(tested.ic_variant);
  }
  if (tested.status == KeyerStatus::bootloader_only) {
    return "Keyer: only its bootloader answers (no firmware); uploading all the same";
  }
  return "Keyer: " + status_field_text(tested) + "; uploading all the same";
}

// After a good upload the keyer restarts into the new firmware: asked afresh, it says which.
void report_new_revision(std::ostream& out, std::ostream& err) {
  if (link_is_open()) link_close();
  const KeyerResult result = run_interface_test();
  if (result.ok()) {
    out << "Keyer now runs firmware " << revision_text(result.fw_major, result.fw_minor) << "\n";
  } else {
    err << "warning: after the upload the keyer does not answer as it should: "
        << status_field_text(result) << "\n";
  }
}
}  // namespace

std::string progress_bar_text(int percent, int elapsed_s, int remaining_s) {
  if (percent < 0) percent = 0;
  if (percent > 100) percent = 100;
  const int filled = percent * BAR_WIDTH / 100;
  char text[BAR_WIDTH + 16];
  std::snprintf(text, sizeof text, "[%s%s] %3d%%", std::string(filled, '#').c_str(),
                std::string(BAR_WIDTH - filled, '.').c_str(), percent);
  std::string line = text;
  if (elapsed_s >= 0) line += "  " + minutes(elapsed_s) + " gone";
  if (remaining_s >= 0) line += ", about " + minutes(remaining_s) + " left";
  return line;
}

std::string load_failure_text(int load_result, int line) {
  const std::string at = line > 0 ? "line " + std::to_string(line) + ": " : "";
  switch (load_result) {
    case 0:
      return "the file holds no data records for the keyer's program memory";
    case LOAD_ERR_NO_PATH:
      return "no file name was given";
    case LOAD_ERR_OPEN:
      return "the file cannot be opened";
    case LOAD_ERR_NO_END_RECORD:
      return "the file ends without an end record (:00000001FF); it may be cut short";
    case LOAD_ERR_BAD_RECORD:
      return at +
             "not a valid record (it must start with ':', hold hex digits only, and its "
             "checksum must add up)";
    case LOAD_ERR_RECORD_TYPE:
      return at + "a record type that a programming file may not hold";
    default:
      return "the file cannot be loaded (" + std::to_string(load_result) + ")";
  }
}

int upload_firmware(const std::string& path, UploadDisplay display, std::ostream& out,
                    std::ostream& err) {
  RecordingControls dialog;
  uploader_open(dialog);
  // A FIFO might never end and a device never begin: neither is opened.
  if (const std::string refused = kind_reason(file_kind(path)); !refused.empty()) {
    err << "ostrel: " << path << ": " << load_failure_text(LOAD_ERR_OPEN, 0) << ": " << refused
        << "\n";
    return EXIT_FILE;
  }
  GivenPath chooser(path);
  errno = 0;
  uploader_load(dialog, chooser);
  const std::string open_failure = system_reason(errno);
  if (dialog.text(IDC_UPLOADER_STATUS).empty()) {
    err << "ostrel: the path " << path << " is too long for the uploader (at most "
        << PROGRAMMING_PATH_CAPACITY - 1 << " characters); use a shorter or relative path\n";
    return EXIT_USAGE;
  }
  if (uploader_state.load_result >= 0) {
    for (const std::string& line : unsent_data_lines()) err << "warning: " << line << "\n";
  }
  if (uploader_state.load_result <= 0) {
    err << "ostrel: " << path << ": "
        << load_failure_text(uploader_state.load_result, programming_file_state.lines_read);
    if (uploader_state.load_result == LOAD_ERR_OPEN && !open_failure.empty()) {
      err << ": " << open_failure;
    }
    err << "\n";
    return EXIT_FILE;
  }
  // From here on a closed output or a Ctrl-C must not cut the upload short.
  install_stop_signals();
  out << dialog.text(IDC_UPLOADER_STATUS) << "\n";
  out << "Image: firmware " << revision_text(uploader_state.fw_major, uploader_state.fw_minor)
      << " for a " << image_kind() << " keyer\n";

  uploader_state.on_keyer_tested = [&out](const KeyerResult& tested) {
    out << keyer_line(tested) << "\n";
  };
  const bool started = uploader_program(dialog);
  uploader_state.on_keyer_tested = nullptr;
  if (!started) {
    remove_stop_signals();
    explain_upload_failure(uploader_state.upload_result, uploader_state.tested,
                           cli_link_state.port_name, err);
    return uploader_state.upload_result == UPLOAD_REFUSED_ZERO_LENGTH ? EXIT_FILE : EXIT_KEYER;
  }
  out << dialog.text(IDC_UPLOADER_STATUS) << "\n" << std::flush;
  ProgressPrinter progress(display, out);
  follow_upload(dialog, progress, err);
  remove_stop_signals();
  if (uploader_state.upload_result != UPLOAD_SUCCESS) {
    explain_upload_failure(uploader_state.upload_result, uploader_state.tested,
                           cli_link_state.port_name, err);
    return EXIT_KEYER;
  }
  out << upload_status_text(UPLOAD_SUCCESS) << "\n";
  report_new_revision(out, err);
  return EXIT_OK;
}
