#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/exit_status.h"
#include "cli/link_setup.h"
#include "cli/port_doctor.h"
#include "cli/trace_port.h"
#include "link/link.h"
#include "sim/in_process_port.h"

namespace {

TEST(CliParseComPortName, AcceptsOnlyComNamesWithAPortNumber) {
  struct Case {
    const char* name;
    int want;  // 0: not a COM name
  } cases[] = {
      {"COM3", 3},
      {"com3", 3},
      {"Com12", 12},
      {"\\\\.\\COM12", 12},
      {"\\\\.\\com7", 7},
      {"COM", 0},
      {"COM0", 0},
      {"COM-1", 0},
      {"COM3a", 0},
      {"COM 3", 0},
      {"/dev/ttyUSB0", 0},
      {"", 0},
      {"COM999999999", 999999999},
      {"COM1234567890", 0},
      {"\\\\.\\", 0},
  };
  for (const Case& c : cases) {
    const std::optional<int32_t> got = parse_com_port_name(c.name);
    if (c.want == 0) {
      EXPECT_FALSE(got.has_value()) << c.name;
    } else {
      ASSERT_TRUE(got.has_value()) << c.name;
      EXPECT_EQ(*got, c.want) << c.name;
    }
  }
}

TEST(CliConfigFileCandidates, CurrentFolderFirstThenBesideTheProgram) {
  EXPECT_EQ(config_file_candidates("/opt/ostrel/bin/ostrel"),
            (std::vector<std::string>{"Ostrel3tools.cfg", "/opt/ostrel/bin/Ostrel3tools.cfg"}));
  EXPECT_EQ(config_file_candidates(""), (std::vector<std::string>{"Ostrel3tools.cfg"}));
}

TEST(CliSetupLink, ChoosesThePortFromTheOptions) {
  std::ostringstream err;
  com_port_number = 0;
  ASSERT_EQ(setup_link({"\\\\.\\COM12", false, ""}, err), EXIT_OK);
  EXPECT_EQ(com_port_number, 12);
  teardown_link();

  // A device path is opened as it is, whatever COM number the link asks for.
  ASSERT_EQ(setup_link({"/nonexistent/ostrel-port", false, ""}, err), EXIT_OK);
  EXPECT_EQ(link_open(com_port_number), LINK_ERR_OPEN);
  teardown_link();

  ASSERT_EQ(setup_link({"", true, ""}, err), EXIT_OK);
  EXPECT_EQ(link_open(com_port_number), LINK_OK);
  teardown_link();
  EXPECT_FALSE(link_is_open());
}

// A pseudo-terminal that nobody holds: its slave side is a serial device like any other.
class Pty {
 public:
  Pty() : master_(::posix_openpt(O_RDWR | O_NOCTTY)) {
    if (master_ >= 0 && ::grantpt(master_) == 0 && ::unlockpt(master_) == 0) {
      path = ::ptsname(master_);
    }
  }
  ~Pty() { ::close(master_); }
  std::string path;

 private:
  int master_;
};

// Another program holding a device open, locked as a second ostrel or a terminal program holds
// it, or not, as a program that only reads: a child that opens it, then becomes `sleep`.
class DeviceHolder {
 public:
  DeviceHolder(const std::string& path, bool locked) {
    int started[2];
    if (::pipe2(started, O_CLOEXEC) != 0) return;
    pid = ::fork();
    if (pid == 0) {
      const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY);
      if (fd >= 0 && (!locked || ::flock(fd, LOCK_EX) == 0)) {
        ::execlp("sleep", "sleep", "60", nullptr);
      }
      ::_exit(127);
    }
    ::close(started[1]);
    char byte;
    while (::read(started[0], &byte, 1) > 0) {
    }  // the end of the pipe comes with the exec (or the exit)
    ::close(started[0]);
  }
  ~DeviceHolder() {
    if (pid <= 0) return;
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
  }
  pid_t pid = -1;
};

