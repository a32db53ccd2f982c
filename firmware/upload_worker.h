#pragma once

#include <atomic>
#include <cstdint>

#include "firmware/bootloader_protocol.h"

// Shared with the uploader dialog, which polls them: the percentage of the main run sent so far
// (0..99), and the final status (upload_status.h), 0 until the worker has finished with the link
// and the firmware image.
extern std::atomic<int> upload_status;
extern std::atomic<int> upload_progress;

// Frames a firmware block behind `sof`, sends it and returns the keyer's one-byte answer, or
// UPLOAD_ERR_TIMEOUT (0x84) when none came.
uint8_t send_firmware_block(uint8_t sof, int block);

// Uploads the firmware image through the open link, then stores the outcome in upload_status.
// The link must be open at 1200 baud and used by nobody else until upload_status is set.
void upload_worker();

// Runs upload_worker on a detached thread; false when the thread could not be started.
bool start_upload_worker();
