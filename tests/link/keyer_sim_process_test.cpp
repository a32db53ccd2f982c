// The whole link, POSIX port included, against the ostrel-keyer-sim program on its own
// pseudo-terminal, as the tools meet it when no keyer is plugged in.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "link/admin.h"
#include "link/interface_test.h"
#include "link/link.h"
#include "link/platform_serial_port.h"
#include "platform/pause.h"
#include "platform/recording_controls.h"
#include "resources/control_ids.h"
#include "settings/settings_image.h"

extern char** environ;

namespace {

// The platform's port, opened at the simulator's pty whatever COM name the link asks for.
class PortAtPath : public SerialPort {
 public:
  explicit PortAtPath(std::string path) : path_(std::move(path)) {}
  bool open(const std::string&) override { return port_->open(path_); }
  bool read_settings() override { return port_->read_settings(); }
  bool apply_line_settings(uint32_t rate) override { return port_->apply_line_settings(rate); }
  bool set_baud_rate(uint32_t rate) override { return port_->set_baud_rate(rate); }
  bool purge_input() override { return port_->purge_input(); }
  bool write(const uint8_t* d, size_t n, int ms) override { return port_->write(d, n, ms); }
  bool read(uint8_t* d, size_t n, int ms) override { return port_->read(d, n, ms); }
  bool drain(int ms) override { return port_->drain(ms); }
  void close() override { port_->close(); }

 private:
  std::string path_;
  std::unique_ptr<SerialPort> port_ = make_platform_serial_port();
};

// One ostrel-keyer-sim process, stopped with SIGTERM when the test ends.
class KeyerSimProcess {
 public:
  explicit KeyerSimProcess(const std::vector<std::string>& options) {
    char dir_template[] = "/tmp/ostrel-link-test-XXXXXX";
    dir_ = mkdtemp(dir_template);
    link_path = dir_ + "/keyer";
    image_out = dir_ + "/image.eep";
    std::vector<std::string> args = {OSTREL_KEYER_SIM, "--link", link_path, "--image-out",
                                     image_out};
    args.insert(args.end(), options.begin(), options.end());
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    int out[2];
    if (pipe(out) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    // It prints the pty's path once it serves.
    pollfd p{out[0], POLLIN, 0};
    char line[256] = {};
    if (pid_ > 0 && poll(&p, 1, 5000) == 1) ready = read(out[0], line, sizeof line - 1) > 0;
    close(out[0]);
  }

  ~KeyerSimProcess() {
    stop();
    std::remove(image_out.c_str());
    std::remove(link_path.c_str());
    rmdir(dir_.c_str());
  }

  // Like pulling the adapter: the pty goes away with the process.
  void stop() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    pid_ = -1;
  }

  bool ready = false;
  std::string link_path;
  std::string image_out;

 private:
  std::string dir_;
  pid_t pid_ = -1;
};

SettingsImage pattern() {
  SettingsImage image;
  for (int i = 0; i < SETTINGS_IMAGE_SIZE; ++i) image[i] = static_cast<uint8_t>(255 - i);
  return image;
}

std::vector<uint8_t> file_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(KeyerSimOverPty, InterfaceTestAndImageRoundTrip) {
  const struct {
    const char* name;
    std::vector<std::string> options;
    std::string status;
    std::string ic_label;
  } cases[] = {
      {"replies at once",
       {"--fw", "32.07", "--ic", "3"},
       "Ostrel F/W revision 32.07",
       "Ostrel IC:MINI"},
      // Paced like a real line: the image takes 2.4 s each way at 1200 baud.
      {"paced at 1200 baud", {"--realtime"}, "Ostrel F/W revision 31.04", "Ostrel IC:DIP"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    KeyerSimProcess sim(c.options);
    ASSERT_TRUE(sim.ready);
    link_close();
    set_serial_port_factory([&] { return std::make_unique<PortAtPath>(sim.link_path); });

    RecordingControls window;
    EXPECT_GE(interface_test(window), 30);
    EXPECT_EQ(window.text(IDC_STATUS_FIELD), c.status);
    EXPECT_EQ(window.text(IDC_IC_LABEL), c.ic_label);

    settings_image = pattern();
    EXPECT_TRUE(write_settings_image());
    // Read back as the window does it, as a command of its own: a fresh port and test first.
    // A paced keyer is still taking in the image then, and answers the echo when it is done.
    link_close();
    EXPECT_GE(interface_test(window), 30);
    settings_image = SettingsImage{};
    EXPECT_TRUE(read_settings_image());
    EXPECT_EQ(settings_image, pattern());
    const SettingsImage expected = pattern();
    EXPECT_EQ(file_bytes(sim.image_out), std::vector<uint8_t>(expected.begin(), expected.end()));

    link_close();
    set_serial_port_factory(nullptr);
  }
}

TEST(KeyerSimOverPty, KeyerVanishingMidReplyFailsAtOnce) {
  KeyerSimProcess sim({"--realtime"});
  ASSERT_TRUE(sim.ready);
  link_close();
  set_serial_port_factory([&] { return std::make_unique<PortAtPath>(sim.link_path); });
  RecordingControls window;
  ASSERT_GE(interface_test(window), 30);

  settings_image = pattern();
  std::thread unplug([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    sim.stop();
  });
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(read_settings_image());
  unplug.join();
  const auto took = std::chrono::steady_clock::now() - start;
  // The paced reply would take 2.4 s and the wait is 4 s: only the hang-up ends it this soon.
  EXPECT_LT(took, std::chrono::milliseconds(1500));
  EXPECT_EQ(settings_image, pattern());

  const auto again = std::chrono::steady_clock::now();
  EXPECT_EQ(interface_test(window), -1);
  EXPECT_EQ(window.text(IDC_STATUS_FIELD), "Ostrel Fail:no response");
  EXPECT_LT(std::chrono::steady_clock::now() - again, std::chrono::milliseconds(500));

  link_close();
  set_serial_port_factory(nullptr);
}

}  // namespace
