// The full-size programming file of the load bench must be one that the loader takes whole and
// that gives back the image it was written from.
#include "bench/support/firmware_pattern.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "firmware/firmware_image.h"
#include "firmware/programming_file.h"
#include "platform/recording_controls.h"

namespace {

TEST(FirmwarePatternTest, ProgrammingFileLoadsBackIntoTheSameImage) {
  const std::string path = "/tmp/bench_pattern_" + std::to_string(getpid()) + ".hex";
  fill_firmware_with_pattern();
  const FirmwareImage written = firmware_image;
  ASSERT_TRUE(write_programming_file(path));

  reset_firmware_image();
  RecordingControls dialog;
  EXPECT_EQ(load_programming_file(dialog, path), FIRMWARE_BLOCKS);
  EXPECT_TRUE(firmware_image.blocks == written.blocks);

  std::ifstream file(path);
  std::string line, last;
  int lines = 0;
  while (std::getline(file, line)) {
    ++lines;
    last = line;
  }
  EXPECT_EQ(lines, FIRMWARE_BLOCKS + 1);
  EXPECT_EQ(last, ":00000001FF");
  std::remove(path.c_str());
}

TEST(FirmwarePatternTest, EveryBlockCarriesDataOfFourteenBitWords) {
  fill_firmware_with_pattern();
  int erased_blocks = 0;
  for (const FirmwareBlock& block : firmware_image.blocks) {
    bool erased = true;
    for (int w = 0; w < FIRMWARE_WORDS_PER_BLOCK; ++w) {
      const int word = block[2 + 2 * w] | block[3 + 2 * w] << 8;
      EXPECT_LE(word, 0x3FFF);
      if (word != 0x3FFF) erased = false;
    }
    if (erased) ++erased_blocks;
  }
  EXPECT_EQ(erased_blocks, 0);
}

TEST(FirmwarePatternTest, UnwritablePathIsRefused) {
  fill_firmware_with_pattern();
  EXPECT_FALSE(write_programming_file("/nonexistent-folder/full.hex"));
}

}  // namespace
