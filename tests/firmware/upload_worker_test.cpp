#include "firmware/upload_worker.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "firmware/firmware_image.h"
#include "firmware/programming_file.h"
#include "firmware/upload_status.h"
#include "platform/recording_controls.h"
#include "tests/firmware/firmware_test_support.h"
#include "tests/firmware/upload_test_support.h"

namespace {

constexpr int FULL_UPLOAD_FRAMES = 964;

// The blocks in the order they go out: eight high ones, the main run, then 0..3.
std::vector<int> upload_order() {
  std::vector<int> order = {1012, 1013, 1014, 1015, 1000, 1001, 1002, 1003};
  for (int b = 4; b <= 955; ++b) order.push_back(b);
  for (int b = 0; b <= 3; ++b) order.push_back(b);
  return order;
}

int frame_block(const std::vector<uint8_t>& frame) {
  return (frame[1] << 8 | frame[2]) / 8;
}

class UploadWorkerTest : public testing::Test {
 protected:
  void SetUp() override {
    reset_upload_globals();
    reset_firmware_image();
  }
  void TearDown() override {
    link_close();
    set_pause_function(nullptr);
  }
  // Opens the link as the dialog's interface test leaves it, then runs the worker here.
  int run_worker() {
    EXPECT_EQ(link_open(com_port_number), LINK_OK);
    recorded_pauses().clear();  // only the worker's own
    upload_worker();
    return upload_status.load();
  }
  SimulatedKeyerLink sim;
};

TEST_F(UploadWorkerTest, SendsEveryFrameInOrderAndRestarts) {
  ASSERT_EQ(run_worker(), UPLOAD_SUCCESS);

  const std::vector<uint8_t> lead_in = {0x00, 0x10, 0x9B, 0x00, 0x04, 0x55, 0x35};
  const std::vector<uint8_t>& received = sim.keyer.received;
  ASSERT_EQ(received.size(), lead_in.size() + FULL_UPLOAD_FRAMES * 20 + 1);
  EXPECT_EQ(std::vector<uint8_t>(received.begin(), received.begin() + 7), lead_in);
  EXPECT_EQ(received.back(), 0x5A);

  ASSERT_EQ(sim.keyer.frames.size(), static_cast<size_t>(FULL_UPLOAD_FRAMES));
  const std::vector<int> order = upload_order();
  std::vector<bool> sent(FIRMWARE_BLOCKS);
  for (size_t i = 0; i < order.size(); ++i) {
    const std::vector<uint8_t>& frame = sim.keyer.frames[i];
    ASSERT_EQ(frame_block(frame), order[i]) << "frame " << i;
    EXPECT_EQ(frame[0], i + 1 == order.size() ? 0x2E : 0x1B) << "frame " << i;
    sent[order[i]] = true;
  }
  // The load's list of what is not programmed relies on this rule.
  for (int b = -1; b <= FIRMWARE_BLOCKS; ++b)
    EXPECT_EQ(block_is_uploaded(b), b >= 0 && b < FIRMWARE_BLOCKS && sent[b]) << "block " << b;
  EXPECT_EQ(sim.keyer.restarts, 1);
  EXPECT_EQ(sim.keyer.baud_rate(), 1200u);
  EXPECT_EQ(link_state.baud_rate, 1200u);
  EXPECT_EQ(recorded_pauses(), (std::vector<int>{200, 500, 100}));
}

TEST_F(UploadWorkerTest, FramesOfErasedBlocksAreByteExact) {
  ASSERT_EQ(run_worker(), UPLOAD_SUCCESS);
  std::vector<uint8_t> block_500 = {0x1B, 0x0F, 0xA0};
  std::vector<uint8_t> block_3 = {0x2E, 0x00, 0x18};
  for (int i = 0; i < 8; ++i) {
    block_500.insert(block_500.end(), {0xFF, 0x3F});
    block_3.insert(block_3.end(), {0xFF, 0x3F});
  }
  block_500.push_back(0x46);
  block_3.push_back(0xCA);
  EXPECT_EQ(sim.keyer.frames[8 + 500 - 4], block_500);
  EXPECT_EQ(sim.keyer.frames.back(), block_3);
}

TEST_F(UploadWorkerTest, ProgressRunsFromZeroToNinetyNine) {
  std::vector<int> progress;
  set_serial_port_factory([&] { return std::make_unique<ObservedPort>(sim, progress); });
  ASSERT_EQ(run_worker(), UPLOAD_SUCCESS);

  ASSERT_EQ(progress.size(), static_cast<size_t>(FULL_UPLOAD_FRAMES));
  const std::vector<int> order = upload_order();
  for (size_t i = 0; i < order.size(); ++i) {
    const int block = order[i];
    const int expected = i < 8 ? 0 : (block >= 4 ? block * 100 / 960 : 99);
    ASSERT_EQ(progress[i], expected) << "block " << block;
  }
  EXPECT_EQ(progress[8], 0);              // block 4
  EXPECT_EQ(progress[8 + 10 - 4], 1);     // block 10
  EXPECT_EQ(progress[8 + 500 - 4], 52);   // block 500
  EXPECT_EQ(progress[8 + 955 - 4], 99);   // block 955
  EXPECT_EQ(upload_progress.load(), 99);  // never 100
}

struct StatusCase {
  const char* name;
  std::function<void(SimulatedKeyerLink&)> arrange;
  int status;
  size_t frames;
  uint32_t host_baud_after;
  std::string text;
};

class UploadStatusTest : public UploadWorkerTest, public testing::WithParamInterface<StatusCase> {};

TEST_P(UploadStatusTest, FirstFailureEndsTheUpload) {
  const StatusCase& c = GetParam();
  c.arrange(sim);
  EXPECT_EQ(run_worker(), c.status);
  EXPECT_EQ(sim.keyer.frames.size(), c.frames);
  EXPECT_EQ(link_state.baud_rate, c.host_baud_after);
  EXPECT_EQ(upload_status_text(upload_status.load()), c.text);
  // Every frame that went out went out whole: the lead-in, 20 bytes a frame, the restart.
  if (c.frames > 0) {
    EXPECT_EQ(sim.keyer.received.size(), 7 + 20 * c.frames + (c.status == UPLOAD_SUCCESS));
  }
  if (c.status != UPLOAD_SUCCESS) {
    EXPECT_EQ(sim.keyer.restarts, 0);
    EXPECT_NE(sim.keyer.received.back(), 0x5A);
  }
}

auto stop_after(size_t frames) {
  return [=](SimulatedKeyerLink& sim) {
    auto progress = std::make_shared<std::vector<int>>();
    set_serial_port_factory([&sim, frames, progress] {
      return std::make_unique<ObservedPort>(sim, *progress, -1, frames);
    });
  };
}

auto refuse(int frame, uint8_t code) {
  return [=](SimulatedKeyerLink& sim) {
    sim.keyer.faults.refuse_frame = frame;
    sim.keyer.faults.refuse_code = code;
  };
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, UploadStatusTest,
    testing::Values(
        StatusCase{"accepted", [](SimulatedKeyerLink&) {}, 136, 964, 1200,
                   "Upload Completed Successfully"},
        StatusCase{"keyer_without_firmware",
                   [](SimulatedKeyerLink& sim) { sim.keyer = KeyerSim({.no_firmware = true}); },
                   136, 964, 1200, "Upload Completed Successfully"},
        StatusCase{"probe_unanswered",
                   [](SimulatedKeyerLink& sim) { sim.keyer.faults.silent = true; }, 132, 0, 1200,
                   "Error: OstrelUSB Timeout !"},
        StatusCase{"probe_answered_by_firmware",
                   [](SimulatedKeyerLink& sim) { sim.keyer.faults.sync_reply = 0x55; }, 139, 0,
                   1200, "Error: Restart failed !"},
        StatusCase{"host_cannot_switch_rate",
                   [](SimulatedKeyerLink& sim) { sim.port_faults.fail_set_baud_rate = true; }, 138,
                   0, 1200, "Error: Restart failed !"},
        StatusCase{"sof_error", refuse(0, 0x80), 128, 1, 9600, "Error: SOF Error !"},
        StatusCase{"checksum", refuse(100, 0x81), 129, 101, 9600, "Error: Checksum !"},
        StatusCase{"flash_verify", refuse(500, 0x82), 130, 501, 9600, "Error: Flash Verify !"},
        StatusCase{"keyer_timeout_code", refuse(7, 0x84), 132, 8, 9600,
                   "Error: OstrelUSB Timeout !"},
        StatusCase{"sync", refuse(8, 0x89), 137, 9, 9600, "Error: OstrelUSB Sync !"},
        StatusCase{"zero_reply", refuse(963, 0x00), UPLOAD_ERR_ZERO_REPLY, 964, 9600,
                   "Error: OstrelUSB Refused a Block (reply 0) !"},
        StatusCase{"other_reply", refuse(962, 0x3D), 0x3D, 963, 9600, "Error: Restart failed !"},
        // The keyer's refusal byte may equal the code of success; it must still read as failure.
        StatusCase{"reply_equal_to_success_code", refuse(5, 0x88), UPLOAD_ERR_SUCCESS_REPLY, 6,
                   9600, "Error: Restart failed !"},
        // Asked to stop while frame 100 is answered: it is the last one, and the host goes back
        // to the rate at which the keyer listens after a power cycle.
        StatusCase{"stopped_between_frames", stop_after(100), UPLOAD_STOPPED, 100, 1200,
                   "Error: Upload Stopped !"},
        StatusCase{"stopped_before_the_last_frame", stop_after(963), UPLOAD_STOPPED, 963, 1200,
                   "Error: Upload Stopped !"},
        StatusCase{"keyer_falls_silent",
                   [](SimulatedKeyerLink& sim) { sim.keyer.faults.silent_after_bytes = 51; }, 132,
                   51, 9600, "Error: OstrelUSB Timeout !"}),
    [](const testing::TestParamInfo<StatusCase>& info) { return std::string(info.param.name); });

TEST_F(UploadWorkerTest, SilentProbeSendsNothingAtTheFastRate) {
  sim.keyer.faults.silent = true;
  ASSERT_EQ(run_worker(), UPLOAD_ERR_TIMEOUT);
  EXPECT_EQ(sim.keyer.received, (std::vector<uint8_t>{0x00, 0x10, 0x9B, 0x00, 0x04, 0x55}));
  EXPECT_TRUE(recorded_pauses().empty());
}

TEST_F(UploadWorkerTest, FailingToSwitchBackIsAFailure) {
  std::vector<int> progress;
  set_serial_port_factory([&] { return std::make_unique<ObservedPort>(sim, progress, 1); });
  EXPECT_EQ(run_worker(), UPLOAD_ERR_BAUD_RATE);
  EXPECT_EQ(sim.keyer.restarts, 1);  // the keyer has its firmware; the host missed the switch
  EXPECT_EQ(link_state.baud_rate, 9600u);
  EXPECT_EQ(recorded_pauses(), (std::vector<int>{200, 500}));
}

TEST_F(UploadWorkerTest, FlashEndsUpHoldingTheFile) {
  const std::string path = std::string(FIRMWARE_TOOL_MADE_DIR) + "/binary_0x0123.hex";
  RecordingControls dialog;
  ASSERT_GT(load_programming_file(dialog, path), 0);
  ASSERT_EQ(run_worker(), UPLOAD_SUCCESS);

  const std::vector<uint8_t> source = read_file_bytes(FIRMWARE_PROGRAM_ASM);
  ASSERT_FALSE(source.empty());
  for (uint32_t a = 0; a < FIRMWARE_IMAGE_BYTES; ++a) {
    const bool from_file = a >= 0x123 && a - 0x123 < source.size();
    ASSERT_EQ(sim.keyer.flash[a], from_file ? source[a - 0x123] : erased_byte(a)) << a;
  }
}

TEST(UploadStatusText, NamesEveryOutcome) {
  const std::vector<std::pair<int, std::string>> texts = {
      {0x88, "Upload Completed Successfully"},
      {0x80, "Error: SOF Error !"},
      {0x81, "Error: Checksum !"},
      {0x82, "Error: Flash Verify !"},
      {0x84, "Error: OstrelUSB Timeout !"},
      {0x89, "Error: OstrelUSB Sync !"},
      {0x8A, "Error: Restart failed !"},
      {0x8B, "Error: Restart failed !"},
      {0x83, "Error: Restart failed !"},
      {0xFF, "Error: Restart failed !"},
  };
  for (const auto& [status, text] : texts) EXPECT_EQ(upload_status_text(status), text) << status;
}

}  // namespace
