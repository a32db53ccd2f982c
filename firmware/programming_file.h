#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "firmware/firmware_image.h"
#include "platform/dialog_controls.h"
#include "platform/file_chooser.h"

// Results of load_programming_file below 0.
inline constexpr int LOAD_ERR_NO_PATH = -1;
inline constexpr int LOAD_ERR_OPEN = -2;
inline constexpr int LOAD_ERR_NO_END_RECORD = -3;
inline constexpr int LOAD_ERR_BAD_RECORD = -4;
inline constexpr int LOAD_ERR_RECORD_TYPE = -5;

// The uploader's path buffer, terminator included.
inline constexpr size_t PROGRAMMING_PATH_CAPACITY = 128;
// Characters of one line read at a time; a longer line is read as several.
inline constexpr size_t PROGRAMMING_LINE_PIECE = 999;

// Asks for a programming file to open. False when the user cancelled or the path would not fit
// in `capacity` characters with its terminator; `path` is changed only on success.
bool choose_programming_file(FileChooser& chooser, std::string& path,
                             size_t capacity = PROGRAMMING_PATH_CAPACITY);

// Resets the firmware image, then reads the programming file at `path` into it, moving the
// dialog's progress bar. Returns the number of data records stored, or LOAD_ERR_*. Every byte
// lands at its own byte address; bytes outside the image (configuration words, data memory,
// anything above 0x3FFF) are left out, and only records that put at least one byte into the
// image are counted, so that a file with nothing to program loads as 0 records.
int load_programming_file(DialogControls& dialog, const std::string& path);

// Byte addresses first..last of a programming file, both included.
struct ByteRange {
  uint64_t first = 0;
  uint64_t last = 0;
};

// What the last load got through, so that a failure can name its line and a load can say what
// of the file will not be programmed.
struct ProgrammingFileState {
  int lines_read = 0;  // lines begun so far, the failing one included, however long
  std::bitset<FIRMWARE_IMAGE_BYTES> held;  // program bytes that the file supplied
  // Bytes beyond program memory, in the order of the file; a range that continues the one before
  // is merged into it.
  std::vector<ByteRange> outside;
};
extern ProgrammingFileState programming_file_state;
