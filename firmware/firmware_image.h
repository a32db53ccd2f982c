#pragma once

#include <array>
#include <cstdint>

// The program memory to upload, cut into the units the bootloader takes in one frame: 1024
// blocks of a word address (high byte first) and eight program words (low byte first).
inline constexpr int FIRMWARE_BLOCKS = 1024;
inline constexpr int FIRMWARE_BLOCK_SIZE = 18;
inline constexpr int FIRMWARE_BLOCK_DATA = 16;
inline constexpr int FIRMWARE_WORDS_PER_BLOCK = 8;
// Program bytes the image covers: word addresses 0..8191 are byte addresses 0..0x3FFF.
inline constexpr uint32_t FIRMWARE_IMAGE_BYTES = FIRMWARE_BLOCKS * FIRMWARE_BLOCK_DATA;

// Minor versions from this one up are builds for the DIP IC; below it, for the SMT IC.
inline constexpr uint8_t FIRMWARE_DIP_MINOR = 48;

using FirmwareBlock = std::array<uint8_t, FIRMWARE_BLOCK_SIZE>;

struct FirmwareImage {
  std::array<FirmwareBlock, FIRMWARE_BLOCKS> blocks{};
};

// The one image: filled by the loader, read by the upload worker.
extern FirmwareImage firmware_image;

// Every block back to erased program words (0x3FFF) at its own address, 8 x its index.
void reset_firmware_image();

// Stores one program byte at its byte address (0..0x3FFF); false, storing nothing, outside.
bool store_firmware_byte(uint32_t byte_address, uint8_t value);

// The version that the firmware carries in program word 3: major in its low byte, minor in its
// high byte.
uint8_t firmware_major();
uint8_t firmware_minor();
bool firmware_is_dip_image();
