// The simulator's command line: numbers, the firmware revision, and what it refuses.
#include "sim/sim_options.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

TEST(SimNumbers, DecimalAndHex) {
  struct Case {
    const char* text;
    long max;
    bool ok;
    long value;
  };
  const Case cases[] = {
      {"0", 255, true, 0},
      {"255", 255, true, 255},
      {"0xFF", 255, true, 255},
      {"0x1b", 255, true, 0x1B},
      {"0X2E", 255, true, 0x2E},
      {"04", 255, true, 4},
      {"256", 255, false, 0},
      {"0x100", 255, false, 0},
      {"", 255, false, 0},
      {"0x", 255, false, 0},
      {"-1", 255, false, 0},
      {"12a", 255, false, 0},
      {"0xg", 255, false, 0},
      {" 5", 255, false, 0},
      {"99999999999", 0x7FFFFFFF, false, 0},
      {"2147483647", 0x7FFFFFFF, true, 2147483647},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    long value = -7;
    EXPECT_EQ(parse_sim_number(c.text, 0, c.max, value), c.ok);
    EXPECT_EQ(value, c.ok ? c.value : -7);  // untouched on failure
  }
}

TEST(SimNumbers, FirmwareRevision) {
  struct Case {
    const char* text;
    bool ok;
    uint8_t major;
    uint8_t minor;
  };
  const Case cases[] = {
      {"31.04", true, 31, 4},  {"30.3", true, 30, 3},   {"29.123", true, 29, 123},
      {"0x1F.5", true, 31, 5}, {"31", false, 0, 0},     {"31.", false, 0, 0},
      {".4", false, 0, 0},     {"31.4.1", false, 0, 0}, {"256.1", false, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    uint8_t major = 0, minor = 0;
    EXPECT_EQ(parse_firmware_revision(c.text, major, minor), c.ok);
    if (c.ok) {
      EXPECT_EQ(major, c.major);
      EXPECT_EQ(minor, c.minor);
    }
  }
}

int parse(std::vector<std::string> arguments, SimOptions& options) {
  arguments.insert(arguments.begin(), "ostrel-keyer-sim");
  std::vector<const char*> argv;
  for (const std::string& argument : arguments) argv.push_back(argument.c_str());
  return parse_sim_options(static_cast<int>(argv.size()), argv.data(), options);
}

TEST(SimOptionsParse, FillsTheKeyerAndItsFaults) {
  SimOptions options;
  ASSERT_EQ(parse({"--link",
                   "/tmp/com1",
                   "--fw",
                   "30.03",
                   "--ic",
                   "0x03",
                   "--pot",
                   "7",
                   "--supply",
                   "80",
                   "--aux",
                   "9",
                   "--no-firmware",
                   "--image-out",
                   "img",
                   "--flash-out",
                   "flash",
                   "--rx-log",
                   "rx",
                   "--realtime",
                   "--silent",
                   "--echo",
                   "0xAA",
                   "--sync",
                   "0x55",
                   "--no-reply",
                   "0x17",
                   "--no-reply",
                   "24",
                   "--short",
                   "100",
                   "--delay",
                   "250",
                   "--late",
                   "0x18:4300",
                   "--refuse-frame",
                   "3",
                   "--refuse-code",
                   "0",
                   "--silent-after",
                   "0x10",
                   "--garble",
                   "--delay-after",
                   "4",
                   "--hangup-after-rx",
                   "5",
                   "--hangup-after-tx",
                   "104",
                   "--replug-after",
                   "300",
                   "--heal-file",
                   "heal"},
                  options),
            -1);
  EXPECT_EQ(options.link_path, "/tmp/com1");
  EXPECT_EQ(options.config.fw_major, 30);
  EXPECT_EQ(options.config.fw_minor, 3);
  EXPECT_EQ(options.config.ic_type, 3);
  EXPECT_EQ(options.config.pot_value, 7);
  EXPECT_EQ(options.config.supply_reading, 80);
  EXPECT_EQ(options.config.aux_value, 9);
  EXPECT_TRUE(options.config.no_firmware);
  EXPECT_EQ(options.image_out, "img");
  EXPECT_EQ(options.flash_out, "flash");
  EXPECT_EQ(options.rx_log, "rx");
  EXPECT_TRUE(options.realtime);
  EXPECT_TRUE(options.faults.silent);
  EXPECT_EQ(options.faults.echo_reply, 0xAA);
  EXPECT_EQ(options.faults.sync_reply, 0x55);
  EXPECT_EQ(options.faults.unanswered_sub_commands, (std::vector<uint8_t>{0x17, 24}));
  EXPECT_EQ(options.faults.short_reply, 100);
  EXPECT_EQ(options.faults.reply_delay_ms, 250);
  EXPECT_EQ(options.faults.late_sub_command, 0x18);
  EXPECT_EQ(options.faults.late_reply_ms, 4300);
  EXPECT_EQ(options.faults.refuse_frame, 3);
  EXPECT_EQ(options.faults.refuse_code, 0);
  EXPECT_EQ(options.faults.silent_after_bytes, 16);
  EXPECT_TRUE(options.faults.garble);
  EXPECT_EQ(options.faults.delay_after_bytes, 4);
  EXPECT_EQ(options.faults.hangup_after_received, 5);
  EXPECT_EQ(options.faults.hangup_after_sent, 104);
  EXPECT_EQ(options.replug_after_ms, 300);
  EXPECT_EQ(options.heal_file, "heal");
}

TEST(SimOptionsParse, DefaultsAreAWorkingKeyer) {
  SimOptions options;
  ASSERT_EQ(parse({"--link", "x"}, options), -1);
  const KeyerSimConfig config;
  EXPECT_EQ(options.config.fw_major, 31);
  EXPECT_EQ(options.config.fw_minor, 4);
  EXPECT_EQ(options.config.ic_type, config.ic_type);
  EXPECT_FALSE(options.config.no_firmware);
  EXPECT_FALSE(options.faults.silent);
  EXPECT_EQ(options.faults.echo_reply, -1);
  EXPECT_EQ(options.faults.refuse_frame, -1);
  EXPECT_EQ(options.faults.late_sub_command, -1);
  EXPECT_EQ(options.faults.silent_after_bytes, -1);
  EXPECT_EQ(options.faults.hangup_after_received, -1);
  EXPECT_EQ(options.faults.hangup_after_sent, -1);
  EXPECT_EQ(options.replug_after_ms, -1);
  EXPECT_FALSE(options.faults.garble);
  EXPECT_FALSE(options.realtime);
}

TEST(SimOptionsParse, RefusesBadCommandLines) {
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"--link"},
      {"--link", "x", "--pot", "300"},
      {"--link", "x", "--echo", "yes"},
      {"--link", "x", "--fw", "31"},
      {"--link", "x", "--refuse-code", "0x81"},
      {"--link", "x", "--no-reply", "0x100"},
      {"--link", "x", "--delay", "-5"},
      {"--link", "x", "--late", "0x18"},
      {"--link", "x", "--late", "0x100:10"},
      {"--link", "x", "--late", "6:later"},
      {"--link", "x", "--hangup-after-tx", "-1"},
      {"--link", "x", "--replug-after", "600001"},
      {"--link", "x", "--image", "/nonexistent/settings.eep"},
      {"--link", "x", "--bogus"},
  };
  for (const auto& arguments : cases) {
    std::string joined;
    for (const std::string& argument : arguments) joined += argument + " ";
    SCOPED_TRACE(joined);
    SimOptions options;
    EXPECT_GT(parse(arguments, options), 0);
  }
}

TEST(SimOptionsParse, LoadsTheStartingImage) {
  struct Case {
    const char* name;
    size_t size;
    bool ok;
  };
  const Case cases[] = {
      {"whole image", 288, true},
      {"shorter file fills the start", 10, true},
      {"empty file", 0, true},
      {"longer than an image", 289, false},
  };
  const std::string path =
      (std::filesystem::temp_directory_path() / "ostrel_sim_options_image.eep").string();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    {
      std::ofstream file(path, std::ios::binary | std::ios::trunc);
      for (size_t i = 0; i < c.size; ++i) file.put(static_cast<char>(i + 1));
    }
    SimOptions options;
    options.config.image.fill(0x77);
    EXPECT_EQ(parse({"--link", "x", "--image", path}, options), c.ok ? -1 : 2);
    if (!c.ok) continue;
    for (size_t i = 0; i < options.config.image.size(); ++i) {
      ASSERT_EQ(options.config.image[i], i < c.size ? static_cast<uint8_t>(i + 1) : 0) << i;
    }
  }
  std::remove(path.c_str());
}

}  // namespace
