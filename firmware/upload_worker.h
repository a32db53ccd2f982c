#pragma once

#include <atomic>
#include <cstdint>

#include "firmware/bootloader_protocol.h"

// Shared with the uploader dialog, which polls them: the percentage of the main run sent so far
// (0..99), and the final status (upload_status.h), 0 until the worker has finished with the link
// and the firmware image.
extern std::atomic<int> upload_status;
extern std::atomic<int> upload_progress;
// Set by whoever runs the upload to have it stop at the next frame boundary (UPLOAD_STOPPED);
// read by the worker only, and lock-free, so that a signal handler may set it.
extern std::atomic<bool> upload_stop_requested;

// Whether the upload sends this block: blocks 0..955, 1000..1003 and 1012..1015. What the
// programming file holds for any other block never reaches the keyer.
bool block_is_uploaded(int block);

// Frames a firmware block behind `sof`, sends it and returns the keyer's one-byte answer, or
// UPLOAD_ERR_TIMEOUT (0x84) when none came.
uint8_t send_firmware_block(uint8_t sof, int block);

// Uploads the firmware image through the open link, then stores the outcome in upload_status.
// The link must be open at 1200 baud and used by nobody else until upload_status is set. A stop
// request is met between two frames: the host port goes back to 1200 baud and the status is
// UPLOAD_STOPPED.
void upload_worker();

// Runs upload_worker on a detached thread; false when the thread could not be started.
bool start_upload_worker();
