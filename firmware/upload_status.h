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

// Program commands refused before the worker started; nothing was sent to the bootloader.
inline constexpr int UPLOAD_REFUSED_NO_FILE = 0x300;           // no good load since opening
inline constexpr int UPLOAD_REFUSED_ZERO_LENGTH = 0x301;       // nothing the upload would send
inline constexpr int UPLOAD_REFUSED_LAST_LOAD_FAILED = 0x302;  // the image is not the file's
inline constexpr int UPLOAD_REFUSED_DIP_IMAGE_ON_SMT = 0x303;
inline constexpr int UPLOAD_REFUSED_SMT_IMAGE_ON_DIP = 0x304;
inline constexpr int UPLOAD_REFUSED_PORT = 0x305;  // the port could not be opened or set up
inline constexpr int UPLOAD_REFUSED_NOT_STARTED = 0x306;  // the worker thread did not start
// A reply of the interface test came late and may still arrive, where the upload would take it
// for the sync probe's answer.
inline constexpr int UPLOAD_REFUSED_LATE_REPLY = 0x307;

// The uploader status line's text for every status above: with the window's other result texts,
// in link/result_texts.cpp.
const char* upload_status_text(int status);