// `ostrel doctor` on ports that open and on each way one can fail to: the exit status, what it
// says on stdout, the first line on stderr (what failed and why, naming the device) and a piece
// of the hints after it.
TEST(CliPortDoctor, NamesEachOpenFailureAndWhatToTry) {
  namespace fs = std::filesystem;
  const fs::path folder = fs::temp_directory_path() / ("ostrel-doctor-" + std::to_string(getpid()));
  fs::create_directories(folder);
  const std::string plain_file = (folder / "notes.txt").string();
  std::ofstream(plain_file) << "not a port\n";
  // A device of group dialout that this user may not open (the fake port says EACCES; root would
  // open any real file).
  const std::string dialout_device = (folder / "ttyUSB7").string();
  std::ofstream{dialout_device};
  const group* dialout = getgrnam("dialout");
  ASSERT_NE(dialout, nullptr);
  ASSERT_EQ(::chown(dialout_device.c_str(), static_cast<uid_t>(-1), dialout->gr_gid), 0);
  fs::permissions(dialout_device, fs::perms(0660));
  const passwd* me = getpwuid(getuid());
  ASSERT_NE(me, nullptr);
  const std::string my_name = me->pw_name;
  Pty free_pty, held_pty, shared_pty;
  ASSERT_FALSE(free_pty.path.empty() || held_pty.path.empty() || shared_pty.path.empty());
  DeviceHolder holder(held_pty.path, true), reader(shared_pty.path, false);
  ASSERT_GT(holder.pid, 0);
  ASSERT_GT(reader.pid, 0);
  const std::string holder_pid = std::to_string(holder.pid);
  // An adapter's stable name is a link to its device.
  const std::string by_id = (folder / "usb-Keyer_Adapter-if00").string();
  fs::create_symlink(held_pty.path, by_id);

  struct Case {
    const char* what;
    std::string device;
    int fake_open_error;  // 0: the real port opens the device
    int status;
    std::string out;
    std::string first_line;
    std::string hint;  // a piece of what follows the first line
  } cases[] = {
      {"free", free_pty.path, 0, EXIT_OK,
       free_pty.path + ": can be opened for reading and writing\n", "", ""},
      // It opens, but the other program would take the keyer's replies.
      {"shared", shared_pty.path, 0, EXIT_OK,
       shared_pty.path + ": can be opened for reading and writing\n",
       "warning: sleep (pid " + std::to_string(reader.pid) + ") has " + shared_pty.path +
           " open too; it may take the keyer's replies",
       ""},
      {"missing", "/nonexistent/ttyUSB3", 0, EXIT_KEYER, "",
       "ostrel: cannot open /nonexistent/ttyUSB3: no such device", "hint: "},
      {"no permission", dialout_device, EACCES, EXIT_KEYER, "",
       "ostrel: cannot open " + dialout_device +
           ": permission denied (the device belongs to group dialout)",
       "hint: add yourself to that group: sudo usermod -aG dialout " + my_name +
           "\nhint: then log out and in again"},
      {"in use", held_pty.path, 0, EXIT_KEYER, "",
       "ostrel: cannot open " + held_pty.path + ": in use by sleep (pid " + holder_pid + ")",
       "kill " + holder_pid},
      {"in use, by its stable name", by_id, 0, EXIT_KEYER, "",
       "ostrel: cannot open " + by_id + ": in use by sleep (pid " + holder_pid + ")", ""},
      {"not a tty", plain_file, 0, EXIT_KEYER, "",
       "ostrel: cannot use " + plain_file + ": not a serial device", "hint: "},
  };
  for (const Case& c : cases) {
    std::ostringstream out, err;
    const LinkOptions options{c.device, false, ""};
    ASSERT_EQ(setup_link(options, err), EXIT_OK) << c.what;
    std::unique_ptr<SimulatedKeyerLink> fake;
    if (c.fake_open_error != 0) {
      fake = std::make_unique<SimulatedKeyerLink>();
      fake->port_faults.fail_open = true;
      fake->port_faults.system_error = c.fake_open_error;
    }
    EXPECT_EQ(check_port(cli_link_state.port_name, out, err), c.status) << c.what;
    teardown_link();
    EXPECT_EQ(out.str(), c.out) << c.what;
    const std::string text = err.str();
    EXPECT_EQ(text.substr(0, text.find('\n')), c.first_line) << c.what;
    EXPECT_NE(text.find(c.hint), std::string::npos) << c.what << ": " << text;
  }
  fs::remove_all(folder);
}

