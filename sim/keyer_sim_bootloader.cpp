// The keyer's bootloader: answers the sync probe, follows the host to 9600 baud, programs the
// flash from 20-byte frames and restarts into the firmware.
#include <algorithm>
#include <numeric>

#include "firmware/bootloader_protocol.h"
#include "link/admin.h"
#include "sim/keyer_sim.h"

namespace {

constexpr size_t FRAME_SIZE = BOOTLOADER_FRAME_SIZE;
constexpr size_t FRAME_DATA_SIZE = 16;
constexpr uint8_t FRAME_SOF_ERROR = 0x80;
constexpr uint8_t FRAME_CHECKSUM_ERROR = 0x81;
constexpr uint8_t FRAME_VERIFY_ERROR = 0x82;

}  // namespace

// Before the rate switch the bootloader hears only sync probes and 0x35; after it, only frames
// and the restart. A 0x5A inside a frame is data: only at a frame's first byte is it the restart.
void KeyerSim::take_bootloader_byte(uint8_t byte, std::vector<uint8_t>& reply) {
  if (baud_ == BOOTLOADER_FAST_BAUD) {
    if (pending_.empty() && byte == BOOTLOADER_RESTART) {
      mode_ = Mode::firmware;
      baud_ = BOOTLOADER_SLOW_BAUD;
      ++restarts;
      return;
    }
    pending_.push_back(byte);
    if (pending_.size() == FRAME_SIZE) take_upload_frame(reply);
    return;
  }

  if (pending_.empty()) {
    if (byte == BOOTLOADER_RATE_SWITCH) {
      baud_ = BOOTLOADER_FAST_BAUD;
    } else if (byte == 0x00) {
      pending_.push_back(byte);
    }
    return;
  }
  pending_.push_back(byte);
  const bool probe_so_far = pending_[1] == ADMIN_ECHO_TEST &&
                            (pending_.size() == 2 || pending_[2] == ADMIN_ECHO_ARGUMENT);
  if (!probe_so_far) {
    // Resynchronise: a stray 0x00 may begin the next probe.
    pending_.clear();
    if (byte == 0x00) pending_.push_back(byte);
    return;
  }
  if (pending_.size() < 3) return;
  pending_.clear();
  if (!answers_sub_command(ADMIN_ECHO_TEST)) return;
  replying_to(ADMIN_ECHO_TEST);
  answer_byte(
      faults.sync_reply >= 0 ? static_cast<uint8_t>(faults.sync_reply) : ECHO_REPLY_BOOTLOADER,
      reply);
}

void KeyerSim::take_upload_frame(std::vector<uint8_t>& reply) {
  std::vector<uint8_t> frame;
  frame.swap(pending_);
  frames.push_back(frame);
  const int index = upload_frame_index_++;

  uint8_t code = BOOTLOADER_FRAME_ACCEPTED;
  const size_t offset = 2 * ((size_t{frame[1]} << 8) | frame[2]);
  if (index == faults.refuse_frame) {
    code = faults.refuse_code;
  } else if (frame[0] != BOOTLOADER_SOF && frame[0] != BOOTLOADER_SOF_LAST) {
    code = FRAME_SOF_ERROR;
  } else if (std::accumulate(frame.begin(), frame.end(), 0u) % 256 != 0) {
    code = FRAME_CHECKSUM_ERROR;
  } else if (offset + FRAME_DATA_SIZE > flash.size()) {
    code = FRAME_VERIFY_ERROR;  // nothing to program there, so it cannot read back
  } else {
    std::copy(frame.begin() + 3, frame.begin() + 3 + FRAME_DATA_SIZE, flash.begin() + offset);
    ++frames_accepted;
  }
  answer_byte(code, reply);
}
