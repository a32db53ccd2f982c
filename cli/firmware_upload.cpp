#include "cli/firmware_upload.h"

#include <chrono>
#include <cstdio>
#include <optional>
#include <thread>

#include "cli/exit_status.h"
#include "cli/stop_signals.h"
#include "firmware/programming_file.h"
#include "firmware/unsent_data.h"
#include "firmware/upload_status.h"
#include "firmware/uploader_dialog.h"
#include "platform/recording_controls.h"
#include "resources/control_ids.h"

namespace {
constexpr int POLL_MS = 100;
constexpr int BAR_WIDTH = 40;

// The file dialog of the uploader, answered with the path from the command line.
class GivenPath : public FileChooser {
 public:
  explicit GivenPath(std::string path) : path_(std::move(path)) {}
  std::optional<std::string> choose(const FileRequest&) override { return path_; }

 private:
  std::string path_;
};

// Prints the progress as it changes: redrawn in place on a terminal, one line each otherwise.
class ProgressPrinter {
 public:
  ProgressPrinter(bool bar, std::ostream& out) : bar_(bar), out_(out) {}
  // Once standard output is gone (`| head -1`), the upload goes on without it.
  void show(int percent) {
    if (percent == last_ || !out_) return;
    last_ = percent;
    if (bar_)
      out_ << "\r" << progress_bar_text(percent) << std::flush;
    else
      out_ << percent << "%\n" << std::flush;
  }
  void end() {
    if (bar_ && last_ >= 0 && out_) out_ << "\n";
  }

 private:
  bool bar_;
  std::ostream& out_;
  int last_ = -1;
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
}  // namespace

std::string progress_bar_text(int percent) {
  if (percent < 0) percent = 0;
  if (percent > 100) percent = 100;
  const int filled = percent * BAR_WIDTH / 100;
  char text[BAR_WIDTH + 16];
  std::snprintf(text, sizeof text, "[%s%s] %3d%%", std::string(filled, '#').c_str(),
                std::string(BAR_WIDTH - filled, '.').c_str(), percent);
  return text;
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

int upload_firmware(const std::string& path, bool progress_bar, std::ostream& out,
                    std::ostream& err) {
  RecordingControls dialog;
  uploader_open(dialog);
  GivenPath chooser(path);
  uploader_load(dialog, chooser);
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
        << load_failure_text(uploader_state.load_result, programming_file_state.lines_read) << "\n";
    return EXIT_FILE;
  }
  // From here on a closed output or a Ctrl-C must not cut the upload short.
  install_stop_signals();
  out << dialog.text(IDC_UPLOADER_STATUS) << "\n";

  if (!uploader_program(dialog)) {
    remove_stop_signals();
    err << "ostrel: " << dialog.text(IDC_UPLOADER_STATUS) << "\n";
    return EXIT_KEYER;
  }
  out << dialog.text(IDC_UPLOADER_STATUS) << "\n" << std::flush;
  ProgressPrinter progress(progress_bar, out);
  follow_upload(dialog, progress, err);
  remove_stop_signals();
  const std::string& result = dialog.text(IDC_UPLOADER_STATUS);
  if (uploader_state.upload_result != UPLOAD_SUCCESS) {
    err << "ostrel: " << result << "\n";
    if (uploader_state.upload_result == UPLOAD_STOPPED) {
      err << "ostrel: the keyer holds part of the new firmware and waits in its bootloader; the "
             "port is back at 1200 baud. Power the keyer off and on, then upload again.\n";
    }
    return EXIT_KEYER;
  }
  out << result << "\n";
  return EXIT_OK;
}
