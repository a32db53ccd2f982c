// The termios port against a real pseudo-terminal: the test holds the master side and plays
// the keyer on it, so the kernel's tty layer is the one the program meets on a serial device.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "link/platform_serial_port.h"

namespace {

using Clock = std::chrono::steady_clock;

long elapsed_ms(Clock::time_point since) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count();
}

class PtyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[256] = {};
    ASSERT_EQ(openpty(&master_, &slave_, name, nullptr, nullptr), 0);
    path_ = name;
    // Raw on the master side too, so the test's bytes arrive unchanged.
    termios t;
    ASSERT_EQ(tcgetattr(master_, &t), 0);
    cfmakeraw(&t);
    ASSERT_EQ(tcsetattr(master_, TCSANOW, &t), 0);
    port_ = make_platform_serial_port();
    ASSERT_TRUE(port_->open(path_));
    ASSERT_TRUE(port_->read_settings());
    ASSERT_TRUE(port_->apply_line_settings(1200));
  }

  void TearDown() override {
    stop_ = true;
    if (responder_.joinable()) responder_.join();
    port_->close();
    close_master();
    if (slave_ >= 0) close(slave_);
  }

  void close_master() {
    if (master_ >= 0) close(master_);
    master_ = -1;
  }

  // The keyer side: answers every byte it receives with that byte plus one, at most `limit`
  // answers in all.
  void answer_each_byte(int limit) {
    responder_ = std::thread([this, limit] {
      int answered = 0;
      while (!stop_ && answered < limit) {
        pollfd p{master_, POLLIN, 0};
        if (poll(&p, 1, 20) <= 0) continue;
        uint8_t byte;
        if (read(master_, &byte, 1) != 1) return;
        const uint8_t reply = byte + 1;
        if (write(master_, &reply, 1) != 1) return;
        ++answered;
      }
    });
  }

  termios slave_settings() {
    termios t{};
    EXPECT_EQ(tcgetattr(slave_, &t), 0);
    return t;
  }

  int master_ = -1;
  int slave_ = -1;
  std::string path_;
  std::unique_ptr<SerialPort> port_;
  std::thread responder_;
  std::atomic<bool> stop_{false};
};

TEST(PosixDevicePath, PortNamesMapToSerialDevices) {
  const struct {
    std::string name;
    std::string path;
  } cases[] = {
      {"COM1", "/dev/ttyS0"},
      {"COM9", "/dev/ttyS8"},
      {"\\\\.\\COM10", "/dev/ttyS9"},
      {"com3", "/dev/ttyS2"},
      {"COM0", ""},
      {"COM-1", ""},
      {"COM", ""},
      {"COM1x", ""},
      {"COM99999999999", ""},
      {"/dev/pts/7", "/dev/pts/7"},
      {"keyer.pty", "keyer.pty"},
  };
  for (const auto& c : cases) EXPECT_EQ(posix_device_path(c.name), c.path) << c.name;
}

TEST(PosixPort, MissingDeviceDoesNotOpen) {
  auto port = make_platform_serial_port();
  EXPECT_FALSE(port->open("/nonexistent/ostrel-port"));
  EXPECT_FALSE(port->open("COM0"));
  EXPECT_FALSE(port->read_settings());
  uint8_t byte = 0;
  EXPECT_FALSE(port->write(&byte, 1, 10));
  EXPECT_FALSE(port->read(&byte, 1, 10));
}

TEST_F(PtyTest, PortIsHeldByOneUserAtATime) {
  auto second = make_platform_serial_port();
  EXPECT_FALSE(second->open(path_));
  port_->close();
  EXPECT_TRUE(second->open(path_));
}

