// The floor that the benches set the wall time against: every byte the operation moved, at the
// rate in force when it moved, plus the pauses it took. Driven through the in-process keyer.
#include "bench/support/line_meter.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "bench/support/firmware_pattern.h"
#include "firmware/upload_status.h"
#include "firmware/upload_worker.h"
#include "link/admin.h"
#include "link/interface_test.h"
#include "link/link.h"
#include "platform/pause.h"
#include "platform/recording_controls.h"
#include "sim/in_process_port.h"

namespace {

struct FloorCase {
  const char* name;
  KeyerSimConfig keyer;
  std::function<bool()> operation;
  uint64_t sent;
  uint64_t received;
  uint64_t bytes_at_1200;
  uint64_t bytes_at_9600;
  int64_t pause_ms;       // every pause taken
  double floor_pause_ms;  // the part of them not run while a send was still on the line
  double slack_ms = 0;    // a wait measured on the clock is shorter by the time already spent
};

bool test_operation() {
  RecordingControls window;
  if (interface_test(window) < 0) return false;
  query_pot_value();
  if (keyer_values.ic_variant != IC_MINI) query_aux_value();
  query_supply_voltage();
  return true;
}

bool read_operation() {
  RecordingControls window;
  return interface_test(window) >= 0 && read_settings_image();
}

bool write_operation() {
  RecordingControls window;
  return interface_test(window) >= 0 && write_settings_image_and_wait();
}

bool upload_operation() {
  RecordingControls window;
  if (interface_test(window) < 0) return false;
  fill_firmware_with_pattern();
  upload_worker();
  return upload_status == UPLOAD_SUCCESS;
}

KeyerSimConfig keyer(uint8_t minor, uint8_t ic_type) {
  KeyerSimConfig config;
  config.fw_minor = minor;
  config.ic_type = ic_type;
  return config;
}

class LineFloorTest : public testing::TestWithParam<FloorCase> {};

TEST_P(LineFloorTest, CountsEveryByteAtItsRateAndEveryPause) {
  const FloorCase& c = GetParam();
  SimulatedKeyerLink sim(c.keyer);
  set_serial_port_factory([&sim] {
    return std::make_unique<MeteredPort>(
        std::make_unique<InProcessPort>(sim.keyer, sim.port_faults));
  });
  meter_pauses();
  line_meter = LineMeter{};
  keyer_values = KeyerValues{};

  ASSERT_TRUE(c.operation());
  link_close();
  set_pause_function(nullptr);

  EXPECT_EQ(line_meter.bytes_sent, c.sent);
  EXPECT_EQ(line_meter.bytes_received, c.received);
  EXPECT_EQ(line_meter.bytes_at_rate[1200], c.bytes_at_1200);
  EXPECT_EQ(line_meter.bytes_at_rate[9600], c.bytes_at_9600);
  EXPECT_NEAR(line_meter.pause_ms, c.pause_ms, c.slack_ms);
  const double expected =
      (c.bytes_at_1200 * 10.0 / 1200 + c.bytes_at_9600 * 10.0 / 9600) + c.floor_pause_ms / 1000.0;
  EXPECT_NEAR(line_floor_seconds(line_meter), expected, 1e-9 + c.slack_ms / 1000);
}

constexpr double BYTE_AT_1200_MS = 10 * 1000.0 / 1200;
constexpr double BYTE_AT_9600_MS = 10 * 1000.0 / 9600;

// Interface test: echo 3+1, major 2+1, minor 2+1, IC type 2+1 from minor 4 on; 100 ms at the open.
INSTANTIATE_TEST_SUITE_P(
    Operations, LineFloorTest,
    testing::Values(
        FloorCase{"TestDip", keyer(4, 2), test_operation, 15, 7, 22, 0, 100, 100},
        FloorCase{"TestSmtBeforeIcQuery", keyer(3, 1), test_operation, 13, 6, 19, 0, 100, 100},
        FloorCase{"TestMiniWithoutAux", keyer(4, 3), test_operation, 13, 6, 19, 0, 100, 100},
        FloorCase{"Read", keyer(4, 2), read_operation, 11, 292, 303, 0, 100, 100},
        // The port says the frame is sent at once: Write waits out its 290 bytes on the line
        // (2417 ms, rounded up), and the 500 ms for the keyer to store it come after them.
        FloorCase{"Write", keyer(4, 2), write_operation, 299, 4, 303, 0, 100 + 2417 + 500,
                  100 + (2417 - 290 * BYTE_AT_1200_MS) + 500, 50},
        // 1200 baud: the interface test, bootloader entry 3, probe 3 and its answer, the switch;
        // 9600 baud: 964 frames of 20 bytes, an answer each, and the restart. The 200 ms after
        // the switch and the 500 ms after the restart each begin under their one byte.
        FloorCase{"Upload", keyer(4, 2), upload_operation, 9 + 7 + 964 * 20 + 1, 4 + 1 + 964,
                  13 + 8, 964 * 21 + 1, 100 + 200 + 500 + 100,
                  100 + (200 - BYTE_AT_1200_MS) + (500 - BYTE_AT_9600_MS) + 100}),
    [](const testing::TestParamInfo<FloorCase>& info) { return std::string(info.param.name); });

// A rate the port refused is not the rate the next bytes move at.
TEST(LineMeterTest, RefusedRateChangeKeepsTheRateInForce) {
  SimulatedKeyerLink sim;
  set_serial_port_factory([&sim] {
    return std::make_unique<MeteredPort>(
        std::make_unique<InProcessPort>(sim.keyer, sim.port_faults));
  });
  line_meter = LineMeter{};
  ASSERT_EQ(link_open(1), LINK_OK);
  sim.port_faults.fail_set_baud_rate = true;
  EXPECT_FALSE(link_set_baud_rate(9600));
  const uint8_t byte = 0x35;
  link_write(&byte, 1);
  link_close();
  EXPECT_EQ(line_meter.baud_rate, 1200u);
  EXPECT_EQ(line_meter.bytes_at_rate[1200], 1u);
  EXPECT_EQ(line_meter.bytes_at_rate.count(9600), 0u);
}

TEST(LineMeterTest, FailedReadCountsNothing) {
  KeyerSimConfig config;
  SimulatedKeyerLink sim(config);
  sim.keyer.faults.silent = true;
  set_serial_port_factory([&sim] {
    return std::make_unique<MeteredPort>(
        std::make_unique<InProcessPort>(sim.keyer, sim.port_faults));
  });
  line_meter = LineMeter{};
  ASSERT_EQ(link_open(1), LINK_OK);
  uint8_t reply = 0;
  EXPECT_FALSE(admin_request(ADMIN_POT_VALUE, reply));
  link_close();
  EXPECT_EQ(line_meter.bytes_sent, 2u);
  EXPECT_EQ(line_meter.bytes_received, 0u);
}

TEST(LineMeterTest, PartsNameEachRateAndThePauses) {
  LineMeter meter;
  meter.bytes_at_rate = {{1200, 21}, {9600, 20245}};
  meter.pause_ms = 900;
  EXPECT_EQ(line_floor_parts(meter), "21 B at 1200 baud + 20245 B at 9600 baud + 900 ms of pauses");
}

}  // namespace
