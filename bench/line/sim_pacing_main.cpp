// Checks that the simulator paces its line like a real one, with nothing of the utility in
// between: raw termios I/O on its pty at 1200 baud, timed from the first byte handed to the
// kernel to the last byte of the reply. Prints one RUN line per exchange, as line_bench does.
//
//   sim_pacing --device PATH [--runs N]
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/support/line_meter.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint32_t RATE = 1200;
constexpr int WAIT_MS = 6000;

struct Exchange {
  const char* name;
  std::vector<uint8_t> request;
  size_t reply_size;
};

int open_raw(const std::string& path) {
  const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return -1;
  termios settings{};
  if (tcgetattr(fd, &settings) != 0) {
    close(fd);
    return -1;
  }
  cfmakeraw(&settings);
  cfsetispeed(&settings, B1200);
  cfsetospeed(&settings, B1200);
  if (tcsetattr(fd, TCSANOW, &settings) != 0) {
    close(fd);
    return -1;
  }
  tcflush(fd, TCIOFLUSH);
  return fd;
}

bool write_all(int fd, const std::vector<uint8_t>& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

bool read_exactly(int fd, size_t count, Clock::time_point deadline) {
  std::vector<uint8_t> buffer(count);
  size_t got = 0;
  while (got < count) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    pollfd p{fd, POLLIN, 0};
    if (left <= 0 || poll(&p, 1, static_cast<int>(left)) <= 0) return false;
    const ssize_t n = read(fd, buffer.data() + got, count - got);
    if (n <= 0) return false;
    got += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::string device;
  int runs = 5;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--device") == 0) device = argv[i + 1];
    if (std::strcmp(argv[i], "--runs") == 0) runs = std::atoi(argv[i + 1]);
  }
  if (device.empty() || runs < 1) {
    std::fprintf(stderr, "usage: sim_pacing --device PATH [--runs N]\n");
    return 2;
  }
  const int fd = open_raw(device);
  if (fd < 0) {
    std::fprintf(stderr, "sim_pacing: cannot open %s\n", device.c_str());
    return 1;
  }

  const Exchange exchanges[] = {
      {"sim-echo", {0x00, 0x04, 0x55}, 1},
      {"sim-image", {0x00, 0x0C}, 288},
  };
  int failures = 0;
  for (const Exchange& exchange : exchanges) {
    for (int run = 1; run <= runs; ++run) {
      // A quiet line between runs, so that each starts as an operation would.
      usleep(200 * 1000);
      line_meter = LineMeter{};
      line_meter.baud_rate = RATE;
      line_meter.bytes_sent = exchange.request.size();
      line_meter.bytes_received = exchange.reply_size;
      line_meter.bytes_at_rate[RATE] = exchange.request.size() + exchange.reply_size;
      const auto start = Clock::now();
      const bool ok =
          write_all(fd, exchange.request) &&
          read_exactly(fd, exchange.reply_size, start + std::chrono::milliseconds(WAIT_MS));
      const std::chrono::duration<double> wall = Clock::now() - start;
      print_run(exchange.name, run, ok, wall.count(), line_meter);
      if (!ok) ++failures;
    }
  }
  close(fd);
  return failures == 0 ? 0 : 1;
}
