// ostrel-keyer-sim as a host sees it: a serial device behind a symlink, driven with termios.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numeric>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

const Bytes ECHO_TEST{0x00, 0x04, 0x55};
const Bytes READ_IMAGE{0x00, 0x0C};
constexpr int QUIET_MS = 300;  // how long "no reply" is waited for

Bytes file_bytes(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(file), {});
}

void write_bytes(const fs::path& path, const Bytes& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

class TempDir {
 public:
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / "ostrel-sim-XXXXXX").string();
    path_ = mkdtemp(pattern.data()) ? pattern : "";
  }
  ~TempDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  fs::path operator/(const char* name) const { return fs::path(path_) / name; }

 private:
  std::string path_;
};

// The simulator running as a child process.
class SimProcess {
 public:
  ~SimProcess() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) close(out_);
  }

  // Starts it and waits for the slave path on its standard output.
  bool start(const std::vector<std::string>& arguments) {
    int pipe_fds[2];
    if (pipe(pipe_fds) != 0) return false;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(pipe_fds[1], STDOUT_FILENO);
      close(pipe_fds[0]);
      close(pipe_fds[1]);
      std::vector<char*> argv{const_cast<char*>(OSTREL_KEYER_SIM_PATH)};
      for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
      argv.push_back(nullptr);
      execv(OSTREL_KEYER_SIM_PATH, argv.data());
      _exit(127);
    }
    close(pipe_fds[1]);
    out_ = pipe_fds[0];
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    while (Clock::now() < deadline) {
      pollfd readable{out_, POLLIN, 0};
      if (poll(&readable, 1, 50) <= 0) continue;
      char c;
      if (read(out_, &c, 1) != 1) return false;  // exited before it printed
      if (c == '\n') return true;
      slave_path += c;
    }
    return false;
  }

  // Sends the signal and returns the exit status, or -1 if it did not exit within 3 s.
  int stop(int signal_number) {
    kill(pid_, signal_number);
    return wait_exit();
  }

  int wait_exit() {
    const auto deadline = Clock::now() + std::chrono::seconds(3);
    int status = 0;
    while (Clock::now() < deadline) {
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      usleep(10000);
    }
    return -1;
  }

  std::string slave_path;

 private:
  pid_t pid_ = -1;
  int out_ = -1;
};

// The host's end: the port opened through the link, raw 8N1, as the link's POSIX port does.
class HostPort {
 public:
  explicit HostPort(const fs::path& path) {
    fd_ = open(path.c_str(), O_RDWR | O_NOCTTY);
    termios settings{};
    if (fd_ < 0 || tcgetattr(fd_, &settings) != 0) return;
    cfmakeraw(&settings);
    tcsetattr(fd_, TCSANOW, &settings);
    set_baud(1200);
    tcflush(fd_, TCIFLUSH);
  }
  ~HostPort() {
    if (fd_ >= 0) close(fd_);
  }
  bool is_open() const { return fd_ >= 0; }

  void set_baud(uint32_t baud) {
    termios settings{};
    tcgetattr(fd_, &settings);
    const speed_t speed = baud == 9600 ? B9600 : B1200;
    cfsetispeed(&settings, speed);
    cfsetospeed(&settings, speed);
    tcsetattr(fd_, TCSANOW, &settings);
  }

