#pragma once

#include <array>
#include <cstdint>

// The keyer's one-byte Morse code of each character from 32 to 127, indexed by character - 32.
// The code packs the elements from bit 0 up (dot 0, dash 1) under a single 1 bit; the space has
// the fixed code 0x1C. CODE_REFUSED marks characters the keyer cannot send.
inline constexpr int FIRST_CODED_CHAR = 32;
inline constexpr int LAST_CODED_CHAR = 127;
inline constexpr int CHARACTER_CODE_COUNT = LAST_CODED_CHAR - FIRST_CODED_CHAR + 1;
inline constexpr uint8_t CODE_REFUSED = 0x01;
inline constexpr uint8_t CODE_SPACE = 0x1C;
inline constexpr uint8_t CODE_END_MARK = 0x80;

extern const std::array<uint8_t, CHARACTER_CODE_COUNT> CHARACTER_CODES;
