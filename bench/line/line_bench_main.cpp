// Times the keyer operations as the main window and the uploader run them, through the real
// serial port of the platform, against ostrel-keyer-sim --realtime, and prints one line per run:
//
//   RUN op=test run=1 ok=1 wall_ms=284.102 floor_ms=283.333 sent=15 received=7 pause_ms=100
//       parts="22 B at 1200 baud + 100 ms of pauses"        (all on one line)
//
//   line_bench --device PATH | --port N  [--runs N] [--ops test,read,write,upload]
//
// --device opens a device path (Linux: the simulator's pty); --port opens COMn (Windows, where
// Wine maps COMn to the pty). The time is taken inside the program around each operation, so
// neither the start of the process nor (under Wine) the start of Wine is in it. An operation
// ends when the window shows its result and the keyer holds every byte sent (see
// wait_for_keyer); each run's floor comes from what that run moved (bench/support/line_meter.h).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "bench/support/firmware_pattern.h"
#include "bench/support/line_meter.h"
#include "cli/headless_window.h"
#include "cli/path_port.h"
#include "firmware/upload_status.h"
#include "firmware/upload_worker.h"
#include "link/admin.h"
#include "link/interface_test.h"
#include "link/link.h"
#include "link/platform_serial_port.h"
#include "platform/recording_controls.h"
#include "resources/control_ids.h"
#include "settings/main_window.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Options {
  std::string device;
  int port = 0;
  int runs = 5;
  std::vector<std::string> ops{"test", "read", "write", "upload"};
};

// The main window with no screen, as the command-line tool runs it.
RecordingControls* window = nullptr;

// A main-window command, successful when the status line ends with `done`.
bool window_command(int id, const char* done) {
  main_window_command(id, NOTIFY_CLICKED);
  return window->text(IDC_STATUS_LINE) == done;
}

// What "Program OstrelUSB" does with the line: a fresh interface test, then the worker. The
// worker runs on this thread here; the dialog's 100 ms polling is not part of the figure.
bool upload() {
  if (link_is_open()) link_close();
  RecordingControls dialog;
  if (interface_test(dialog) < 0) return false;
  upload_status = UPLOAD_NO_RESULT;
  upload_progress = 0;
  upload_worker();
  return upload_status == UPLOAD_SUCCESS;
}

std::function<bool()> operation_named(const std::string& name) {
  if (name == "test") return [] { return window_command(IDC_TEST, ">Ostrel OK"); };
  if (name == "read") return [] { return window_command(IDC_READ, ">Done"); };
  if (name == "write") return [] { return window_command(IDC_WRITE, "Done"); };
  if (name == "upload") return upload;
  return nullptr;
}

double seconds(Clock::duration duration) {
  return std::chrono::duration<double>(duration).count();
}

// A send completes when its bytes are queued (on a pty, and through Wine onto one), so the window
// may show its result while the keyer is still receiving. An echo test sent now is answered only
// after those bytes: the keyer held them all at the reply's arrival less the echo's own four
// bytes on the line. The echo is not counted in the operation's floor.
bool wait_for_keyer(Clock::time_point& keyer_done) {
  const LineMeter counted = line_meter;
  const uint8_t echo[] = {0x00, ADMIN_ECHO_TEST, ADMIN_ECHO_ARGUMENT};
  link_write(echo, sizeof echo);
  uint8_t reply = 0;
  const bool answered = link_read(&reply, 1) && reply == ECHO_REPLY_FIRMWARE;
  const auto echo_line =
      std::chrono::duration<double>(4.0 * LINE_BITS_PER_BYTE / counted.baud_rate);
  keyer_done = Clock::now() - std::chrono::duration_cast<Clock::duration>(echo_line);
  line_meter = counted;
  return answered;
}

bool parse_number(const char* text, int min, int max, int& value) {
  char* end = nullptr;
  const long number = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || number < min || number > max) return false;
  value = static_cast<int>(number);
  return true;
}

bool parse_options(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    if (value == nullptr) return false;
    ++i;
    if (arg == "--device") {
      options.device = value;
    } else if (arg == "--port") {
      if (!parse_number(value, 1, 255, options.port)) return false;
    } else if (arg == "--runs") {
      if (!parse_number(value, 1, 1000, options.runs)) return false;
    } else if (arg == "--ops") {
      options.ops.clear();
      std::stringstream list(value);
      for (std::string op; std::getline(list, op, ',');) {
        if (!operation_named(op)) return false;
        options.ops.push_back(op);
      }
    } else {
      return false;
    }
  }
  return options.device.empty() != (options.port == 0) && !options.ops.empty();
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!parse_options(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage: line_bench --device PATH | --port N  [--runs N] "
                 "[--ops test,read,write,upload]\n");
    return 2;
  }

  const std::string device = options.device;
  set_serial_port_factory([device]() -> std::unique_ptr<SerialPort> {
    std::unique_ptr<SerialPort> port = make_platform_serial_port();
    if (!device.empty()) port = std::make_unique<PathPort>(std::move(port), device);
    return std::make_unique<MeteredPort>(std::move(port));
  });
  com_port_number = options.port;
  meter_pauses();

  window = &headless_window_start();
  fill_firmware_with_pattern();

  int failures = 0;
  for (const std::string& op : options.ops) {
    const std::function<bool()> operation = operation_named(op);
    for (int run = 1; run <= options.runs; ++run) {
      // A Read fills the panel from the keyer's image, which need not pass validation; the
      // defaults do, so that every Write sends the image. Not part of the figure.
      if (op == "write") main_window_command(IDC_RESET_DEFAULTS, NOTIFY_CLICKED);
      // The port stays open from the run before, as in the window: closing it is part of each
      // operation. The meter keeps the rate the port is at.
      const uint32_t rate = line_meter.baud_rate;
      line_meter = LineMeter{};
      line_meter.baud_rate = rate;
      const Clock::time_point start = Clock::now();
      bool ok = operation();
      const Clock::time_point shown = Clock::now();
      Clock::time_point end = shown;
      const bool still_sending = line_meter.unanswered_line_s > 0;
      if (ok && still_sending) ok = wait_for_keyer(end);
      print_run(op, run, ok, seconds(std::max(shown, end) - start), line_meter,
                still_sending ? seconds(shown - start) : -1);
      if (!ok) ++failures;
    }
  }
  link_close();
  return failures == 0 ? 0 : 1;
}
