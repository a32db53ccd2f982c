#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "link/link.h"
#include "link_test_support.h"
#include "sim/in_process_port.h"

namespace {

class LinkTest : public ::testing::Test {
 protected:
  void SetUp() override { reset_link_globals(); }
  void TearDown() override { set_pause_function(nullptr); }
};

TEST_F(LinkTest, PortNames) {
  const struct {
    int32_t number;
    std::string name;
  } cases[] = {
      {1, "COM1"},
      {9, "COM9"},
      {0, "COM0"},
      {-3, "COM-3"},
      {10, "\\\\.\\COM10"},
      {255, "\\\\.\\COM255"},
      {INT_MIN, "COM-2147483648"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(link_port_name(c.number), c.name) << c.number;
  }
}

TEST_F(LinkTest, OpenAsksThePortForTheNumbersName) {
  const struct {
    int32_t number;
    std::string name;
  } cases[] = {{9, "COM9"}, {10, "\\\\.\\COM10"}, {0, "COM0"}};
  for (const auto& c : cases) {
    SimulatedKeyerLink sim;
    EXPECT_EQ(link_open(c.number), LINK_OK);
    EXPECT_EQ(sim.opened_names, std::vector<std::string>{c.name});
  }
}

// Once the device is open the link holds it, whichever later step fails, so that the caller's
// link_close releases it.
TEST_F(LinkTest, OpenStatusesAndTheStateTheyLeave) {
  const struct {
    const char* name;
    PortFaults faults;
    int status;
    bool is_open;
  } cases[] = {
      {"configured", {}, LINK_OK, true},
      {"device missing", {.fail_open = true}, LINK_ERR_OPEN, false},
      {"settings unreadable", {.fail_read_settings = true}, LINK_ERR_GET_STATE, true},
      {"settings refused", {.fail_apply_settings = true}, LINK_ERR_SET_STATE, true},
      {"purge refused", {.fail_purge = true}, LINK_ERR_PURGE, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SimulatedKeyerLink sim;
    sim.port_faults = c.faults;
    EXPECT_EQ(link_open(3), c.status);
    EXPECT_EQ(link_is_open(), c.is_open);
    EXPECT_EQ(link_state.port != nullptr, c.is_open);
    link_close();
    EXPECT_FALSE(link_is_open());
    EXPECT_EQ(link_state.port, nullptr);
  }
}

TEST_F(LinkTest, OpenDiscardsWhatWasWaitingAndPausesBeforeThePurge) {
  static std::vector<int> pauses;
  pauses.clear();
  set_pause_function([](int ms) { pauses.push_back(ms); });
  SimulatedKeyerLink sim;
  ASSERT_EQ(link_open(1), LINK_OK);
  const uint8_t query[] = {0x00, 0x09};
  ASSERT_TRUE(link_write(query, sizeof query));
  // A second open while one is held closes the first rather than leaking it.
  ASSERT_EQ(link_open(1), LINK_OK);
  uint8_t byte = 0;
  EXPECT_FALSE(link_read(&byte, 1));
  EXPECT_EQ(pauses, (std::vector<int>{100, 100}));
}

// A missed reply is drained from its own port's line when that port opens again; the flag
// outlives link_close for it, and means nothing to another port.
TEST_F(LinkTest, AMissedReplyIsDrainedFromItsOwnLineOnly) {
  SimulatedKeyerLink sim;
  sim.late_bytes_outlive_port = true;
  sim.keyer.faults.reply_delay_ms = LINK_READ_WAIT_MS + 300;
  const uint8_t query[] = {0x00, 0x09};
  uint8_t byte = 0;
  for (int32_t next_port : {3, 4}) {
    SCOPED_TRACE(next_port);
    sim.line.clear();
    ASSERT_EQ(link_open(3), LINK_OK);
    ASSERT_TRUE(link_write(query, sizeof query));
    EXPECT_FALSE(link_read(&byte, 1));
    link_close();
    EXPECT_TRUE(link_reply_missed());
    ASSERT_EQ(link_open(next_port), LINK_OK);
    EXPECT_FALSE(link_reply_missed());
    EXPECT_EQ(sim.line.empty(), next_port == 3);
    link_close();
  }
}

TEST_F(LinkTest, TransfersNeedAnOpenPort) {
  uint8_t byte = 0;
  EXPECT_FALSE(link_write(&byte, 1));
  EXPECT_FALSE(link_read(&byte, 1));
  EXPECT_FALSE(link_set_baud_rate(9600));
}

TEST_F(LinkTest, TransfersReportOnlyWholeCounts) {
  const struct {
    const char* name;
    int write_accepts_at_most;
    int short_reply;
    int reply_delay_ms;
    bool write_ok;
    bool read_ok;
  } cases[] = {
      {"whole", -1, -1, 0, true, true},
      {"send cut short", 1, -1, 0, false, false},
      {"reply cut short", -1, 287, 0, true, false},
      {"reply within the wait", -1, -1, LINK_READ_WAIT_MS, true, true},
      {"reply too late", -1, -1, LINK_READ_WAIT_MS + 1, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SimulatedKeyerLink sim;
    ASSERT_EQ(link_open(1), LINK_OK);
    sim.port_faults.write_accepts_at_most = c.write_accepts_at_most;
    sim.keyer.faults.short_reply = c.short_reply;
    sim.keyer.faults.reply_delay_ms = c.reply_delay_ms;
    const uint8_t dump[] = {0x00, 0x0C};
    EXPECT_EQ(link_write(dump, sizeof dump), c.write_ok);
    SettingsImage reply{};
    EXPECT_EQ(link_read(reply.data(), SETTINGS_IMAGE_SIZE), c.read_ok);
  }
}

TEST_F(LinkTest, BaudRateChangeLastsUntilTheNextOpen) {
  SimulatedKeyerLink sim;
  ASSERT_EQ(link_open(1), LINK_OK);
  ASSERT_TRUE(link_set_baud_rate(9600));
  EXPECT_EQ(link_state.baud_rate, 9600u);

  sim.port_faults.fail_set_baud_rate = true;
  EXPECT_FALSE(link_set_baud_rate(1200));
  EXPECT_EQ(link_state.baud_rate, 9600u) << "a refused rate is not the line's rate";

  link_close();
  ASSERT_EQ(link_open(1), LINK_OK);
  EXPECT_EQ(link_state.baud_rate, LINK_BAUD_RATE);
  // The keyer still speaks 1200 baud: an echo only comes back if the port is at 1200 again.
  const uint8_t echo[] = {0x00, 0x04, 0x55};
  ASSERT_TRUE(link_write(echo, sizeof echo));
  uint8_t reply = 0;
  ASSERT_TRUE(link_read(&reply, 1));
  EXPECT_EQ(reply, 0x55);
}

// A send may take its time on the line on top of the fixed wait: ten bits a byte at the port's
// rate, rounded up to the next millisecond.
TEST_F(LinkTest, WriteWaitCoversTheLineTime) {
  const struct {
    uint32_t baud;
    uint32_t count;
    int wait_ms;
  } cases[] = {
      {1200, 0, 2000},
      {1200, 1, 2009},
      {1200, 3, 2025},
      {1200, 288, 4400},
      {9600, 20, 2021},
      {9600, 288, 2300},
      {1200, UINT32_MAX, INT_MAX},
  };
  for (const auto& c : cases) {
    link_state.baud_rate = c.baud;
    EXPECT_EQ(link_write_wait_ms(c.count), c.wait_ms) << c.baud << " baud, " << c.count;
  }
}

}  // namespace
