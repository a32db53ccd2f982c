#pragma once

#include <array>
#include <cstdint>
#include <string_view>

inline constexpr uint8_t HEX_RECORD_DATA = 0;
inline constexpr uint8_t HEX_RECORD_END = 1;
inline constexpr uint8_t HEX_RECORD_SEGMENT_ADDRESS = 2;
inline constexpr uint8_t HEX_RECORD_LINEAR_ADDRESS = 4;

// One record line of a programming file, once its fields and checksum have been checked.
struct HexRecord {
  uint16_t address = 0;
  uint8_t count = 0;  // data bytes in `data`
  uint8_t type = 0;
  std::array<uint8_t, 255> data{};  // the most a two-digit count allows
};

// Reads ":" count(2) address(4) type(2) data(2 x count) checksum(2), each field at its fixed
// offset and made of hex digits only; characters after the checksum are ignored. False when the
// line is too short, a field is not hex or the bytes do not add up to 0 modulo 256.
bool parse_hex_record(std::string_view line, HexRecord& record);