  void send(const Bytes& bytes) {
    ASSERT_EQ(write(fd_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }

  // Up to count bytes, whatever arrives within wait_ms.
  Bytes receive(size_t count, int wait_ms = 3000) {
    Bytes bytes;
    const auto deadline = Clock::now() + std::chrono::milliseconds(wait_ms);
    while (bytes.size() < count && Clock::now() < deadline) {
      pollfd readable{fd_, POLLIN, 0};
      if (poll(&readable, 1, 10) <= 0) continue;
      uint8_t buffer[512];
      const ssize_t got = read(fd_, buffer, std::min(sizeof buffer, count - bytes.size()));
      if (got > 0) bytes.insert(bytes.end(), buffer, buffer + got);
    }
    return bytes;
  }

  Bytes exchange(const Bytes& bytes, size_t reply_size, int wait_ms = 3000) {
    send(bytes);
    return receive(reply_size, wait_ms);
  }

 private:
  int fd_ = -1;
};

Bytes pattern_image(uint8_t seed) {
  Bytes image(288);
  for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 13 + seed);
  return image;
}

Bytes write_image_command(const Bytes& image) {
  Bytes command{0x00, 0x0D};
  command.insert(command.end(), image.begin(), image.end());
  return command;
}

TEST(KeyerSimProgram, ServesAdminCommandsAndKeepsItsFiles) {
  TempDir dir;
  const Bytes start_image = pattern_image(1);
  write_bytes(dir / "start.eep", start_image);
  SimProcess sim;
  ASSERT_TRUE(sim.start({"--link", (dir / "com1").string(), "--image", (dir / "start.eep").string(),
                         "--image-out", (dir / "out.eep").string(), "--rx-log",
                         (dir / "rx.log").string()}));
  EXPECT_EQ(fs::read_symlink(dir / "com1"), sim.slave_path);
  HostPort host(dir / "com1");
  ASSERT_TRUE(host.is_open());

  EXPECT_EQ(host.exchange(ECHO_TEST, 1), Bytes{0x55});
  EXPECT_EQ(host.exchange(READ_IMAGE, 288), start_image);
  EXPECT_FALSE(fs::exists(dir / "out.eep"));  // nothing written yet

  const Bytes new_image = pattern_image(77);
  host.send(write_image_command(new_image));
  EXPECT_EQ(host.exchange(ECHO_TEST, 1), Bytes{0x55});
  EXPECT_EQ(file_bytes(dir / "out.eep"), new_image);
  EXPECT_EQ(host.exchange(READ_IMAGE, 288), new_image);

  Bytes everything = ECHO_TEST;
  for (const Bytes& part : {READ_IMAGE, write_image_command(new_image), ECHO_TEST, READ_IMAGE}) {
    everything.insert(everything.end(), part.begin(), part.end());
  }
  EXPECT_EQ(file_bytes(dir / "rx.log"), everything);
  EXPECT_EQ(sim.stop(SIGTERM), 0);
}

TEST(KeyerSimProgram, FollowsTheRateTheHostSets) {
  TempDir dir;
  SimProcess sim;
  ASSERT_TRUE(
      sim.start({"--link", (dir / "com1").string(), "--flash-out", (dir / "flash.bin").string()}));
  HostPort host(dir / "com1");

  host.set_baud(9600);
  EXPECT_EQ(host.exchange(ECHO_TEST, 1, QUIET_MS), Bytes{});  // garbled at the keyer
  host.set_baud(1200);
  EXPECT_EQ(host.exchange(ECHO_TEST, 1), Bytes{0x55});

  host.send({0x00, 0x10, 0x9B});
  EXPECT_EQ(host.exchange(ECHO_TEST, 1), Bytes{0xAA});
  host.send({0x35});
  usleep(50000);
  Bytes frame{0x2E, 0x00, 0x18};
  for (int i = 0; i < 16; ++i) frame.push_back(static_cast<uint8_t>(0xA0 + i));
  frame.push_back(
      static_cast<uint8_t>(0x100 - std::accumulate(frame.begin(), frame.end(), 0u) % 256));
  EXPECT_EQ(host.exchange(frame, 1, QUIET_MS), Bytes{});  // host still at 1200
  host.set_baud(9600);
  EXPECT_EQ(host.exchange(frame, 1), Bytes{0x3C});
  host.send({0x5A});
  usleep(50000);
  host.set_baud(1200);
  EXPECT_EQ(host.exchange(ECHO_TEST, 1), Bytes{0x55});  // restarted into the firmware

  const Bytes flash = file_bytes(dir / "flash.bin");
  ASSERT_EQ(flash.size(), 16384u);
  EXPECT_EQ(Bytes(flash.begin() + 0x30, flash.begin() + 0x40),
            Bytes(frame.begin() + 3, frame.end() - 1));
  EXPECT_EQ(Bytes(flash.begin(), flash.begin() + 2), (Bytes{0xFF, 0x3F}));
  EXPECT_EQ(sim.stop(SIGINT), 0);
}

TEST(KeyerSimProgram, OptionsShapeTheReplies) {
  struct Case {
    const char* name;
    std::vector<std::string> options;
    Bytes sent;
    Bytes reply;
    int at_least_ms;
  };
  const Case cases[] = {
      {"values and faults",
       {"--fw", "30.03", "--ic", "3", "--pot", "0x10", "--supply", "80", "--aux", "5", "--echo",
        "0xAA", "--no-reply", "0x18"},
       {0x00, 0x04, 0x55, 0x00, 0x09, 0x00, 0x17, 0x00, 0x18, 0x00, 0x06, 0x00, 0x15, 0x00, 0x05},
       {0xAA, 30, 3, 0x10, 80, 5},
       0},
      {"bootloader only, replying late",
       {"--no-firmware", "--delay", "250"},
       ECHO_TEST,
       {0xAA},
       250},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    std::vector<std::string> arguments{"--link", (dir / "com1").string()};
    arguments.insert(arguments.end(), c.options.begin(), c.options.end());
    SimProcess sim;
    ASSERT_TRUE(sim.start(arguments));
    HostPort host(dir / "com1");
    const auto start = Clock::now();
    EXPECT_EQ(host.exchange(c.sent, c.reply.size()), c.reply);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(c.at_least_ms));
  }
}