TEST(CliHexBytes, SpacedAndBrokenAfterEverySixteen) {
  const std::vector<uint8_t> seventeen(17, 0xA5);
  struct Case {
    std::vector<uint8_t> bytes;
    std::string want;
  } cases[] = {
      {{}, ""},
      {{0x00}, "00"},
      {{0x00, 0x04, 0x55}, "00 04 55"},
      {{0xAB, 0xCD, 0xEF}, "AB CD EF"},
      {seventeen, "A5 A5 A5 A5 A5 A5 A5 A5 A5 A5 A5 A5 A5 A5 A5 A5\nA5"},
  };
  for (const Case& c : cases) EXPECT_EQ(hex_bytes(c.bytes.data(), c.bytes.size()), c.want);
}

// A port whose every operation gives the scripted result; reads deliver `reply`.
class ScriptedPort : public SerialPort {
 public:
  explicit ScriptedPort(bool ok) : ok_(ok) {}
  bool open(const std::string&) override { return ok_; }
  bool read_settings() override { return ok_; }
  bool apply_line_settings(uint32_t) override { return ok_; }
  bool set_baud_rate(uint32_t) override { return ok_; }
  bool purge_input() override { return ok_; }
  bool write(const uint8_t*, size_t, int) override { return ok_; }
  bool read(uint8_t* data, size_t count, int) override {
    for (size_t i = 0; i < count; ++i) data[i] = static_cast<uint8_t>(0x55 + i);
    return ok_;
  }
  void close() override {}

 private:
  bool ok_;
};

// The trace's lines without their time column.
std::vector<std::string> trace_lines(std::FILE* file) {
  std::rewind(file);
  std::vector<std::string> lines;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, file)) {
    std::string line(buffer);
    if (!line.empty() && line.back() == '\n') line.pop_back();
    const size_t ms = line.find(" ms  ");
    lines.push_back(ms == std::string::npos || ms > 8 ? line : line.substr(ms + 5));
  }
  return lines;
}

TEST(CliTracePort, WritesEveryOperationAndItsBytes) {
  struct Case {
    bool ok;
    std::vector<std::string> want;
  } cases[] = {
      {true,
       {"open      COM3", "line      1200 baud 8N1", "purge     ", "sent      00 04 55",
        "received  55", "baud      9600",
        "sent      00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F", "                       10 11",
        "close     "}},
      {false,
       {"open      COM3  FAILED", "line      1200 baud 8N1  FAILED", "purge       FAILED",
        "sent      00 04 55  FAILED",
        "received  nothing: 1 byte(s) not there within 4000 ms  FAILED", "baud      9600  FAILED",
        "sent      00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F",
        "                       10 11  FAILED", "close     "}},
  };
  for (const Case& c : cases) {
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    TracePort port(std::make_unique<ScriptedPort>(c.ok), file, TracePort::Clock::now());
    const uint8_t echo[] = {0x00, 0x04, 0x55};
    uint8_t frame[18];
    for (uint8_t i = 0; i < sizeof frame; ++i) frame[i] = i;
    uint8_t reply = 0;
    port.open("COM3");
    port.apply_line_settings(1200);
    port.purge_input();
    port.write(echo, sizeof echo, 2000);
    port.read(&reply, 1, 4000);
    port.set_baud_rate(9600);
    port.write(frame, sizeof frame, 2000);
    port.close();
    EXPECT_EQ(trace_lines(file), c.want) << "ok " << c.ok;
    std::fclose(file);
  }
}

}  // namespace
