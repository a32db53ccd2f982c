#include "messages/message_codec.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "settings/settings_image.h"

namespace {

class MessageCodec : public ::testing::Test {
 protected:
  void SetUp() override { settings_image.fill(0xA5); }  // anything not written keeps this
  static std::vector<uint8_t> bytes(int from, int to) {
    return {settings_image.begin() + from, settings_image.begin() + to + 1};
  }
};

TEST_F(MessageCodec, Layouts) {
  struct Case {
    const char* name;
    MessageTexts texts;
    std::vector<uint8_t> header;  // offsets 32..46
    std::vector<uint8_t> data;    // from offset 47
  };
  const Case cases[] = {
      {"all empty", {}, {0x0F, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {}},
      {"CQ, -, E E",
       {"CQ", "", "E E"},
       {0x14, 0x0F, 0x00, 0x11, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
       {0x15, 0x9B, 0x02, 0x1C, 0x82}},
      {"E in slot 2", {"", "E"}, {0x10, 0, 0x0F, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {0x82}},
      {"lower case", {"cq"}, {0x11, 0x0F, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {0x15, 0x9B}},
      {"dollar",
       {"TEST $ OK"},
       {0x18, 0x0F, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
       {0x03, 0x02, 0x08, 0x03, 0x1C, 0xC8, 0x1C, 0x0F, 0x8D}},
      {"line break",
       {"K\r\nK"},
       {0x13, 0x0F, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
       {0x0D, 0x1C, 0x1C, 0x8D}},
      {"callsigns after the messages",
       {"", "", "", "", "", "", "", "", "", "", "", "T", "E", "M"},
       {0x12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x0F, 0x10, 0x11},
       {0x83, 0x82, 0x87}},
  };
  for (const Case& c : cases) {
    SetUp();
    encode_messages(c.texts);
    EXPECT_EQ(bytes(32, 46), c.header) << c.name;
    const int end = MSG_DATA + static_cast<int>(c.data.size());
    if (!c.data.empty()) {
      EXPECT_EQ(bytes(MSG_DATA, end - 1), c.data) << c.name;
    }
    EXPECT_EQ(bytes(end, 287), std::vector<uint8_t>(288 - end, 0xA5)) << c.name;
    EXPECT_EQ(bytes(0, 31), std::vector<uint8_t>(32, 0xA5)) << c.name;
  }
}

TEST_F(MessageCodec, DecodesWhatItShows) {
  struct Case {
    MessageTexts texts;
    MessageTexts shown;
  };
  const Case cases[] = {
      {{"CQ", "", "E E"}, {"CQ", "", "E E"}},
      {{"cq de k1abc"}, {"CQ DE K1ABC"}},
      {{"A:B]C<D", "x\\y"}, {"A(B(C+D", "X/Y"}},
      {{"TEST $ OK", "$", "AB$"}, {"TEST ", "", "AB"}},  // $ reads as an end mark
      {{"1\r\n2", "\n"}, {"1  2", " "}},
      {{"", "", "", "", "", "", "", "", "", "", "", "", "W1AW", "N0CALL"},
       {"", "", "", "", "", "", "", "", "", "", "", "", "W1AW", "N0CALL"}},
  };
  for (const Case& c : cases) {
    SetUp();
    encode_messages(c.texts);
    const SettingsImage encoded = settings_image;
    EXPECT_EQ(decode_messages(), c.shown) << c.texts[0];
    EXPECT_EQ(settings_image, encoded);
  }
}

// Every character the keyer can send comes back; those that share a code come back as the first
// of them, lower case as upper case.
TEST_F(MessageCodec, EveryAcceptedCharacterRoundTrips) {
  const std::map<char, char> shared = {{':', '('}, {']', '('}, {'<', '+'}, {'\\', '/'}};
  for (int c = 32; c < 128; ++c) {
    if (!is_char_accepted(static_cast<unsigned char>(c))) continue;
    char shown = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    if (shared.count(shown)) shown = shared.at(shown);
    const int slot = c % MESSAGE_SLOTS;
    MessageTexts texts;
    texts[slot] = std::string("K") + static_cast<char>(c) + "K";
    encode_messages(texts);
    // $ has bit 7 set by itself and reads as an end mark
    EXPECT_EQ(decode_messages()[slot], c == '$' ? "K" : std::string("K") + shown + "K") << c;
  }
}

TEST_F(MessageCodec, CountsEachBoxUpToWhatItShows) {
  struct Case {
    std::vector<int> lengths;
    int total;
  };
  const Case cases[] = {
      {{}, 0},
      {{240}, 240},
      {{249}, 249},
      {{250}, 249},
      {{1000, 1000}, 498},
      {{249, 249, 249, 249, 249, 249, 249, 249, 249, 249, 249, 249, 249, 249}, 14 * 249},
      {{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 2}, 5},
  };
  for (const Case& c : cases) {
    MessageTexts texts;
    for (size_t i = 0; i < c.lengths.size(); ++i) texts[i] = std::string(c.lengths[i], 'E');
    EXPECT_EQ(count_message_bytes(texts), c.total);
  }
}

TEST_F(MessageCodec, FillsTheCapacityExactly) {
  MessageTexts texts;
  texts[0] = std::string(200, 'E');
  texts[13] = std::string(40, 'T');
  encode_messages(texts);
  EXPECT_EQ(settings_image[32], 0xFF);
  EXPECT_EQ(settings_image[46], 15 + 200);
  EXPECT_EQ(settings_image[286], 0x83);
  EXPECT_EQ(settings_image[287], 0xA5);
  EXPECT_EQ(decode_messages(), texts);
  EXPECT_EQ(count_message_bytes(texts), MESSAGE_CAPACITY);
}

// Texts that should have been refused before they got here: whatever comes, the encoder stays
// inside the image and the table, and leaves a region the decoder reads back.
TEST_F(MessageCodec, OversizedOrUncodableTextsStayInBounds) {
  struct Case {
    const char* name;
    MessageTexts texts;
    MessageTexts shown;
    uint8_t end_pointer;
  };
  const std::string full(249, 'E');
  const Case cases[] = {
      {"every box full",
       {full, full, full, full, full, full, full, full, full, full, full, full, full, full},
       {std::string(240, 'E')},
       0xFF},
      {"one over", {std::string(239, 'T'), "MM"}, {std::string(239, 'T'), "M"}, 0xFF},
      {"full, then more", {std::string(240, 'T'), "", "M"}, {std::string(240, 'T')}, 0xFF},
      {"no code", {"A#B", "\t", "\xE9\xFF", "x\x7F"}, {"A B", " ", "  ", "X "}, 0x0F + 8},
  };
  for (const Case& c : cases) {
    SetUp();
    encode_messages(c.texts);
    EXPECT_EQ(settings_image[32], c.end_pointer) << c.name;
    EXPECT_EQ(settings_image[287], 0xA5) << c.name;
    EXPECT_EQ(decode_messages(), c.shown) << c.name;
  }
}

}  // namespace
