#include "sim/pty_device.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

volatile std::sig_atomic_t sim_stop_requested = 0;

namespace {

constexpr int STALLED_WRITE_WAIT_MS = 500;

struct RateName {
  speed_t speed;
  uint32_t baud;
};

constexpr RateName RATES[] = {
    {B50, 50},       {B75, 75},         {B110, 110},       {B134, 134},       {B150, 150},
    {B200, 200},     {B300, 300},       {B600, 600},       {B1200, 1200},     {B1800, 1800},
    {B2400, 2400},   {B4800, 4800},     {B9600, 9600},     {B19200, 19200},   {B38400, 38400},
    {B57600, 57600}, {B115200, 115200}, {B230400, 230400}, {B460800, 460800}, {B921600, 921600},
};

std::string errno_text(const char* what) {
  return std::string(what) + ": " + std::strerror(errno);
}

// Points link_path at target through a temporary name and a rename, so that the path is never
// missing in between for a host that is about to open it.
bool make_link(const std::string& link_path, const std::string& target, std::string& error) {
  struct stat existing {};
  if (lstat(link_path.c_str(), &existing) == 0 && !S_ISLNK(existing.st_mode)) {
    error = link_path + " exists and is not a symbolic link; not replacing it";
    return false;
  }
  const std::string temporary = link_path + ".new" + std::to_string(getpid());
  unlink(temporary.c_str());
  if (symlink(target.c_str(), temporary.c_str()) != 0) {
    error = errno_text(("cannot create " + temporary).c_str());
    return false;
  }
  if (rename(temporary.c_str(), link_path.c_str()) != 0) {
    error = errno_text(("cannot create " + link_path).c_str());
    unlink(temporary.c_str());
    return false;
  }
  return true;
}

bool link_points_at(const std::string& link_path, const std::string& target) {
  char buffer[4096];
  const ssize_t size = readlink(link_path.c_str(), buffer, sizeof buffer);
  return size > 0 && static_cast<size_t>(size) < sizeof buffer &&
         std::string(buffer, static_cast<size_t>(size)) == target;
}

}  // namespace

bool open_pty_device(PtyDevice& device, const std::string& link_path, std::string& error) {
  char name[256] = {};
  if (openpty(&device.master, &device.slave, name, nullptr, nullptr) != 0) {
    error = errno_text("openpty");
    return false;
  }
  device.slave_path = name;
  termios settings{};
  if (tcgetattr(device.slave, &settings) != 0) {
    error = errno_text("tcgetattr");
    close_pty_device(device);
    return false;
  }
  // Raw, so that the tty layer neither echoes nor translates anything; 1200 baud as the keyer.
  cfmakeraw(&settings);
  cfsetispeed(&settings, B1200);
  cfsetospeed(&settings, B1200);
  const int flags = fcntl(device.master, F_GETFL);
  if (tcsetattr(device.slave, TCSANOW, &settings) != 0 || flags < 0 ||
      fcntl(device.master, F_SETFL, flags | O_NONBLOCK) != 0) {
    error = errno_text("configuring the pty");
    close_pty_device(device);
    return false;
  }
  if (!make_link(link_path, device.slave_path, error)) {
    close_pty_device(device);
    return false;
  }
  device.link_path = link_path;
  return true;
}

void close_pty_device(PtyDevice& device) {
  // Another simulator may have taken the path over meanwhile; its link stays.
  if (!device.link_path.empty() && link_points_at(device.link_path, device.slave_path)) {
    unlink(device.link_path.c_str());
  }
  device.link_path.clear();
  if (device.slave >= 0) close(device.slave);
  if (device.master >= 0) close(device.master);
  device.slave = device.master = -1;
}

uint32_t host_baud_rate(const PtyDevice& device) {
  termios settings{};
  if (tcgetattr(device.slave, &settings) != 0) return 0;
  const speed_t speed = cfgetospeed(&settings);
  for (const RateName& rate : RATES) {
    if (rate.speed == speed) return rate.baud;
  }
  return 0;
}

bool write_to_host(PtyDevice& device, const uint8_t* data, size_t count) {
  size_t done = 0;
  bool discarded = false;
  while (done < count) {
    const ssize_t written = write(device.master, data + done, count - done);
    if (written > 0) {
      done += static_cast<size_t>(written);
      continue;
    }
    if (written < 0 && errno == EINTR) continue;
    if (written < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return false;
    pollfd writable{device.master, POLLOUT, 0};
    if (poll(&writable, 1, STALLED_WRITE_WAIT_MS) > 0) continue;
    if (discarded || sim_stop_requested) return false;
    // The line is full and nobody reads it: drop the stale input rather than block.
    tcflush(device.slave, TCIFLUSH);
    discarded = true;
  }
  return true;
}

void sleep_until_unless_stopped(std::chrono::steady_clock::time_point end) {
  using namespace std::chrono;
  while (!sim_stop_requested) {
    const auto now = steady_clock::now();
    if (now >= end) return;
    std::this_thread::sleep_for(std::min<steady_clock::duration>(end - now, milliseconds(20)));
  }
}