TEST_F(PtyTest, LineIsRaw8N1WithoutFlowControl) {
  const termios t = slave_settings();
  const struct {
    const char* what;
    tcflag_t flags;
    tcflag_t mask;
    tcflag_t expected;
  } cases[] = {
      {"8 data bits", t.c_cflag, CSIZE, CS8},
      {"no parity", t.c_cflag, PARENB, 0},
      {"one stop bit", t.c_cflag, CSTOPB, 0},
      {"receiver on, modem lines ignored", t.c_cflag, CREAD | CLOCAL, CREAD | CLOCAL},
      {"no RTS/CTS", t.c_cflag, CRTSCTS, 0},
      {"no XON/XOFF", t.c_iflag, IXON | IXOFF | IXANY, 0},
      {"bytes unchanged on input", t.c_iflag, ICRNL | INLCR | IGNCR | ISTRIP | PARMRK | INPCK, 0},
      {"bytes unchanged on output", t.c_oflag, OPOST, 0},
      {"no line editing, echo or signals", t.c_lflag, ICANON | ECHO | ISIG | IEXTEN, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(c.flags & c.mask, c.expected) << c.what;
  EXPECT_EQ(cfgetospeed(&t), B1200);
  EXPECT_EQ(cfgetispeed(&t), B1200);
}

TEST_F(PtyTest, BaudRateChanges) {
  const struct {
    uint32_t rate;
    bool accepted;
    speed_t speed;
  } cases[] = {{9600, true, B9600}, {1200, true, B1200}, {1234, false, B1200}};
  for (const auto& c : cases) {
    EXPECT_EQ(port_->set_baud_rate(c.rate), c.accepted) << c.rate;
    const termios t = slave_settings();
    EXPECT_EQ(cfgetospeed(&t), c.speed) << c.rate;
  }
}

TEST_F(PtyTest, ExchangesEveryByteValue) {
  answer_each_byte(256);
  std::vector<uint8_t> sent(256);
  for (int i = 0; i < 256; ++i) sent[i] = static_cast<uint8_t>(i);
  // Sent in small blocks so that the replies never fill the pty's buffer.
  for (int i = 0; i < 256; i += 16) {
    ASSERT_TRUE(port_->write(&sent[i], 16, 2000));
    uint8_t replies[16];
    ASSERT_TRUE(port_->read(replies, 16, 2000)) << i;
    for (int k = 0; k < 16; ++k) ASSERT_EQ(replies[k], static_cast<uint8_t>(i + k + 1));
  }
}

TEST_F(PtyTest, ReadTimesOutWhenTooFewBytesCome) {
  answer_each_byte(2);
  const uint8_t request[] = {10, 20, 30};
  ASSERT_TRUE(port_->write(request, sizeof request, 2000));
  uint8_t replies[3] = {};
  const auto start = Clock::now();
  EXPECT_FALSE(port_->read(replies, 3, 300));
  const long took = elapsed_ms(start);
  EXPECT_GE(took, 290);
  EXPECT_LT(took, 1500);
  EXPECT_EQ(replies[0], 11) << "what did arrive is left in the buffer";
}

TEST_F(PtyTest, PurgeDiscardsWaitingInput) {
  const uint8_t stale[] = {1, 2, 3};
  ASSERT_EQ(write(master_, stale, sizeof stale), 3);
  // The pty hands bytes over asynchronously; the link pauses the same way before its purge.
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  ASSERT_TRUE(port_->purge_input());
  uint8_t byte = 0;
  EXPECT_FALSE(port_->read(&byte, 1, 100));
  const uint8_t fresh = 42;
  ASSERT_EQ(write(master_, &fresh, 1), 1);
  ASSERT_TRUE(port_->read(&byte, 1, 1000));
  EXPECT_EQ(byte, 42);
}

// An unplugged adapter: the other side goes away while the link waits. The wait must end at
// once, not when its time runs out, and never spin.
TEST_F(PtyTest, VanishedPeerFailsWithoutWaiting) {
  std::thread closer([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    close_master();
  });
  uint8_t buffer[4];
  const auto start = Clock::now();
  EXPECT_FALSE(port_->read(buffer, sizeof buffer, 4000));
  closer.join();
  EXPECT_LT(elapsed_ms(start), 1500);

  const auto again = Clock::now();
  EXPECT_FALSE(port_->read(buffer, sizeof buffer, 4000));
  EXPECT_FALSE(port_->write(buffer, sizeof buffer, 2000));
  EXPECT_LT(elapsed_ms(again), 500);
}

}  // namespace
