#include "firmware/programming_file.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "firmware/firmware_image.h"
#include "firmware/unsent_data.h"
#include "platform/recording_controls.h"
#include "tests/firmware/firmware_test_support.h"
#include "tests/support/scripted_file_chooser.h"

namespace {

const std::string END = ":00000001FF";

std::string lines(const std::vector<std::string>& records, const char* ending = "\n") {
  std::string text;
  for (const std::string& r : records) text += r + ending;
  return text;
}

std::vector<uint8_t> counting(int n, uint8_t first = 0) {
  std::vector<uint8_t> bytes;
  for (int i = 0; i < n; ++i) bytes.push_back(static_cast<uint8_t>(first + i));
  return bytes;
}

int load_text(const std::string& content) {
  TempFile file(content);
  RecordingControls dialog;
  return load_programming_file(dialog, file.path());
}

// The image's program bytes from `first` on must equal `bytes`.
void expect_bytes(uint32_t first, const std::vector<uint8_t>& bytes) {
  for (size_t i = 0; i < bytes.size(); ++i)
    EXPECT_EQ(image_byte(first + i), bytes[i]) << "byte address " << first + i;
}

void expect_erased(uint32_t first, uint32_t count) {
  for (uint32_t a = first; a < first + count; ++a)
    EXPECT_EQ(image_byte(a), erased_byte(a)) << "byte address " << a;
}

struct LoadCase {
  const char* name;
  std::string content;
  int result;
  std::vector<std::pair<uint32_t, std::vector<uint8_t>>> stored = {};  // (byte address, bytes)
  std::vector<std::pair<uint32_t, uint32_t>> erased = {};              // (byte address, count)
  std::vector<std::string> unsent = {};  // what the load says will not be programmed
};

class LoadTest : public testing::TestWithParam<LoadCase> {};

TEST_P(LoadTest, PutsEveryByteAtItsAddress) {
  const LoadCase& c = GetParam();
  EXPECT_EQ(load_text(c.content), c.result);
  for (const auto& [address, bytes] : c.stored) expect_bytes(address, bytes);
  for (const auto& [address, count] : c.erased) expect_erased(address, count);
  EXPECT_EQ(unsent_data_lines(), c.unsent);
  // Whatever the file, every block keeps its own address.
  for (int b = 0; b < FIRMWARE_BLOCKS; ++b) {
    ASSERT_EQ(firmware_image.blocks[b][0] << 8 | firmware_image.blocks[b][1], 8 * b) << b;
  }
}

const std::string long_line = data_record(0, counting(16)) + std::string(1200, 'A');

std::string never_sent(const char* range) {
  return std::string(range) + " not programmed: the upload never sends this part of program memory";
}
std::string outside(const char* range) {
  return std::string(range) + " not programmed: outside program memory (0x0000-0x3FFF)";
}

// One byte in each of 12 blocks that the upload leaves out: more ranges than are listed.
std::vector<std::string> twelve_unsent_bytes() {
  std::vector<std::string> records;
  for (unsigned b = 0; b < 12; ++b) records.push_back(data_record((956 + b) * 16, {0x55}));
  records.push_back(END);
  return records;
}

INSTANTIATE_TEST_SUITE_P(
    Files, LoadTest,
    testing::Values(
        LoadCase{"only_end_record", lines({END}), 0, {}, {{0, FIRMWARE_IMAGE_BYTES}}},
        LoadCase{"block_0",
                 lines({data_record(0, counting(16, 0x40)), END}),
                 1,
                 {{0, counting(16, 0x40)}},
                 {{16, 16}}},
        LoadCase{"block_1",
                 lines({data_record(0x10, counting(16)), END}),
                 1,
                 {{0x10, counting(16)}},
                 {{0, 16}, {0x20, 16}}},
        LoadCase{"half_block_keeps_its_offset",
                 lines({data_record(0x08, counting(8, 1)), END}),
                 1,
                 {{0x08, counting(8, 1)}},
                 {{0, 8}}},
        LoadCase{"record_spans_two_blocks",
                 lines({data_record(0x0C, counting(8, 1)), END}),
                 1,
                 {{0x0C, counting(8, 1)}},
                 {{0, 12}, {0x14, 12}}},
        LoadCase{"long_record_spans_three_blocks",
                 lines({data_record(0x18, counting(32, 0x80)), END}),
                 1,
                 {{0x18, counting(32, 0x80)}},
                 {{0, 0x18}, {0x38, 8}}},
        LoadCase{"later_record_wins",
                 lines({data_record(0, std::vector<uint8_t>(16, 0x11)),
                        data_record(4, std::vector<uint8_t>(4, 0x22)), END}),
                 2,
                 {{0, std::vector<uint8_t>(4, 0x11)},
                  {4, std::vector<uint8_t>(4, 0x22)},
                  {8, std::vector<uint8_t>(8, 0x11)}}},
        // Records that give the image no byte are not counted: such a file has nothing to program.
        LoadCase{"empty_data_records_do_not_count",
                 lines({":0000000000", ":00001000F0", END}),
                 0,
                 {},
                 {{0, 64}}},
        LoadCase{"lower_case_and_crlf",
                 lines({":0400100001020304e2", ":00000001ff"}, "\r\n"),
                 1,
                 {{0x10, {1, 2, 3, 4}}}},
        LoadCase{"linear_address_zero",
                 lines({":020000040000FA", data_record(0, {7}), END}),
                 1,
                 {{0, {7}}}},
        LoadCase{"segment_address_zero",
                 lines({":020000020000FC", data_record(0, {7}), END}),
                 1,
                 {{0, {7}}}},
        LoadCase{"segment_address_moves_data",
                 lines({":020000020100FB", data_record(0x10, {1, 2}), END}),
                 1,
                 {{0x1010, {1, 2}}},
                 {{0, 0x20}}},
        LoadCase{"segment_address_above_program_memory",
                 lines({":020000021000EC", data_record(0x10, {1, 2}), END}),
                 0,
                 {},
                 {{0, FIRMWARE_IMAGE_BYTES}},
                 {outside("0x10010-0x10011")}},
        // Data above the image is left out, never folded back onto the program.
        LoadCase{"linear_address_one_is_outside",
                 lines({":020000040001F9", data_record(0x10, counting(16)), END}),
                 0,
                 {},
                 {{0, FIRMWARE_IMAGE_BYTES}},
                 {outside("0x10010-0x1001F")}},
        LoadCase{"configuration_word_is_outside",
                 lines({data_record(0x400E, {0xC4, 0x31}), END}),
                 0,
                 {},
                 {{0, FIRMWARE_IMAGE_BYTES}},
                 {outside("0x400E-0x400F")}},
        LoadCase{"record_across_the_end",
                 lines({data_record(0x3FF8, counting(16, 1)), END}),
                 1,
                 {{0x3FF8, counting(8, 1)}},
                 {{0, 0x3FF8}},
                 {never_sent("0x3FF8-0x3FFF"), outside("0x4000-0x4007")}},
        // Blocks 956, 1000 (sent), 1004, 1012 (sent) and 1016..1023.
        LoadCase{"data_in_blocks_never_sent",
                 lines({data_record(0x3BC0, counting(4)), data_record(0x3E80, counting(16)),
                        data_record(0x3EC0, counting(16)), data_record(0x3F40, counting(16)),
                        data_record(0x3F80, counting(128)), END}),
                 5,
                 {{0x3BC0, counting(4)}, {0x3F80, counting(128)}},
                 {},
                 {never_sent("0x3BC0-0x3BC3"), never_sent("0x3EC0-0x3ECF"),
                  never_sent("0x3F80-0x3FFF")}},
        // Program data, an empty record, outside data in two pieces out of order, unsent data.
        LoadCase{"a_mix",
                 lines({data_record(0, counting(16)), ":0000000000",
                        data_record(0x4010, counting(16)), data_record(0x4000, counting(16)),
                        data_record(0x3E7E, {1, 2, 3, 4}), data_record(0x8000, {9}), END}),
                 2,
                 {{0, counting(16)}, {0x3E7E, {1, 2}}},
                 {},
                 {never_sent("0x3E7E-0x3E7F"), outside("0x4000-0x401F"), outside("0x8000-0x8000")}},
        LoadCase{
            "many_ranges_are_counted",
            lines(twelve_unsent_bytes()),
            12,
            {},
            {},
            {never_sent("0x3BC0-0x3BC0"), never_sent("0x3BD0-0x3BD0"), never_sent("0x3BE0-0x3BE0"),
             never_sent("0x3BF0-0x3BF0"), never_sent("0x3C00-0x3C00"), never_sent("0x3C10-0x3C10"),
             never_sent("0x3C20-0x3C20"), never_sent("0x3C30-0x3C30"), never_sent("0x3C40-0x3C40"),
             never_sent("0x3C50-0x3C50"), "and 2 more ranges not programmed"}},
        LoadCase{"lines_after_end_are_not_read",
                 lines({data_record(0, {9}), END, "garbage", ":00000005FB"}),
                 1,
                 {{0, {9}}}},
        LoadCase{
            "blank_line", lines({data_record(0, {9}), "", END}), LOAD_ERR_BAD_RECORD, {{0, {9}}}},
        LoadCase{"checksum_off_by_one", lines({":0400100001020304E3", END}), LOAD_ERR_BAD_RECORD},
        LoadCase{"linear_address_too_short", lines({":0100000400FB", END}), LOAD_ERR_BAD_RECORD},
        LoadCase{"line_longer_than_a_piece",
                 lines({long_line, END}),
                 LOAD_ERR_BAD_RECORD,
                 {{0, counting(16)}}},
        LoadCase{"start_segment_record", lines({":0400000300000123D5", END}), LOAD_ERR_RECORD_TYPE},
        LoadCase{"start_linear_record", lines({":0400000500000000F7", END}), LOAD_ERR_RECORD_TYPE},
        LoadCase{"no_end_record", lines({data_record(0, {9})}), LOAD_ERR_BAD_RECORD, {{0, {9}}}},
        LoadCase{"no_end_record_nor_line_feed", data_record(0, {9}), LOAD_ERR_NO_END_RECORD},
        LoadCase{"empty_file", "", LOAD_ERR_BAD_RECORD},
        LoadCase{"binary_garbage",
                 std::string("\x7f"
                             "ELF\x02\x01\x01\0\0\n\xff\xfe",
                             13),
                 LOAD_ERR_BAD_RECORD}),
    [](const testing::TestParamInfo<LoadCase>& info) { return std::string(info.param.name); });

// A failure names the line an editor shows, however long the lines before it.
TEST(LoadProgrammingFile, NamesTheFailingLineWhateverItsLength) {
  EXPECT_EQ(load_text(long_line), LOAD_ERR_BAD_RECORD);
  EXPECT_EQ(programming_file_state.lines_read, 1);
}

TEST(LoadProgrammingFile, EveryAttemptStartsFromAnErasedImage) {
  const std::string good = lines({data_record(0, counting(16)), END});
  const std::vector<std::pair<const char*, std::string>> failures = {
      {"empty path", ""}, {"missing file", "/nonexistent/ostrel/firmware.bin"}};
  for (const auto& [what, path] : failures) {
    ASSERT_EQ(load_text(good), 1);
    RecordingControls dialog;
    EXPECT_LT(load_programming_file(dialog, path), 0) << what;
    expect_erased(0, 16);
  }
  RecordingControls dialog;
  EXPECT_EQ(load_programming_file(dialog, ""), LOAD_ERR_NO_PATH);
  EXPECT_EQ(load_programming_file(dialog, "/nonexistent/ostrel/firmware.bin"), LOAD_ERR_OPEN);
}

TEST(LoadProgrammingFile, HugeFilesFailCleanly) {
  // Ten megabytes of good data records with no end record (the read after the last line feed
  // gets nothing), then of text with no line feed.
  std::string records;
  const std::string line = data_record(0x20, counting(16)) + "\n";
  while (records.size() < 10'000'000) records += line;
  EXPECT_EQ(load_text(records), LOAD_ERR_BAD_RECORD);
  expect_bytes(0x20, counting(16));
  EXPECT_EQ(load_text(std::string(10'000'000, '0')), LOAD_ERR_BAD_RECORD);
}

struct VersionCase {
  std::string content;
  int major;
  int minor;
  bool dip;
};

class VersionTest : public testing::TestWithParam<VersionCase> {};

TEST_P(VersionTest, ComesFromProgramWordThree) {
  const VersionCase& c = GetParam();
  load_text(c.content);
  EXPECT_EQ(firmware_major(), c.major);
  EXPECT_EQ(firmware_minor(), c.minor);
  EXPECT_EQ(firmware_is_dip_image(), c.dip);
}

INSTANTIATE_TEST_SUITE_P(
    Images, VersionTest,
    testing::Values(VersionCase{lines({data_record(6, {0x1F, 0x05}), END}), 31, 5, false},
                    VersionCase{lines({data_record(6, {0x1F, 0x2F}), END}), 31, 47, false},
                    VersionCase{lines({data_record(6, {0x1F, 0x30}), END}), 31, 48, true},
                    VersionCase{lines({data_record(0x10, {1}), END}), 255, 63, true}));

struct ChooseCase {
  std::optional<std::string> answer;
  bool chosen;
};

class ChooseTest : public testing::TestWithParam<ChooseCase> {};

TEST_P(ChooseTest, AcceptsOnlyPathsThatFit) {
  ScriptedFileChooser chooser;
  chooser.answers.push_back(GetParam().answer);
  std::string path = "unchanged";
  EXPECT_EQ(choose_programming_file(chooser, path), GetParam().chosen);
  EXPECT_EQ(path, GetParam().chosen ? *GetParam().answer : "unchanged");

  ASSERT_EQ(chooser.requests.size(), 1u);
  const FileRequest& request = chooser.requests[0];
  EXPECT_FALSE(request.save);
  EXPECT_EQ(request.title, "Open");
  using Filters = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(request.filters, (Filters{{"All files", "*.*"}, {"Bin Files", "*.bin"}}));
  EXPECT_EQ(request.filter_index, 2);
  EXPECT_EQ(request.default_extension, "bin");
  EXPECT_TRUE(request.must_exist);
  EXPECT_EQ(request.initial_name, "*.bin");
  EXPECT_EQ(request.capacity, 128u);
}

INSTANTIATE_TEST_SUITE_P(Answers, ChooseTest,
                         testing::Values(ChooseCase{std::nullopt, false}, ChooseCase{"", false},
                                         ChooseCase{"C:\\fw\\ostrel.bin", true},
                                         ChooseCase{std::string(127, 'a'), true},
                                         ChooseCase{std::string(128, 'a'), false}));

}  // namespace
