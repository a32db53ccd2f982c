#include "firmware/hex_record.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct RecordCase {
  const char* name;
  std::string line;
  bool valid;
  unsigned address = 0;
  unsigned type = 0;
  std::vector<uint8_t> data = {};
};

class HexRecordTest : public testing::TestWithParam<RecordCase> {};

TEST_P(HexRecordTest, ReadsFieldsAtFixedOffsets) {
  const RecordCase& c = GetParam();
  HexRecord record;
  ASSERT_EQ(parse_hex_record(c.line, record), c.valid) << c.line;
  if (!c.valid) return;
  EXPECT_EQ(record.address, c.address);
  EXPECT_EQ(record.type, c.type);
  ASSERT_EQ(record.count, c.data.size());
  EXPECT_EQ(std::vector<uint8_t>(record.data.begin(), record.data.begin() + record.count), c.data);
}

const std::string full_255 = [] {
  // 255 data bytes of 0x01: the sum is 0xFF + 0xFF = 0x1FE, so the checksum is 0x02.
  std::string line = ":FF000000";
  for (int i = 0; i < 255; ++i) line += "01";
  return line + "02";
}();

INSTANTIATE_TEST_SUITE_P(
    Lines, HexRecordTest,
    testing::Values(
        RecordCase{"end", ":00000001FF", true, 0, 1},
        RecordCase{"data", ":0400100001020304E2", true, 0x0010, 0, {1, 2, 3, 4}},
        RecordCase{"lower_case", ":04abcd00deadbeef4c", true, 0xABCD, 0, {0xDE, 0xAD, 0xBE, 0xEF}},
        RecordCase{"trailing_text_ignored", ":00000001FF junk", true, 0, 1},
        RecordCase{"linear_address", ":020000040001F9", true, 0, 4, {0x00, 0x01}},
        RecordCase{"largest_count", full_255, true, 0, 0, std::vector<uint8_t>(255, 1)},
        RecordCase{"empty", "", false}, RecordCase{"no_colon", "00000001FF0", false},
        RecordCase{"colon_elsewhere", " :00000001FF", false},
        RecordCase{"ten_characters", ":00000001F", false},
        RecordCase{"checksum_off_by_one", ":00000001FE", false},
        RecordCase{"shorter_than_count", ":0400100001020304", false},
        RecordCase{"largest_count_one_byte_short", full_255.substr(0, full_255.size() - 2), false},
        // The scanf family would read these fields; a field is only ever two or four hex digits.
        RecordCase{"blank_in_count", ": 0000001FF0", false},
        RecordCase{"sign_in_count", ":+0000001FF", false},
        RecordCase{"sign_in_address", ":00-000001FF", false},
        RecordCase{"blank_in_type", ":00000 01FF", false},
        RecordCase{"prefix_in_data", ":0100000x0AF6", false},
        RecordCase{"letter_in_checksum", ":00000001FG", false},
        RecordCase{"nul_in_data",
                   [] {
                     std::string line = ":0100000000FF";
                     line[9] = '\0';
                     return line;
                   }(),
                   false}),
    [](const testing::TestParamInfo<RecordCase>& info) { return std::string(info.param.name); });

}  // namespace
