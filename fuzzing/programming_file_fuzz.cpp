// Any bytes as a programming file, through the loader that the uploader dialog uses, and as one
// record line through the record parser. Input: the file's bytes.
#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>

#include "firmware/firmware_image.h"
#include "firmware/hex_record.h"
#include "firmware/programming_file.h"
#include "firmware/unsent_data.h"
#include "fuzzing/fuzz_support.h"
#include "platform/recording_controls.h"
#include "resources/control_ids.h"

namespace {

// A record that parses is written out again in the canonical form and parses to the same fields.
void check_record_line(std::string_view line) {
  HexRecord record;
  if (!parse_hex_record(line, record)) return;
  FUZZ_CHECK(line.size() >= 11u + 2u * record.count && line[0] == ':');
  std::string canonical(":");
  char field[16];
  unsigned sum = record.count + (record.address >> 8) + (record.address & 0xFF) + record.type;
  std::snprintf(field, sizeof field, "%02X%04X%02X", record.count, record.address, record.type);
  canonical += field;
  for (int k = 0; k < record.count; ++k) {
    std::snprintf(field, sizeof field, "%02X", record.data[k]);
    canonical += field;
    sum += record.data[k];
  }
  std::snprintf(field, sizeof field, "%02X", (256 - sum % 256) % 256);
  canonical += field;
  HexRecord again;
  FUZZ_CHECK(parse_hex_record(canonical, again));
  FUZZ_CHECK(
      again.address == record.address && again.type == record.type && again.count == record.count &&
      std::equal(record.data.begin(), record.data.begin() + record.count, again.data.begin()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  check_record_line(bytes);

  static const std::string path = scratch_path("program.bin");
  write_scratch_file(path, data, size);
  RecordingControls dialog;
  const int result = load_programming_file(dialog, path);

  // The file is there and readable: only what is in it can fail the load.
  FUZZ_CHECK(result >= 0 || result == LOAD_ERR_NO_END_RECORD || result == LOAD_ERR_BAD_RECORD ||
             result == LOAD_ERR_RECORD_TYPE);
  // Every stored record begins with ':'; a failure names a line that the file has.
  FUZZ_CHECK(programming_file_state.lines_read <= std::count(bytes.begin(), bytes.end(), '\n') + 1);
  FUZZ_CHECK(result <= std::count(bytes.begin(), bytes.end(), ':'));
  const int bar = dialog.control(IDC_UPLOADER_PROGRESS).progress;
  FUZZ_CHECK(bar >= 0 && bar <= 100);
  // The loader fills data bytes only: every block keeps its own word address, 8 x its index.
  for (int b = 0; b < FIRMWARE_BLOCKS; ++b) {
    const FirmwareBlock& block = firmware_image.blocks[b];
    FUZZ_CHECK((block[0] << 8 | block[1]) == b * FIRMWARE_WORDS_PER_BLOCK);
  }
  // A file that loads with no records has given the image nothing: it is erased throughout.
  if (result == 0) {
    for (int b = 0; b < FIRMWARE_BLOCKS; ++b)
      for (int i = 2; i < FIRMWARE_BLOCK_SIZE; ++i)
        FUZZ_CHECK(firmware_image.blocks[b][i] == (i % 2 ? 0x3F : 0xFF));
  }
  FUZZ_CHECK(unsent_data_lines().size() <= UNSENT_RANGES_SHOWN + 1);
  return 0;
}
