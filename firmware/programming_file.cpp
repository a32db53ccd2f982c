#include "firmware/programming_file.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "firmware/firmware_image.h"
#include "firmware/hex_record.h"
#include "resources/control_ids.h"

ProgrammingFileState programming_file_state;

namespace {

constexpr int PROGRESS_FULL = 100;

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

// Up to PROGRAMMING_LINE_PIECE characters, ending after a line feed if one comes first, like
// fgets with a buffer of 1000. An empty result means nothing was left to read.
std::string read_line_piece(std::FILE* file) {
  std::string line;
  while (line.size() < PROGRAMMING_LINE_PIECE) {
    const int c = std::getc(file);
    if (c == EOF) break;
    line.push_back(static_cast<char>(c));
    if (c == '\n') break;
  }
  return line;
}

void strip_line_end(std::string& line) {
  if (!line.empty() && line.back() == '\n') line.pop_back();
  if (!line.empty() && line.back() == '\r') line.pop_back();
}

uint32_t address_field(const HexRecord& record) {
  return static_cast<uint32_t>(record.data[0]) << 8 | record.data[1];
}

void note_outside(uint64_t first, uint64_t last) {
  std::vector<ByteRange>& outside = programming_file_state.outside;
  if (!outside.empty() && first >= outside.back().first && first <= outside.back().last + 1) {
    outside.back().last = std::max(outside.back().last, last);
    return;
  }
  outside.push_back({first, last});
}

// Stores the record's bytes that fall into program memory and notes the rest; true when at least
// one byte went into the image.
bool store_data_record(const HexRecord& record, uint64_t start) {
  const uint64_t end = start + record.count;  // one past the last byte
  const uint64_t inside_end = std::min<uint64_t>(end, FIRMWARE_IMAGE_BYTES);
  for (uint64_t a = start; a < inside_end; ++a) {
    store_firmware_byte(static_cast<uint32_t>(a), record.data[a - start]);
    programming_file_state.held.set(a);
  }
  const uint64_t outside_start = std::max<uint64_t>(start, FIRMWARE_IMAGE_BYTES);
  if (end > outside_start) note_outside(outside_start, end - 1);
  return start < inside_end;
}

}  // namespace

bool choose_programming_file(FileChooser& chooser, std::string& path, size_t capacity) {
  FileRequest request;
  request.title = "Open";
  request.filters = {{"All files", "*.*"}, {"Bin Files", "*.bin"}};
  request.filter_index = 2;
  request.default_extension = "bin";
  request.must_exist = true;
  request.initial_name = "*.bin";
  request.capacity = capacity;
  const std::optional<std::string> chosen = chooser.choose(request);
  if (!chosen || chosen->empty() || chosen->size() >= capacity) return false;
  path = *chosen;
  return true;
}

int load_programming_file(DialogControls& dialog, const std::string& path) {
  // Every attempt starts from an erased image, so nothing of an earlier file survives.
  reset_firmware_image();
  programming_file_state = ProgrammingFileState{};
  if (path.empty()) return LOAD_ERR_NO_PATH;
  File file(std::fopen(path.c_str(), "r"), &std::fclose);
  if (!file) return LOAD_ERR_OPEN;

  // The bar shows 0..100, more as full. Each position is sent once, not once a line, so that a
  // long file does not repaint the bar thousands of times.
  int bar = -1;
  auto move_bar = [&](int position) {
    position = std::min(position, PROGRESS_FULL);
    if (position != bar) dialog.set_progress(IDC_UPLOADER_PROGRESS, position);
    bar = position;
  };
  // Byte address of the record addresses' 64 KiB window, from the last address record.
  uint32_t base = 0;
  int last_block = 0;
  int records = 0;
  HexRecord record;
  // A piece that follows one without its line feed continues the same line, so that a failure
  // names the line the user sees in an editor, however long it is.
  bool line_starts = true;
  for (;;) {
    if (std::feof(file.get()) || std::ferror(file.get())) return LOAD_ERR_NO_END_RECORD;
    move_bar(last_block);
    std::string line = read_line_piece(file.get());
    if (line_starts) ++programming_file_state.lines_read;
    line_starts = !line.empty() && line.back() == '\n';
    strip_line_end(line);
    if (!parse_hex_record(line, record)) return LOAD_ERR_BAD_RECORD;

    switch (record.type) {
      case HEX_RECORD_DATA: {
        const uint64_t start = uint64_t{base} + record.address;
        // A record that gives the image nothing (no bytes, or none in program memory) does not
        // count: a file of such records alone must not load as a firmware to program.
        if (!store_data_record(record, start)) break;
        ++records;
        last_block = static_cast<int>(start / FIRMWARE_BLOCK_DATA);
        move_bar(records / 4);
        break;
      }
      case HEX_RECORD_LINEAR_ADDRESS:
        if (record.count != 2) return LOAD_ERR_BAD_RECORD;
        base = address_field(record) << 16;
        break;
      case HEX_RECORD_SEGMENT_ADDRESS:
        if (record.count != 2) return LOAD_ERR_BAD_RECORD;
        base = address_field(record) << 4;
        break;
      case HEX_RECORD_END:
        return records;
      default:
        return LOAD_ERR_RECORD_TYPE;
    }
  }
}
