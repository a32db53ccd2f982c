#include "firmware/hex_record.h"

namespace {

constexpr size_t MIN_RECORD_LENGTH = 11;  // ":" count address type checksum
constexpr size_t DATA_OFFSET = 9;

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A field is exactly `digits` hex digits: no sign, no blanks, no "0x", unlike the scanf family.
bool hex_field(std::string_view line, size_t offset, size_t digits, unsigned& value) {
  if (offset + digits > line.size()) return false;
  value = 0;
  for (size_t i = 0; i < digits; ++i) {
    const int digit = hex_digit(line[offset + i]);
    if (digit < 0) return false;
    value = value * 16 + static_cast<unsigned>(digit);
  }
  return true;
}

}  // namespace

bool parse_hex_record(std::string_view line, HexRecord& record) {
  if (line.size() < MIN_RECORD_LENGTH || line[0] != ':') return false;
  unsigned count = 0, address = 0, type = 0, checksum = 0;
  if (!hex_field(line, 1, 2, count)) return false;
  if (line.size() < 2 * count + MIN_RECORD_LENGTH) return false;
  if (!hex_field(line, 3, 4, address) || !hex_field(line, 7, 2, type)) return false;
  unsigned sum = count + (address >> 8) + (address & 0xFF) + type;
  for (unsigned k = 0; k < count; ++k) {
    unsigned byte = 0;
    if (!hex_field(line, DATA_OFFSET + 2 * k, 2, byte)) return false;
    record.data[k] = static_cast<uint8_t>(byte);
    sum += byte;
  }
  if (!hex_field(line, DATA_OFFSET + 2 * count, 2, checksum)) return false;
  if ((sum + checksum) % 256 != 0) return false;
  record.address = static_cast<uint16_t>(address);
  record.count = static_cast<uint8_t>(count);
  record.type = static_cast<uint8_t>(type);
  return true;
}
