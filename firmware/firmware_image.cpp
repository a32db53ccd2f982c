#include "firmware/firmware_image.h"

FirmwareImage firmware_image;

namespace {
constexpr int ADDRESS_BYTES = 2;
constexpr int VERSION_MAJOR_BYTE = ADDRESS_BYTES + 6;
constexpr int VERSION_MINOR_BYTE = ADDRESS_BYTES + 7;
}  // namespace

void reset_firmware_image() {
  for (int b = 0; b < FIRMWARE_BLOCKS; ++b) {
    FirmwareBlock& block = firmware_image.blocks[b];
    const int word_address = b * FIRMWARE_WORDS_PER_BLOCK;
    block[0] = static_cast<uint8_t>(word_address >> 8);
    block[1] = static_cast<uint8_t>(word_address & 0xFF);
    for (int i = ADDRESS_BYTES; i < FIRMWARE_BLOCK_SIZE; i += 2) {
      block[i] = 0xFF;
      block[i + 1] = 0x3F;
    }
  }
}

bool store_firmware_byte(uint32_t byte_address, uint8_t value) {
  if (byte_address >= FIRMWARE_IMAGE_BYTES) return false;
  FirmwareBlock& block = firmware_image.blocks[byte_address / FIRMWARE_BLOCK_DATA];
  block[ADDRESS_BYTES + byte_address % FIRMWARE_BLOCK_DATA] = value;
  return true;
}

uint8_t firmware_major() {
  return firmware_image.blocks[0][VERSION_MAJOR_BYTE];
}
uint8_t firmware_minor() {
  return firmware_image.blocks[0][VERSION_MINOR_BYTE];
}
bool firmware_is_dip_image() {
  return firmware_minor() >= FIRMWARE_DIP_MINOR;
}
