#pragma once

#include <cstdint>

// The bytes of the keyer's bootloader protocol, for the host's upload and for a simulated keyer.
inline constexpr uint8_t BOOTLOADER_RATE_SWITCH = 0x35;  // keyer goes to 9600 baud
inline constexpr uint8_t BOOTLOADER_RESTART = 0x5A;      // keyer restarts into its firmware
inline constexpr uint8_t BOOTLOADER_FRAME_ACCEPTED = 0x3C;
inline constexpr uint8_t BOOTLOADER_SOF = 0x1B;       // starts every frame but the last
inline constexpr uint8_t BOOTLOADER_SOF_LAST = 0x2E;  // starts the last frame
inline constexpr int BOOTLOADER_FRAME_SIZE = 20;      // SOF, word address, 16 data bytes, checksum
inline constexpr uint32_t BOOTLOADER_SLOW_BAUD = 1200;
inline constexpr uint32_t BOOTLOADER_FAST_BAUD = 9600;
