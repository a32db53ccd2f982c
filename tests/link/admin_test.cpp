#include "link/admin.h"

#include <gtest/gtest.h>

#include <functional>
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

TEST_F(AdminTest, ImageWriteFailsWhenTheBlockIsNotSent) {
  settings_image = pattern(5);
  sim.port_faults.write_accepts_at_most = 100;
  EXPECT_FALSE(write_settings_image());
  EXPECT_EQ(sim.keyer.image_writes, 0);
}

}  // namespace
