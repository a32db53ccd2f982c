// The serial port on Linux and other POSIX systems: a tty device in raw mode, its waits made
// with poll(). Windows has its own port (win32_port_win32.cpp).
#ifndef _WIN32

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "link/platform_serial_port.h"

namespace {

using Clock = std::chrono::steady_clock;

bool is_decimal(const std::string& text) {
  if (text.empty() || text.size() > 9) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

bool starts_with_com(const std::string& text) {
  return text.size() >= 3 && (text[0] == 'C' || text[0] == 'c') &&
         (text[1] == 'O' || text[1] == 'o') && (text[2] == 'M' || text[2] == 'm');
}

bool speed_for(uint32_t baud_rate, speed_t& speed) {
  static constexpr struct {
    uint32_t rate;
    speed_t speed;
  } speeds[] = {{300, B300},     {600, B600},      {1200, B1200},   {2400, B2400},
                {4800, B4800},   {9600, B9600},    {19200, B19200}, {38400, B38400},
                {57600, B57600}, {115200, B115200}};
  for (const auto& s : speeds) {
    if (s.rate == baud_rate) {
      speed = s.speed;
      return true;
    }
  }
  return false;
}

int remaining_ms(Clock::time_point deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

// Waits until the device is ready for `events` or the deadline passes. False on a time-out and
// on a device that has gone away (a pty whose other side closed, an unplugged adapter).
bool wait_ready(int fd, short events, Clock::time_point deadline) {
  for (;;) {
    pollfd p{fd, events, 0};
    const int n = ::poll(&p, 1, remaining_ms(deadline));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    if (p.revents & events) return true;
    return false;  // POLLHUP, POLLERR or POLLNVAL without data
  }
}

class PosixSerialPort : public SerialPort {
 public:
  ~PosixSerialPort() override { close(); }

  bool open(const std::string& name) override {
    close();
    error_ = 0;
    const std::string path = posix_device_path(name);
    if (path.empty()) return failed(ENOENT);
    // Non-blocking for good: every wait is a poll with its own deadline.
    fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) return failed(errno);
    // One user of a port at a time, as on Windows: a second program talking to the same keyer
    // would take the first one's replies. A port held that way says EWOULDBLOCK.
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
      const int error = errno;
      close();
      return failed(error);
    }
    return true;
  }

  bool read_settings() override {
    if (fd_ >= 0 && ::tcgetattr(fd_, &settings_) == 0) return true;
    return failed(fd_ >= 0 ? errno : EBADF);  // ENOTTY: not a serial device
  }

  bool apply_line_settings(uint32_t baud_rate) override {
    if (fd_ < 0) return false;
    speed_t speed;
    if (!speed_for(baud_rate, speed)) return failed(EINVAL);
    // Raw bytes both ways: no line editing, no echo, no signals, no translation of CR/LF, no
    // XON/XOFF, no parity check, so that every byte value reaches the keyer and back unchanged.
    settings_.c_iflag &=
        ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY | INPCK);
    settings_.c_oflag &= ~OPOST;
    settings_.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    // 8N1; CRTSCTS off because hardware flow control would drive RTS, which must stay low.
    settings_.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
    settings_.c_cflag |= CS8 | CLOCAL | CREAD;
    // One byte minimum, so that a read with nothing there says EAGAIN rather than 0, which is
    // also what a hung-up device gives.
    settings_.c_cc[VMIN] = 1;
    settings_.c_cc[VTIME] = 0;
    errno = 0;
    if (!apply_speed(speed)) return failed(errno != 0 ? errno : EIO);
    // The keyer's interface wants DTR raised and RTS low. A pty has no modem lines, so a
    // refusal here is no fault.
    int line = TIOCM_DTR;
    ::ioctl(fd_, TIOCMBIS, &line);
    line = TIOCM_RTS;
    ::ioctl(fd_, TIOCMBIC, &line);
    return true;
  }

