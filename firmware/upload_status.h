#pragma once

// How an upload ended, as left in upload_status. Keyer replies to a frame other than the
// acknowledgement become the status as they are, so any byte value may appear.
inline constexpr int UPLOAD_NO_RESULT = 0;
inline constexpr int UPLOAD_ERR_SOF = 0x80;
inline constexpr int UPLOAD_ERR_CHECKSUM = 0x81;
inline constexpr int UPLOAD_ERR_FLASH_VERIFY = 0x82;
inline constexpr int UPLOAD_ERR_TIMEOUT = 0x84;
inline constexpr int UPLOAD_SUCCESS = 0x88;
inline constexpr int UPLOAD_ERR_SYNC = 0x89;
inline constexpr int UPLOAD_ERR_BAUD_RATE = 0x8A;
inline constexpr int UPLOAD_ERR_SYNC_PROBE = 0x8B;
// A frame answered with 0x00. Stored as 0 it would read as "no result yet" and the dialog would
// wait for ever, so it gets a code of its own that no reply byte can take.
inline constexpr int UPLOAD_ERR_ZERO_REPLY = 0x100;
// A frame answered with 0x88, the byte of success. Stored as it is it would tell the user the
// upload completed when the keyer refused a block, so it too gets a code of its own; the dialog
// shows it as any other refusal.
inline constexpr int UPLOAD_ERR_SUCCESS_REPLY = 0x188;

// Stopped on request between two frames: the keyer holds part of the new firmware.
inline constexpr int UPLOAD_STOPPED = 0x200;

// The uploader status line's text for a final status.
const char* upload_status_text(int status);
