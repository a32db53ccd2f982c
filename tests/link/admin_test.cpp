#include "link/admin.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "link/link.h"
#include "link_test_support.h"
#include "sim/in_process_port.h"

namespace {

class AdminTest : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_link_globals();
    ASSERT_EQ(link_open(1), LINK_OK);
  }
  void TearDown() override { set_pause_function(nullptr); }

  SimulatedKeyerLink sim{KeyerSimConfig{.pot_value = 201, .supply_reading = 80, .aux_value = 7}};
};

SettingsImage pattern(uint8_t seed) {
  SettingsImage image;
  for (int i = 0; i < SETTINGS_IMAGE_SIZE; ++i) image[i] = static_cast<uint8_t>(seed + i * 7);
  return image;
}

TEST_F(AdminTest, OneByteQueries) {
  const struct {
    const char* name;
    std::function<uint8_t()> query;
    uint8_t sub_command;
    uint8_t answer;
  } cases[] = {
      {"pot value", query_pot_value, 0x06, 201},
      {"supply voltage", query_supply_voltage, 0x15, 80},
      {"IC type", query_ic_type, 0x18, 2},
      {"aux value", query_aux_value, 0x05, 7},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    sim.keyer.received.clear();
    sim.keyer.faults.unanswered_sub_commands.clear();
    EXPECT_EQ(c.query(), c.answer);
    EXPECT_EQ(sim.keyer.received, (std::vector<uint8_t>{0x00, c.sub_command}));

    sim.keyer.faults.unanswered_sub_commands = {c.sub_command};
    EXPECT_EQ(c.query(), 0) << "no reply reads as 0";
  }
}

TEST_F(AdminTest, QueryWithoutALinkGivesZero) {
  link_close();
  EXPECT_EQ(query_pot_value(), 0);
  uint8_t reply = 99;
  EXPECT_FALSE(admin_request(ADMIN_FW_MAJOR, reply));
}

TEST_F(AdminTest, ImageWrittenThenReadBackWhole) {
  settings_image = pattern(3);
  ASSERT_TRUE(write_settings_image());
  EXPECT_EQ(sim.keyer.image, pattern(3));
  EXPECT_EQ(sim.keyer.image_writes, 1);
  std::vector<uint8_t> expected_sent{0x00, 0x0D};
  expected_sent.insert(expected_sent.end(), settings_image.begin(), settings_image.end());
  EXPECT_EQ(sim.keyer.received, expected_sent);

  settings_image = SettingsImage{};
  ASSERT_TRUE(read_settings_image());
  EXPECT_EQ(settings_image, pattern(3));
}

TEST_F(AdminTest, ImageReadIntoACallersBuffer) {
  sim.keyer.image = pattern(40);
  SettingsImage scratch{};
  ASSERT_TRUE(read_settings_image(scratch.data()));
  EXPECT_EQ(scratch, pattern(40));
  EXPECT_EQ(settings_image, SettingsImage{}) << "the program's image is not touched";
  EXPECT_FALSE(read_settings_image(nullptr));
}

// A reply that breaks off must not leave a half-old, half-new image behind a failure.
TEST_F(AdminTest, IncompleteImageReadLeavesTheImageAsItWas) {
  const struct {
    const char* name;
    std::function<void(KeyerFaults&)> fault;
  } cases[] = {
      {"reply cut short", [](KeyerFaults& f) { f.short_reply = 287; }},
      {"keyer stops mid-reply", [](KeyerFaults& f) { f.silent_after_bytes = 100; }},
      {"reply too late", [](KeyerFaults& f) { f.reply_delay_ms = 5000; }},
      {"silent keyer", [](KeyerFaults& f) { f.silent = true; }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(link_open(1), LINK_OK);
    sim.keyer = KeyerSim{};
    c.fault(sim.keyer.faults);
    sim.keyer.image = pattern(90);
    settings_image = pattern(1);
    EXPECT_FALSE(read_settings_image());
    EXPECT_EQ(settings_image, pattern(1));
  }
}

// What the port and the pause seam were asked, in order: "write N", "drain", "pause N".
std::vector<std::string> write_events;

class DrainLoggingPort : public InProcessPort {
 public:
  using InProcessPort::InProcessPort;
  bool write(const uint8_t* data, size_t count, int wait_ms) override {
    write_events.push_back("write " + std::to_string(count));
    return InProcessPort::write(data, count, wait_ms);
  }
  bool drain(int wait_ms) override {
    write_events.push_back("drain");
    return wait_ms > 0 && drains_;
  }
  bool drains_ = true;
};

// A send completes when its bytes are queued, so Write waits for the port to empty, and for the
// frame's own time on the line in any case, before the keyer's 500 ms to store it.
TEST_F(AdminTest, WriteEndsWhenTheKeyerCanHaveTheImage) {
  const struct {
    uint32_t baud;
    bool drains;
  } cases[] = {{1200, true}, {2400, true}, {9600, true}, {300, true}, {1200, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.baud) + (c.drains ? "" : ", queue never empties"));
    DrainLoggingPort* port = nullptr;
    set_serial_port_factory([&]() -> std::unique_ptr<SerialPort> {
      auto made = std::make_unique<DrainLoggingPort>(sim.keyer, sim.port_faults);
      port = made.get();
      return made;
    });
    ASSERT_EQ(link_open(1), LINK_OK);
    port->drains_ = c.drains;
    ASSERT_TRUE(link_set_baud_rate(c.baud));
    write_events.clear();
    set_pause_function([](int ms) { write_events.push_back("pause " + std::to_string(ms)); });

    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(write_settings_image_and_wait(), c.drains);
    const auto took = std::chrono::steady_clock::now() - start;

    ASSERT_GE(write_events.size(), 4u);
    EXPECT_EQ(write_events[0], "write 2");
    EXPECT_EQ(write_events[1], "write 288");
    EXPECT_EQ(write_events[2], "drain");
    EXPECT_EQ(write_events.back(), "pause 500");
    int paused = 0;
    for (size_t i = 3; i < write_events.size(); ++i) {
      ASSERT_EQ(write_events[i].rfind("pause ", 0), 0u) << write_events[i];
      paused += std::stoi(write_events[i].substr(6));
    }
    const double image_on_line_ms = 288.0 * 10 * 1000 / c.baud;
    const double waited_ms = paused + std::chrono::duration<double>(took).count() * 1000;
    EXPECT_GE(waited_ms, image_on_line_ms + 500);
  }
  link_close();
}

TEST_F(AdminTest, ImageWriteFailsWhenTheBlockIsNotSent) {
  settings_image = pattern(5);
  sim.port_faults.write_accepts_at_most = 100;
  EXPECT_FALSE(write_settings_image());
  EXPECT_EQ(sim.keyer.image_writes, 0);
}

}  // namespace