  bool set_baud_rate(uint32_t baud_rate) override {
    speed_t speed;
    return fd_ >= 0 && speed_for(baud_rate, speed) && apply_speed(speed);
  }

  bool purge_input() override {
    if (fd_ >= 0 && ::tcflush(fd_, TCIFLUSH) == 0) return true;
    return failed(fd_ >= 0 ? errno : EBADF);
  }

  bool write(const uint8_t* data, size_t count, int wait_ms) override {
    if (fd_ < 0) return false;
    const auto deadline = Clock::now() + std::chrono::milliseconds(wait_ms);
    size_t sent = 0;
    while (sent < count) {
      const ssize_t n = ::write(fd_, data + sent, count - sent);
      if (n > 0) {
        sent += static_cast<size_t>(n);
      } else if (n < 0 && errno == EINTR) {
        continue;
      } else if (n < 0 && errno == EAGAIN) {
        if (!wait_ready(fd_, POLLOUT, deadline)) return false;
      } else {
        return false;
      }
    }
    return drain_until(deadline);
  }

  bool read(uint8_t* data, size_t count, int wait_ms) override {
    if (fd_ < 0) return false;
    const auto deadline = Clock::now() + std::chrono::milliseconds(wait_ms);
    size_t got = 0;
    bool said_readable = false;
    while (got < count) {
      const ssize_t n = ::read(fd_, data + got, count - got);
      if (n > 0) {
        got += static_cast<size_t>(n);
        said_readable = false;
      } else if (n < 0 && errno == EINTR) {
        continue;
      } else if ((n < 0 && errno == EAGAIN) || (n == 0 && !said_readable)) {
        // Nothing yet (some drivers say so with 0 rather than EAGAIN).
        if (!wait_ready(fd_, POLLIN, deadline)) return false;
        said_readable = true;
      } else {
        // EIO, or nothing although poll said there was: the other end hung up. Fail now
        // rather than spin until the deadline.
        return false;
      }
    }
    return true;
  }

  bool drain(int wait_ms) override {
    return fd_ >= 0 && drain_until(Clock::now() + std::chrono::milliseconds(wait_ms));
  }

  void close() override {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

  int last_error() const override { return error_; }

 private:
  bool failed(int error) {
    error_ = error;
    return false;
  }

  bool apply_speed(speed_t speed) {
    termios wanted = settings_;
    if (::cfsetispeed(&wanted, speed) != 0 || ::cfsetospeed(&wanted, speed) != 0) return false;
    if (::tcsetattr(fd_, TCSANOW, &wanted) != 0) return false;
    // tcsetattr succeeds when any part of the change was taken; only the whole counts.
    termios applied;
    if (::tcgetattr(fd_, &applied) != 0 || ::cfgetospeed(&applied) != speed) return false;
    settings_ = wanted;
    return true;
  }

  // Bytes handed to the driver are not yet on the line. tcdrain has no time limit, so the
  // output queue is watched until it empties or the deadline passes.
  bool drain_until(Clock::time_point deadline) {
    for (;;) {
      int queued = 0;
      if (::ioctl(fd_, TIOCOUTQ, &queued) != 0 || queued <= 0) return true;
      const int left = remaining_ms(deadline);
      if (left == 0) return false;
      pollfd p{fd_, 0, 0};
      if (::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(left < 5 ? left : 5));
    }
  }

  int fd_ = -1;
  int error_ = 0;
  termios settings_{};
};

}  // namespace

std::string posix_device_path(const std::string& name) {
  std::string rest = name;
  if (rest.rfind("\\\\.\\", 0) == 0) rest = rest.substr(4);
  if (!starts_with_com(rest)) return name;
  const std::string digits = rest.substr(3);
  if (!is_decimal(digits)) return {};
  const int number = std::stoi(digits);
  if (number < 1) return {};
  return "/dev/ttyS" + std::to_string(number - 1);
}

std::unique_ptr<SerialPort> make_platform_serial_port() {
  return std::make_unique<PosixSerialPort>();
}

#endif
