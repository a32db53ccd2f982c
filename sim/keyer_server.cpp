#include "sim/keyer_server.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "files/atomic_file.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int POLL_WAIT_MS = 100;
constexpr int BITS_PER_BYTE = 10;  // start bit, 8 data bits, stop bit
// A line quiet for longer than this starts its next transfer afresh instead of catching up.
constexpr auto LINE_IDLE_AFTER = std::chrono::milliseconds(100);

struct Server {
  PtyDevice& device;
  const SimOptions& options;
  KeyerSim keyer;
  int rx_log = -1;
  int image_writes_saved = 0;
  int restarts_saved = 0;
  // When the line is next free, so that paced bytes keep their rate over a whole transfer.
  Clock::time_point line_free = Clock::now();
};

// Waits for one byte's time on the line at `baud` (no wait for an unknown rate).
void pace_one_byte(Server& server, uint32_t baud) {
  if (!server.options.realtime || baud == 0) return;
  const auto byte_time = std::chrono::microseconds(1000000LL * BITS_PER_BYTE / baud);
  // A byte that follows on a busy line starts when the one before ended, even if this process
  // woke late, so that the rate holds over a long transfer on a loaded machine.
  const auto now = Clock::now();
  if (server.line_free + LINE_IDLE_AFTER < now) server.line_free = now;
  server.line_free += byte_time;
  sleep_until_unless_stopped(server.line_free);
}

void save_file(const std::string& path, const uint8_t* data, size_t size) {
  if (!write_file_atomically(path, data, size)) {
    std::fprintf(stderr, "ostrel-keyer-sim: cannot write %s\n", path.c_str());
  }
}

void save_flash(Server& server) {
  if (server.options.flash_out.empty()) return;
  save_file(server.options.flash_out, server.keyer.flash.data(), server.keyer.flash.size());
}

// The files are brought up to date before the reply goes out, so that a host that has its
// reply can rely on them.
void save_changes(Server& server) {
  KeyerSim& keyer = server.keyer;
  if (keyer.image_writes != server.image_writes_saved && !server.options.image_out.empty()) {
    save_file(server.options.image_out, keyer.image.data(), keyer.image.size());
  }
  server.image_writes_saved = keyer.image_writes;
  if (keyer.restarts != server.restarts_saved) save_flash(server);
  server.restarts_saved = keyer.restarts;
}

void send_reply(Server& server, const std::vector<uint8_t>& reply) {
  save_changes(server);
  if (reply.empty()) return;
  if (const int delay_ms = server.keyer.reply_delay_ms(); delay_ms > 0) {
    sleep_until_unless_stopped(Clock::now() + std::chrono::milliseconds(delay_ms));
    server.line_free = std::max(server.line_free, Clock::now());
  }
  if (!server.options.realtime) {
    write_to_host(server.device, reply.data(), reply.size());
    return;
  }
  for (uint8_t byte : reply) {
    pace_one_byte(server, server.keyer.baud_rate());
    if (sim_stop_requested) return;
    write_to_host(server.device, &byte, 1);
  }
}

void log_received(Server& server, const uint8_t* data, size_t count) {
  size_t done = 0;
  while (server.rx_log >= 0 && done < count) {
    const ssize_t written = write(server.rx_log, data + done, count - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      std::fprintf(stderr, "ostrel-keyer-sim: cannot append to %s: %s\n",
                   server.options.rx_log.c_str(), std::strerror(errno));
      close(server.rx_log);
      server.rx_log = -1;
      return;
    }
    done += static_cast<size_t>(written);
  }
}

void take_from_host(Server& server, const uint8_t* data, size_t count) {
  // The host may change its rate between writes (as for the switch to 9600), so its settings
  // are read again for every chunk.
  const uint32_t host_baud = host_baud_rate(server.device);
  log_received(server, data, count);
  if (!server.options.realtime) {
    send_reply(server, server.keyer.receive(data, count, host_baud));
  } else {
    for (size_t i = 0; i < count && !sim_stop_requested && !server.keyer.hung_up(); ++i) {
      pace_one_byte(server, host_baud);
      send_reply(server, server.keyer.receive(data + i, 1, host_baud));
    }
  }
  // Nothing reads the keyer's own logs here: keep a long run from growing without bound.
  server.keyer.received.clear();
  server.keyer.frames.clear();
}

// The adapter pulled out: the device and its name go away, so the host's reads and writes fail at
// once and a new open finds nothing. Plugged in again, it is a new device under the old name with
// the keyer restarted (power came from the same cable). False when the program should end.
bool unplug(Server& server) {
  close_pty_device(server.device);
  if (server.options.replug_after_ms < 0) return false;
  sleep_until_unless_stopped(Clock::now() +
                             std::chrono::milliseconds(server.options.replug_after_ms));
  if (sim_stop_requested) return false;
  server.keyer.power_cycle();
  server.keyer.faults.hangup_after_received = -1;
  server.keyer.faults.hangup_after_sent = -1;
  std::string error;
  if (!open_pty_device(server.device, server.options.link_path, error)) {
    std::fprintf(stderr, "ostrel-keyer-sim: %s\n", error.c_str());
    return false;
  }
  return true;
}

// A test asks for a healthy keyer by creating the heal file; its removal is the answer.
void heal_if_asked(Server& server) {
  const std::string& path = server.options.heal_file;
  if (path.empty() || access(path.c_str(), F_OK) != 0) return;
  server.keyer.faults = KeyerFaults{};
  server.keyer.power_cycle();
  unlink(path.c_str());
}

}  // namespace

int serve_keyer(PtyDevice& device, const SimOptions& options) {
  Server server{device, options, KeyerSim(options.config)};
  server.keyer.faults = options.faults;
  if (!options.rx_log.empty()) {
    server.rx_log = open(options.rx_log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (server.rx_log < 0) {
      std::fprintf(stderr, "ostrel-keyer-sim: cannot open %s: %s\n", options.rx_log.c_str(),
                   std::strerror(errno));
      return 1;
    }
  }

  uint8_t buffer[512];
  while (!sim_stop_requested) {
    heal_if_asked(server);
    pollfd readable{device.master, POLLIN, 0};
    if (poll(&readable, 1, POLL_WAIT_MS) <= 0) continue;
    const ssize_t count = read(device.master, buffer, sizeof buffer);
    if (count > 0) {
      take_from_host(server, buffer, static_cast<size_t>(count));
      if (server.keyer.hung_up() && !unplug(server)) break;
    } else if (count < 0 && errno == EIO) {
      // No slave open at the moment (should not happen while we hold one): wait, try again.
      sleep_until_unless_stopped(Clock::now() + std::chrono::milliseconds(POLL_WAIT_MS));
    }
  }

  save_flash(server);
  if (server.rx_log >= 0) close(server.rx_log);
  return 0;
}
