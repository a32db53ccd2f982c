#include "firmware/upload_worker.h"

#include <initializer_list>
#include <system_error>
#include <thread>

#include "firmware/firmware_image.h"
#include "firmware/upload_status.h"
#include "link/admin.h"
#include "link/link.h"
#include "platform/pause.h"

std::atomic<int> upload_status{0};
std::atomic<int> upload_progress{0};
std::atomic<bool> upload_stop_requested{false};

namespace {

// The keyer needs these to change its own rate, and to restart before it listens at 1200.
constexpr int RATE_SWITCH_PAUSE_MS = 200;
constexpr int RESTART_PAUSE_MS = 500;
constexpr int SETTLE_PAUSE_MS = 100;

// Blocks 1012..1015 and 1000..1003 first, then the program from word 32 on; the reset and
// interrupt vectors (blocks 0..3) go last, so the program can start only once the rest is in.
constexpr int LEADING_BLOCKS[] = {1012, 1013, 1014, 1015, 1000, 1001, 1002, 1003};
constexpr int MAIN_RUN_FIRST = 4;
constexpr int MAIN_RUN_LAST = 955;
constexpr int PROGRESS_DIVISOR = 960;  // keeps the bar below 100 until the status says done
constexpr int TRAILING_BLOCKS = 3;     // blocks 0..2; block 3 closes the upload

void send_bytes(std::initializer_list<uint8_t> bytes) {
  // A send that failed shows up as a missing or wrong reply, which ends the upload.
  link_write(bytes.begin(), static_cast<uint32_t>(bytes.size()));
}

// 0 when the keyer took the frame, otherwise the status that ends the upload. A stop is taken
// only here, before a frame goes out, so the keyer never gets part of one.
int frame_status(uint8_t sof, int block) {
  if (upload_stop_requested.load()) return UPLOAD_STOPPED;
  const uint8_t reply = send_firmware_block(sof, block);
  if (reply == BOOTLOADER_FRAME_ACCEPTED) return 0;
  // Two reply bytes would read as something else than a refusal: "no result yet" and success.
  if (reply == 0) return UPLOAD_ERR_ZERO_REPLY;
  if (reply == UPLOAD_SUCCESS) return UPLOAD_ERR_SUCCESS_REPLY;
  return reply;
}

int send_frames() {
  for (int block : LEADING_BLOCKS) {
    if (int status = frame_status(BOOTLOADER_SOF, block)) return status;
  }
  for (int block = MAIN_RUN_FIRST; block <= MAIN_RUN_LAST; ++block) {
    upload_progress.store(block * 100 / PROGRESS_DIVISOR);
    if (int status = frame_status(BOOTLOADER_SOF, block)) return status;
  }
  for (int block = 0; block < TRAILING_BLOCKS; ++block) {
    if (int status = frame_status(BOOTLOADER_SOF, block)) return status;
  }
  return frame_status(BOOTLOADER_SOF_LAST, TRAILING_BLOCKS);
}

int run_upload() {
  send_bytes({0x00, ADMIN_BOOTLOADER_ENTRY, ADMIN_BOOTLOADER_ARGUMENT});
  send_bytes({0x00, ADMIN_ECHO_TEST, ADMIN_ECHO_ARGUMENT});
  uint8_t reply = 0;
  if (!link_read(&reply, 1)) return UPLOAD_ERR_TIMEOUT;
  if (reply != ECHO_REPLY_BOOTLOADER) return UPLOAD_ERR_SYNC_PROBE;

  send_bytes({BOOTLOADER_RATE_SWITCH});
  pause_ms(RATE_SWITCH_PAUSE_MS);
  if (!link_set_baud_rate(BOOTLOADER_FAST_BAUD)) return UPLOAD_ERR_BAUD_RATE;

  if (int status = send_frames()) {
    // A stopped upload leaves the keyer in its bootloader, waiting for the next frame; the host
    // goes back to the rate at which the keyer will listen once it has been powered off and on.
    if (status == UPLOAD_STOPPED) link_set_baud_rate(BOOTLOADER_SLOW_BAUD);
    return status;
  }

  send_bytes({BOOTLOADER_RESTART});
  pause_ms(RESTART_PAUSE_MS);
  if (!link_set_baud_rate(BOOTLOADER_SLOW_BAUD)) return UPLOAD_ERR_BAUD_RATE;
  pause_ms(SETTLE_PAUSE_MS);
  return UPLOAD_SUCCESS;
}

}  // namespace

bool block_is_uploaded(int block) {
  // The main run and the trailing blocks together are 0..MAIN_RUN_LAST.
  if (block >= 0 && block <= MAIN_RUN_LAST) return true;
  for (int leading : LEADING_BLOCKS)
    if (block == leading) return true;
  return false;
}

uint8_t send_firmware_block(uint8_t sof, int block) {
  if (block < 0 || block >= FIRMWARE_BLOCKS) return UPLOAD_ERR_TIMEOUT;  // nothing to send
  uint8_t frame[BOOTLOADER_FRAME_SIZE];
  frame[0] = sof;
  const FirmwareBlock& source = firmware_image.blocks[block];
  uint8_t sum = sof;
  for (int i = 0; i < FIRMWARE_BLOCK_SIZE; ++i) {
    frame[1 + i] = source[i];
    sum = static_cast<uint8_t>(sum + source[i]);
  }
  frame[BOOTLOADER_FRAME_SIZE - 1] = static_cast<uint8_t>(-sum);
  link_write(frame, BOOTLOADER_FRAME_SIZE);
  uint8_t reply = 0;
  if (!link_read(&reply, 1)) return UPLOAD_ERR_TIMEOUT;
  return reply;
}

void upload_worker() {
  // The last thing the worker does: from here on the dialog may use the link and the image.
  upload_status.store(run_upload());
}

bool start_upload_worker() {
  try {
    std::thread(upload_worker).detach();
    return true;
  } catch (const std::system_error&) {
    return false;
  }
}
