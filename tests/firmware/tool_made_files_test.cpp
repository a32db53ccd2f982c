// Programming files written by real tools at build time (see CMakeLists.txt): an assembled PIC16
// program, and this folder's program.asm carried as raw bytes by objcopy to several addresses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "firmware/firmware_image.h"
#include "firmware/programming_file.h"
#include "platform/recording_controls.h"
#include "tests/firmware/firmware_test_support.h"

namespace {

std::string tool_made(const std::string& name) {
  return std::string(FIRMWARE_TOOL_MADE_DIR) + "/" + name;
}

uint16_t program_word(uint32_t word_address) {
  return static_cast<uint16_t>(image_byte(2 * word_address) | image_byte(2 * word_address + 1)
                                                                  << 8);
}

TEST(ToolMadeFiles, AssembledProgramLandsWordForWord) {
  RecordingControls dialog;
  // Three records of program memory; the configuration word at 0x2007 is not part of the image.
  ASSERT_EQ(load_programming_file(dialog, tool_made("program.hex")), 3);
  const std::vector<std::pair<uint32_t, uint16_t>> words = {
      {0, 0x2805},      // goto start
      {3, 0x051F},      // the version word, 31.05
      {4, 0x0009},      // retfie at the interrupt vector
      {5, 0x30AB},      // start: movlw 0xAB
      {6, 0x3455},      // retlw 0x55
      {0x7F8, 0x1234},  // the table
      {0x7F9, 0x2345}, {0x7FA, 0x3456},
  };
  for (uint32_t w = 0; w < FIRMWARE_IMAGE_BYTES / 2; ++w) {
    uint16_t expected = 0x3FFF;
    for (const auto& [address, value] : words)
      if (address == w) expected = value;
    ASSERT_EQ(program_word(w), expected) << "word " << w;
  }
  EXPECT_EQ(firmware_major(), 31);
  EXPECT_EQ(firmware_minor(), 5);
  EXPECT_FALSE(firmware_is_dip_image());
}

struct BinaryCase {
  const char* file;
  uint32_t offset;
};

class ObjcopyTest : public testing::TestWithParam<BinaryCase> {};

TEST_P(ObjcopyTest, EveryByteAtItsAddressAndNothingWrapped) {
  const BinaryCase& c = GetParam();
  const std::vector<uint8_t> source = read_file_bytes(FIRMWARE_PROGRAM_ASM);
  ASSERT_GT(source.size(), 64u);
  // objcopy writes 16 bytes a record; those starting inside the image count.
  int records_inside = 0;
  for (uint32_t start = 0; start < source.size(); start += 16)
    if (c.offset + start < FIRMWARE_IMAGE_BYTES) ++records_inside;

  RecordingControls dialog;
  ASSERT_EQ(load_programming_file(dialog, tool_made(c.file)), records_inside);
  for (uint32_t a = 0; a < FIRMWARE_IMAGE_BYTES; ++a) {
    const bool from_file = a >= c.offset && a - c.offset < source.size();
    ASSERT_EQ(image_byte(a), from_file ? source[a - c.offset] : erased_byte(a)) << "address " << a;
  }
}

INSTANTIATE_TEST_SUITE_P(Addresses, ObjcopyTest,
                         testing::Values(BinaryCase{"binary_0x0123.hex", 0x0123},
                                         BinaryCase{"binary_0x3F80.hex", 0x3F80},
                                         BinaryCase{"binary_0x20000.hex", 0x20000},
                                         BinaryCase{"binary_0x1000000.hex", 0x1000000}));

}  // namespace
