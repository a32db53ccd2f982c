// The keyer's firmware side: admin replies, the settings image, resynchronisation, faults.
#include "sim/keyer_sim.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// One write of the host and what the keyer answers to it.
struct Step {
  Bytes sent;
  Bytes reply;
  uint32_t baud = 1200;
};

struct Case {
  const char* name;
  std::vector<Step> steps;
};

// Values unlike the defaults and unlike each other, so that a swapped reply shows.
KeyerSimConfig distinct_config() {
  KeyerSimConfig config;
  config.fw_major = 30;
  config.fw_minor = 7;
  config.ic_type = 3;
  config.pot_value = 201;
  config.supply_reading = 80;
  config.aux_value = 9;
  return config;
}

void run_steps(KeyerSim& keyer, const std::vector<Step>& steps) {
  for (size_t i = 0; i < steps.size(); ++i) {
    const Step& step = steps[i];
    EXPECT_EQ(keyer.receive(step.sent.data(), step.sent.size(), step.baud), step.reply)
        << "step " << i;
  }
}

TEST(KeyerSimFirmware, AnswersAdminCommands) {
  const Case cases[] = {
      {"echo", {{{0x00, 0x04, 0x55}, {0x55}}}},
      {"major revision", {{{0x00, 0x09}, {30}}}},
      {"minor revision", {{{0x00, 0x17}, {7}}}},
      {"IC type", {{{0x00, 0x18}, {3}}}},
      {"pot value", {{{0x00, 0x06}, {201}}}},
      {"supply reading", {{{0x00, 0x15}, {80}}}},
      {"aux value", {{{0x00, 0x05}, {9}}}},
      {"commands in one write", {{{0x00, 0x09, 0x00, 0x17, 0x00, 0x18}, {30, 7, 3}}}},
      {"command split over writes", {{{0x00}, {}}, {{0x04}, {}}, {{0x55}, {0x55}}}},
      {"echo with another argument", {{{0x00, 0x04, 0x56}, {}}, {{0x00, 0x09}, {30}}}},
      {"unknown sub-command", {{{0x00, 0x33, 0x00, 0x17}, {7}}}},
      {"noise before a frame", {{{0x41, 0x55, 0xFF, 0x00, 0x09}, {30}}}},
      {"doubled frame start", {{{0x00, 0x00, 0x09}, {30}}}},
      {"frame start where an argument was due", {{{0x00, 0x04, 0x00, 0x09}, {30}}}},
      {"bootloader entry with another argument",
       {{{0x00, 0x10, 0x9C}, {}}, {{0x00, 0x04, 0x55}, {0x55}}}},
      {"rate switch means nothing to the firmware", {{{0x35, 0x5A}, {}}, {{0x00, 0x09}, {30}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    KeyerSim keyer(distinct_config());
    run_steps(keyer, c.steps);
    EXPECT_EQ(keyer.mode(), KeyerSim::Mode::firmware);
    EXPECT_EQ(keyer.baud_rate(), 1200u);
  }
}

SettingsImage patterned_image(uint8_t seed) {
  SettingsImage image;
  // 0x00, 0x0C and 0x5A among the bytes: they must be taken as data.
  for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 7 + seed);
  image[0] = 0x00;
  image[1] = 0x0C;
  image[2] = 0x5A;
  return image;
}

Bytes write_command(const SettingsImage& image) {
  Bytes bytes(2 + image.size());
  bytes[1] = 0x0D;
  std::copy(image.begin(), image.end(), bytes.begin() + 2);
  return bytes;
}

TEST(KeyerSimFirmware, StoresAndReturnsTheSettingsImage) {
  struct ImageCase {
    const char* name;
    size_t chunk;  // the host's write split into pieces of this size
  };
  const ImageCase cases[] = {{"one write", 1000}, {"byte by byte", 1}, {"uneven pieces", 37}};
  for (const ImageCase& c : cases) {
    SCOPED_TRACE(c.name);
    KeyerSimConfig config;
    config.image = patterned_image(1);
    KeyerSim keyer(config);

    const Bytes read_command{0x00, 0x0C};
    EXPECT_EQ(keyer.receive(read_command.data(), 2, 1200),
              Bytes(config.image.begin(), config.image.end()));

    const SettingsImage written = patterned_image(99);
    const Bytes sent = write_command(written);
    for (size_t at = 0; at < sent.size(); at += c.chunk) {
      const size_t count = std::min(c.chunk, sent.size() - at);
      EXPECT_TRUE(keyer.receive(sent.data() + at, count, 1200).empty());
    }
    EXPECT_EQ(keyer.image_writes, 1);
    EXPECT_EQ(keyer.image, written);
    EXPECT_EQ(keyer.receive(read_command.data(), 2, 1200), Bytes(written.begin(), written.end()));
    // The parser is back at a frame boundary after the image.
    const Bytes echo{0x00, 0x04, 0x55};
    EXPECT_EQ(keyer.receive(echo.data(), 3, 1200), Bytes{0x55});
  }
}

TEST(KeyerSimFirmware, DropsBytesSentAtAnotherRate) {
  const Case cases[] = {
      {"whole command at 9600", {{{0x00, 0x04, 0x55}, {}, 9600}, {{0x00, 0x04, 0x55}, {0x55}}}},
      {"unset port rate", {{{0x00, 0x09}, {}, 0}}},
      {"garbled byte inside a command", {{{0x00}, {}}, {{0x09}, {}, 2400}, {{0x17}, {7}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    KeyerSim keyer(distinct_config());
    run_steps(keyer, c.steps);
    // Every byte is logged, heard or not.
    size_t sent = 0;
    for (const Step& step : c.steps) sent += step.sent.size();
    EXPECT_EQ(keyer.received.size(), sent);
  }
}

TEST(KeyerSimFirmware, Faults) {
  struct FaultCase {
    const char* name;
    KeyerFaults faults;
    std::vector<Step> steps;
  };
  auto faults_with = [](auto change) {
    KeyerFaults faults;
    change(faults);
    return faults;
  };
  const FaultCase cases[] = {
      {"silent",
       faults_with([](KeyerFaults& f) { f.silent = true; }),
       {{{0x00, 0x04, 0x55}, {}}, {{0x00, 0x09}, {}}}},
      {"echo answered with 0xAA",
       faults_with([](KeyerFaults& f) { f.echo_reply = 0xAA; }),
       {{{0x00, 0x04, 0x55}, {0xAA}}}},
      {"echo answered with 0x00",
       faults_with([](KeyerFaults& f) { f.echo_reply = 0x00; }),
       {{{0x00, 0x04, 0x55}, {0x00}}}},
      {"one query unanswered",
       faults_with([](KeyerFaults& f) { f.unanswered_sub_commands = {0x17}; }),
       {{{0x00, 0x09}, {30}}, {{0x00, 0x17}, {}}, {{0x00, 0x18}, {3}}}},
      {"echo unanswered",
       faults_with([](KeyerFaults& f) { f.unanswered_sub_commands = {0x04}; }),
       {{{0x00, 0x04, 0x55}, {}}, {{0x00, 0x09}, {30}}}},
      {"replies cut to none",
       faults_with([](KeyerFaults& f) { f.short_reply = 0; }),
       {{{0x00, 0x04, 0x55}, {}}}},
      {"one-byte replies kept whole",
       faults_with([](KeyerFaults& f) { f.short_reply = 1; }),
       {{{0x00, 0x04, 0x55, 0x00, 0x09}, {0x55, 30}}}},
      {"silent after two bytes",
       faults_with([](KeyerFaults& f) { f.silent_after_bytes = 2; }),
       {{{0x00, 0x04, 0x55}, {0x55}}, {{0x00, 0x09, 0x00, 0x17}, {30}}, {{0x00, 0x18}, {}}}},
      {"silent from the start",
       faults_with([](KeyerFaults& f) { f.silent_after_bytes = 0; }),
       {{{0x00, 0x04, 0x55}, {}}}},
  };
  for (const FaultCase& c : cases) {
    SCOPED_TRACE(c.name);
    KeyerSim keyer(distinct_config());
    keyer.faults = c.faults;
    run_steps(keyer, c.steps);
  }
}

TEST(KeyerSimFirmware, LineFaults) {
  struct LineCase {
    const char* name;
    KeyerFaults faults;
    std::vector<Step> steps;
    bool hung_up;
  };
  auto faults_with = [](auto change) {
    KeyerFaults faults;
    change(faults);
    return faults;
  };
  const LineCase cases[] = {
      // Noise masks 0x20 and 0x81 for the bytes sent as numbers 0 and 1.
      {"garbled replies",
       faults_with([](KeyerFaults& f) { f.garble = true; }),
       {{{0x00, 0x04, 0x55}, {0x55 ^ 0x20}}, {{0x00, 0x09}, {30 ^ 0x81}}},
       false},
      {"hang-up as the echo test arrives: heard, not answered",
       faults_with([](KeyerFaults& f) { f.hangup_after_received = 3; }),
       {{{0x00, 0x04, 0x55}, {}}, {{0x00, 0x09}, {}}},
       true},
      {"hang-up after the fifth byte heard",
       faults_with([](KeyerFaults& f) { f.hangup_after_received = 5; }),
       {{{0x00, 0x04, 0x55}, {0x55}}, {{0x00, 0x09, 0x00, 0x17}, {}}},
       true},
      {"hang-up after two bytes sent",
       faults_with([](KeyerFaults& f) { f.hangup_after_sent = 2; }),
       {{{0x00, 0x04, 0x55}, {0x55}}, {{0x00, 0x09, 0x00, 0x17}, {30}}, {{0x00, 0x18}, {}}},
       true},
      {"no hang-up before the count",
       faults_with([](KeyerFaults& f) { f.hangup_after_sent = 3; }),
       {{{0x00, 0x04, 0x55}, {0x55}}, {{0x00, 0x09}, {30}}},
       false},
  };
  for (const LineCase& c : cases) {
    SCOPED_TRACE(c.name);
    KeyerSim keyer(distinct_config());
    keyer.faults = c.faults;
    run_steps(keyer, c.steps);
    EXPECT_EQ(keyer.hung_up(), c.hung_up);
  }
}

TEST(KeyerSimFirmware, GarbledEchoNeverReadsAsAnotherAnswer) {
  KeyerSim keyer;
  keyer.faults.garble = true;
  const Bytes echo{0x00, 0x04, 0x55};
  for (int i = 0; i < 600; ++i) {
    const Bytes reply = keyer.receive(echo.data(), echo.size(), 1200);
    ASSERT_EQ(reply.size(), 1u);
    ASSERT_NE(reply[0], 0x55) << i;
    ASSERT_NE(reply[0], 0xAA) << i;
  }
}

TEST(KeyerSimFirmware, LateRepliesFromAGivenByte) {
  KeyerSim keyer(distinct_config());
  keyer.faults.reply_delay_ms = 4500;
  keyer.faults.delay_after_bytes = 1;
  const Bytes echo{0x00, 0x04, 0x55};
  const Bytes major{0x00, 0x09};
  keyer.receive(echo.data(), echo.size(), 1200);
  EXPECT_EQ(keyer.reply_delay_ms(), 0);
  keyer.receive(major.data(), major.size(), 1200);
  EXPECT_EQ(keyer.reply_delay_ms(), 4500);

  // One sub-command late, the others on time.
  keyer.faults = KeyerFaults{};
  keyer.faults.late_sub_command = 0x09;
  keyer.faults.late_reply_ms = 4300;
  keyer.receive(major.data(), major.size(), 1200);
  EXPECT_EQ(keyer.reply_delay_ms(), 4300);
  keyer.receive(echo.data(), echo.size(), 1200);
  EXPECT_EQ(keyer.reply_delay_ms(), 0);
}

TEST(KeyerSimFirmware, PowerCycleForgetsTheLineButKeepsTheSettings) {
  KeyerSim keyer(distinct_config());
  keyer.faults.hangup_after_received = 4;
  const SettingsImage written = patterned_image(8);
  const Bytes sent = write_command(written);
  keyer.receive(sent.data(), sent.size(), 1200);  // cut off after two image bytes
  ASSERT_TRUE(keyer.hung_up());
  keyer.faults = KeyerFaults{};
  keyer.power_cycle();
  EXPECT_FALSE(keyer.hung_up());
  // The halfway image is forgotten: the next command is heard as a command.
  run_steps(keyer, {{{0x00, 0x09}, {30}}});
  EXPECT_EQ(keyer.image, distinct_config().image);

  const Bytes entry{0x00, 0x10, 0x9B, 0x35};
  keyer.receive(entry.data(), entry.size(), 1200);
  ASSERT_EQ(keyer.baud_rate(), 9600u);
  keyer.power_cycle();
  EXPECT_EQ(keyer.mode(), KeyerSim::Mode::firmware);
  EXPECT_EQ(keyer.baud_rate(), 1200u);
}

TEST(KeyerSimFirmware, ReplyFaultsCutTheImage) {
  struct CutCase {
    const char* name;
    int short_reply;
    long silent_after_bytes;
    size_t expected;
  };
  const CutCase cases[] = {
      {"short reply", 100, -1, 100},
      {"short reply longer than the image", 1000, -1, 288},
      {"silent part way", -1, 150, 150},
      {"both, the tighter wins", 200, 50, 50},
  };
  for (const CutCase& c : cases) {
    SCOPED_TRACE(c.name);
    KeyerSimConfig config;
    config.image = patterned_image(5);
    KeyerSim keyer(config);
    keyer.faults.short_reply = c.short_reply;
    keyer.faults.silent_after_bytes = c.silent_after_bytes;
    const Bytes read_command{0x00, 0x0C};
    const Bytes reply = keyer.receive(read_command.data(), 2, 1200);
    EXPECT_EQ(reply, Bytes(config.image.begin(),
                           config.image.begin() + static_cast<std::ptrdiff_t>(c.expected)));
  }
}

TEST(KeyerSimFirmware, SilentKeyerStillStoresWhatItHears) {
  KeyerSim keyer;
  keyer.faults.silent = true;
  const SettingsImage written = patterned_image(3);
  const Bytes sent = write_command(written);
  EXPECT_TRUE(keyer.receive(sent.data(), sent.size(), 1200).empty());
  EXPECT_EQ(keyer.image, written);
  EXPECT_EQ(keyer.image_writes, 1);
}

}  // namespace
