#include <gtest/gtest.h>

#include <cstdio>
#include <deque>
#include <sstream>
#include <string>
#include <vector>

#include "cli/exit_status.h"
#include "cli/link_setup.h"
#include "cli/trace_port.h"
#include "link/link.h"

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
