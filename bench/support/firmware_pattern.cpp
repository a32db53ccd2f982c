#include "bench/support/firmware_pattern.h"

#include <cstdint>
#include <cstdio>

#include "firmware/firmware_image.h"

void fill_firmware_with_pattern() {
  reset_firmware_image();
  uint32_t x = 12345;
  for (uint32_t a = 0; a < FIRMWARE_IMAGE_BYTES; a += 2) {
    x = x * 1103515245 + 12345;
    const uint16_t word = (x >> 8) & 0x3FFF;  // 14-bit program words
    store_firmware_byte(a, word & 0xFF);
    store_firmware_byte(a + 1, word >> 8);
  }
}

namespace {

// ":10AAAA00" + 32 data digits + checksum digits + "\n", or the end record.
bool write_record(std::FILE* file, uint32_t address, const uint8_t* data, int count, int type) {
  unsigned sum = count + (address >> 8) + (address & 0xFF) + type;
  if (std::fprintf(file, ":%02X%04X%02X", count, address, type) < 0) return false;
  for (int i = 0; i < count; ++i) {
    sum += data[i];
    if (std::fprintf(file, "%02X", data[i]) < 0) return false;
  }
  return std::fprintf(file, "%02X\n", (0x100 - (sum & 0xFF)) & 0xFF) >= 0;
}

}  // namespace

bool write_programming_file(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "w");
  if (!file) return false;
  bool ok = true;
  for (int b = 0; b < FIRMWARE_BLOCKS && ok; ++b) {
    const FirmwareBlock& block = firmware_image.blocks[b];
    ok = write_record(file, static_cast<uint32_t>(b) * FIRMWARE_BLOCK_DATA, &block[2],
                      FIRMWARE_BLOCK_DATA, 0);
  }
  ok = ok && write_record(file, 0, nullptr, 0, 1);
  return std::fclose(file) == 0 && ok;
}
