#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "firmware/firmware_image.h"
#include "tests/support/temporary_folder.h"

// A file in a folder of its own under the system's temporary directory, written with exactly
// `content` and removed when the test ends. The folder keeps test programs that run at the same
// time from writing or removing each other's files.
class TempFile {
 public:
  explicit TempFile(const std::string& content, const std::string& name = "firmware.bin")
      : path_(folder_.path(name)) {
    std::FILE* file = std::fopen(path_.c_str(), "wb");
    if (file) {
      std::fwrite(content.data(), 1, content.size(), file);
      std::fclose(file);
    }
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  const std::string& path() const { return path_; }

 private:
  TemporaryFolder folder_;
  std::string path_;
};

// The program byte at a byte address, read back through the image's blocks.
inline uint8_t image_byte(uint32_t byte_address) {
  return firmware_image.blocks[byte_address / FIRMWARE_BLOCK_DATA][2 + byte_address % 16];
}

// The erased value of a program byte: 0xFF for a word's low byte, 0x3F for its high byte.
inline uint8_t erased_byte(uint32_t byte_address) {
  return byte_address % 2 ? 0x3F : 0xFF;
}

// A data record line for `bytes` at `address`, with its checksum.
inline std::string data_record(unsigned address, const std::vector<uint8_t>& bytes,
                               unsigned type = 0) {
  char field[16];
  unsigned sum = static_cast<unsigned>(bytes.size()) + (address >> 8) + (address & 0xFF) + type;
  std::snprintf(field, sizeof field, ":%02X%04X%02X", static_cast<unsigned>(bytes.size()), address,
                type);
  std::string line = field;
  for (uint8_t b : bytes) {
    std::snprintf(field, sizeof field, "%02X", b);
    line += field;
    sum += b;
  }
  std::snprintf(field, sizeof field, "%02X", (256 - sum % 256) % 256);
  return line + field;
}