TEST(KeyerSimProgram, PortCanBeClosedAndOpenedAgain) {
  TempDir dir;
  SimProcess sim;
  ASSERT_TRUE(sim.start({"--link", (dir / "com1").string()}));
  {
    HostPort host(dir / "com1");
    EXPECT_EQ(host.exchange(ECHO_TEST, 1), Bytes{0x55});
    host.send(READ_IMAGE);  // its reply is left unread
    usleep(100000);
  }
  HostPort again(dir / "com1");  // purges at open, as the link does
  EXPECT_EQ(again.exchange(ECHO_TEST, 2, QUIET_MS), Bytes{0x55});
}

TEST(KeyerSimProgram, LinkHandling) {
  TempDir dir;
  {
    // A link left by a run that was killed is replaced.
    fs::create_symlink("/dev/nonexistent-pts", dir / "com1");
    SimProcess sim;
    ASSERT_TRUE(sim.start({"--link", (dir / "com1").string()}));
    EXPECT_EQ(fs::read_symlink(dir / "com1"), sim.slave_path);
    EXPECT_EQ(sim.stop(SIGTERM), 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(dir / "com1")));
  }
  {
    // A file that is not a link is the user's: left alone, and the program says no.
    write_bytes(dir / "notes", {'h', 'i'});
    SimProcess sim;
    EXPECT_FALSE(sim.start({"--link", (dir / "notes").string()}));
    EXPECT_EQ(sim.wait_exit(), 1);
    EXPECT_EQ(file_bytes(dir / "notes"), (Bytes{'h', 'i'}));
  }
}

TEST(KeyerSimProgram, RealtimePacesTheLine) {
  TempDir dir;
  SimProcess sim;
  ASSERT_TRUE(sim.start({"--link", (dir / "com1").string(), "--realtime"}));
  HostPort host(dir / "com1");
  const auto start = Clock::now();
  EXPECT_EQ(host.exchange(READ_IMAGE, 288, 5000).size(), 288u);
  const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
  // 290 bytes of ten bits at 1200 baud: 2417 ms.
  EXPECT_GE(elapsed.count(), 2350);
  EXPECT_LT(elapsed.count(), 4000);
  std::printf("288-byte image read at 1200 baud in realtime: %lld ms\n",
              static_cast<long long>(elapsed.count()));
}

}  // namespace
