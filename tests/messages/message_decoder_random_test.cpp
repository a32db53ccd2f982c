#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <random>

#include "messages/message_codec.h"
#include "settings/settings_image.h"

namespace {

// What a slot should show, worked out from the image by offsets rather than by the decoder's
// loop: the longest run of known codes from the slot's start, up to and including the first
// byte with an end mark, never past the image's last byte.
std::string expected_text(int pointer) {
  static const auto known = [] {
    std::array<std::optional<char>, 128> table;
    for (int code = 0; code < 128; ++code) table[code] = code_to_char(static_cast<uint8_t>(code));
    return table;
  }();
  std::string text;
  if (pointer == 0) return text;
  for (int offset = pointer + 32; offset < SETTINGS_IMAGE_SIZE; ++offset) {
    const uint8_t b = settings_image[offset];
    const std::optional<char> c = known[b & 0x7F];
    if (!c) break;
    text.push_back(*c);
    if (b & 0x80) break;
  }
  return text;
}

// Foreign images, as a keyer or a file may hand them over: pointers into the pointer table, texts
// that run off the end, codes that no character has. Run under the sanitizers, any read outside
// the image fails the test; the loop's bound makes a hang show as a time-out.
TEST(MessageDecoder, RandomImagesStayInsideAndStop) {
  std::mt19937 random(20261207);
  std::uniform_int_distribution<int> byte(0, 255);
  // Bytes a decoder likes: known codes without an end mark, so that texts run long.
  const uint8_t runs[] = {0x02, 0x03, 0x06, 0x1C, 0x2D, 0x3F};
  for (int round = 0; round < 4000; ++round) {
    const int style = round % 4;
    for (uint8_t& b : settings_image) {
      b = style == 0 ? static_cast<uint8_t>(byte(random)) : runs[byte(random) % std::size(runs)];
    }
    if (style == 2) settings_image[SETTINGS_IMAGE_SIZE - 1] |= 0x80;
    for (int slot = 0; slot < MESSAGE_SLOTS; ++slot) {
      const int kind = byte(random) % 4;
      settings_image[33 + slot] = static_cast<uint8_t>(kind == 0   ? 1 + byte(random) % 14
                                                       : kind == 1 ? 240 + byte(random) % 16
                                                                   : byte(random));
    }
    const SettingsImage before = settings_image;
    const MessageTexts texts = decode_messages();
    check_message_region();
    ASSERT_EQ(settings_image, before);
    for (int slot = 0; slot < MESSAGE_SLOTS; ++slot) {
      const int pointer = settings_image[33 + slot];
      ASSERT_EQ(texts[slot], expected_text(pointer)) << "round " << round << " slot " << slot;
      ASSERT_LE(texts[slot].size(), static_cast<size_t>(SETTINGS_IMAGE_SIZE - 32 - pointer));
    }
  }
}

// Foreign pointers below 15 point into the pointer table itself, which then reads as codes; a
// text without an end mark stops at the image's last byte.
TEST(MessageDecoder, ForeignPointersAndMissingEndMarks) {
  struct Case {
    int slot, pointer;
    std::string shown;
  };
  const Case cases[] = {
      {13, 1, std::string(13, 'E') + "!" + std::string(240, 'E') + "T"},  // 46 holds 0x01: '!'
      {13, 14, "W" + std::string(240, 'E') + "T"},  // starts at its own pointer, 14 = 'W'
      {0, 2, std::string(253, 'E') + "T"},
      {0, 15, std::string(240, 'E') + "T"},
      {0, 250, "EEEEET"},
      {0, 255, "T"},
  };
  for (const Case& c : cases) {
    settings_image.fill(0x02);  // every byte an E without end mark, the pointers too
    settings_image[287] = 0x03;
    settings_image[33 + c.slot] = static_cast<uint8_t>(c.pointer);
    EXPECT_EQ(decode_messages()[c.slot], c.shown) << c.slot << " at " << c.pointer;
  }
}

}  // namespace
