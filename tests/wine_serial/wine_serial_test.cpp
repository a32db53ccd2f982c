// The link over the real Win32 port, run under Wine against ostrel-keyer-sim: COM1 is the
// simulator's pty, COM2 names no device. Prints one line per check and PASS or FAIL at the end.
#include <chrono>
#include <cstdio>
#include <string>

#include "link/admin.h"
#include "link/interface_test.h"
#include "link/link.h"
#include "platform/recording_controls.h"
#include "resources/control_ids.h"
#include "settings/settings_image.h"

namespace {

int failures = 0;

void check(bool ok, const std::string& what) {
  std::printf("%s: %s\n", ok ? "ok  " : "FAIL", what.c_str());
  std::fflush(stdout);
  if (!ok) ++failures;
}

long elapsed_ms(std::chrono::steady_clock::time_point since) {
  return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                               std::chrono::steady_clock::now() - since)
                               .count());
}

SettingsImage pattern() {
  SettingsImage image;
  for (int i = 0; i < SETTINGS_IMAGE_SIZE; ++i) image[i] = static_cast<uint8_t>(i * 13 + 5);
  return image;
}

bool run_interface_test(const std::string& expected_status) {
  RecordingControls window;
  const int result = interface_test(window);
  const std::string status = window.text(IDC_STATUS_FIELD);
  check(result == 31 && status == expected_status,
        "interface test: " + std::to_string(result) + ", \"" + status + "\"");
  return result == 31;
}

}  // namespace

int main() {
  com_port_number = 40;
  RecordingControls window;
  const int result = interface_test(window);
  const std::string status = window.text(IDC_STATUS_FIELD);
  check(result == -1 && status == "Ostrel Fail:comm open",
        "a port without a device: " + std::to_string(result) + ", \"" + status + "\"");
  check(!link_is_open(), "the link stays closed after a failed open");
  link_close();

  com_port_number = 1;
  if (!run_interface_test("Ostrel F/W revision 31.04")) {
    std::printf("FAIL\n");
    return 1;
  }

  // Write as the window makes it: the port's output count watched until it is empty, the
  // frame's 2.4 s on the line and the keyer's 500 ms after them, and no more than the send's wait.
  settings_image = pattern();
  const auto write_start = std::chrono::steady_clock::now();
  const bool written = write_settings_image_and_wait();
  const long write_ms = elapsed_ms(write_start);
  check(written && write_ms >= 2900 && write_ms < 5000,
        "settings image sent and given its time (" + std::to_string(write_ms) + " ms)");

  // Read back as its own operation, on a freshly opened port, like the window does.
  link_close();
  run_interface_test("Ostrel F/W revision 31.04");
  settings_image = SettingsImage{};
  check(read_settings_image(), "settings image received");
  check(settings_image == pattern(), "settings image read back byte for byte");

  // Nothing asked, nothing comes: the read gives up at its wait and is cancelled, and the port
  // is fit for the next exchange.
  uint8_t byte = 0;
  const auto start = std::chrono::steady_clock::now();
  const bool got = link_read(&byte, 1);
  const long took = elapsed_ms(start);
  check(!got && took >= 3900 && took < 6000,
        "a read with no reply fails after its wait (" + std::to_string(took) + " ms)");
  check(query_ic_type() == IC_DIP, "a query after the cancelled read is answered");

  check(link_set_baud_rate(9600) && link_set_baud_rate(1200), "baud rate changed and back");
  check(query_ic_type() == IC_DIP, "a query after the rate change is answered");

  // Last, the keyer goes away in the middle of a reply, like an unplugged adapter: the script
  // kills the simulator when it sees "unplug". Nothing may hang past the waits.
  link_close();
  run_interface_test("Ostrel F/W revision 31.04");
  settings_image = pattern();
  std::printf("unplug\n");
  std::fflush(stdout);
  const auto unplugged = std::chrono::steady_clock::now();
  const bool read_ok = read_settings_image();
  const long read_ms = elapsed_ms(unplugged);
  check(!read_ok && read_ms < 4500,
        "an image read cut off fails within its wait (" + std::to_string(read_ms) + " ms)");
  check(settings_image == pattern(), "the image is left as it was");
  const auto retest = std::chrono::steady_clock::now();
  const int retest_result = interface_test(window);
  const long retest_ms = elapsed_ms(retest);
  check(retest_result == -1 && retest_ms < 7000,
        "a test of the vanished keyer fails within the waits: \"" + window.text(IDC_STATUS_FIELD) +
            "\" (" + std::to_string(retest_ms) + " ms)");
  link_close();

  std::printf("%s\n", failures == 0 ? "PASS" : "FAIL");
  return failures == 0 ? 0 : 1;
}
