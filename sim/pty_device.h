#pragma once

#include <chrono>
#include <csignal>
#include <cstddef>
#include <cstdint>
#include <string>

// The simulated keyer's serial device: a pseudo-terminal whose slave the host opens through a
// symlink, as it would open a real port.
struct PtyDevice {
  int master = -1;
  // Held open by the simulator itself, so that the master does not hang up while no host has
  // the port open, and so that the host's line settings persist between its opens.
  int slave = -1;
  std::string slave_path;
  std::string link_path;  // empty until the link is made
};

// Set by the signal handler; every wait of the simulator gives up when it is set.
extern volatile std::sig_atomic_t sim_stop_requested;

// Opens a pty in raw mode at 1200 baud and points link_path at its slave, replacing a symlink
// left by an earlier run (but never a file that is not a symlink). False with a message.
bool open_pty_device(PtyDevice& device, const std::string& link_path, std::string& error);
// Removes the link if it still points at this device's slave, and closes the pty.
void close_pty_device(PtyDevice& device);

// The baud rate that the host has set on the port, 0 when it is not a known rate.
uint32_t host_baud_rate(const PtyDevice& device);

// Hands bytes to the host. If the host does not read them for a while (no host has the port
// open), what is waiting unread is discarded instead of piling up. False if they were dropped.
bool write_to_host(PtyDevice& device, const uint8_t* data, size_t count);

// Sleeps until `end`, or less when a stop is requested.
void sleep_until_unless_stopped(std::chrono::steady_clock::time_point end);
