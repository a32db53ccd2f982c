#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "messages/message_codec.h"
#include "settings/settings_image.h"

namespace {

TEST(MessagesFit, NamesWhatToFix) {
  struct Case {
    const char* name;
    MessageTexts texts;
    std::string message;  // empty: the texts fit
  };
  const std::string full(249, 'E');
  const Case cases[] = {
      {"nothing", {}, ""},
      {"capacity",
       {std::string(200, 'E'), "", "", "", "", "", "", "", "", "", "", "", "",
        std::string(40, 'T')},
       ""},
      {"line breaks", {"CQ\r\nCQ", "\n"}, ""},
      {"one over",
       {std::string(200, 'E'), std::string(41, 'T')},
       "The messages and callsigns need 241 bytes, 1 more than the keyer's 240. Shorten them and "
       "try again."},
      {"line break over",
       {std::string(239, 'E') + "\r\n"},
       "The messages and callsigns need 241 bytes, 1 more than the keyer's 240. Shorten them and "
       "try again."},
      {"every box full",
       {full, full, full, full, full, full, full, full, full, full, full, full, full, full + "E"},
       "The messages and callsigns need 3486 bytes, 3246 more than the keyer's 240. Shorten them "
       "and try again."},
      {"refused",
       {"CQ", "", "NR #5"},
       "Msg 3 holds the character '#', which the keyer cannot send. Remove it and try again."},
      {"first refused in slot order",
       {"", "", "", "", "", "", "", "", "", "", "", "a~", "", "!"},
       "Msg 12 holds the character '~', which the keyer cannot send. Remove it and try again."},
      {"callsign",
       {"", "", "", "", "", "", "", "", "", "", "", "", "K1\xE9"},
       "The User 1 callsign holds character 233, which the keyer cannot send. Remove it and try "
       "again."},
      {"control character",
       {"", "", "", "", "", "", "", "", "", "", "", "", "", "A\tB"},
       "The User 2 callsign holds character 9, which the keyer cannot send. Remove it and try "
       "again."},
      {"DEL",
       {"\x7F"},
       "Msg 1 holds character 127, which the keyer cannot send. Remove it and try again."},
      {"dollar",
       {"TEST $ OK"},
       "Msg 1 holds the character '$', which the keyer cannot send: the keyer reads it as the end "
       "of the message. Remove it and try again."},
      {"dollar before a refused character",
       {"", "", "", "", "", "", "", "", "", "", "", "", "", "K$1#"},
       "The User 2 callsign holds the character '$', which the keyer cannot send: the keyer reads "
       "it as the end of the message. Remove it and try again."},
      {"characters before a capacity excess",
       {std::string(300, 'E') + "%", "&"},
       "Msg 2 holds the character '&', which the keyer cannot send. Remove it and try again."},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(check_messages_fit(c.texts).value_or(""), c.message) << c.name;
  }
}

// Regions this encoder did not write are explained; its own, and a fresh image, are not.
TEST(MessageRegion, ExplainsForeignData) {
  struct Case {
    const char* name;
    MessageTexts encoded;
    std::vector<std::pair<int, uint8_t>> pokes;  // (offset, byte) written after encoding
    std::string message;
  };
  const Case cases[] = {
      {"encoded", {"CQ", "", "E E", "", "", "", "", "", "", "", "", "", "", "K1ABC"}, {}, ""},
      {"dollar",
       {"TEST $ OK"},
       {},
       "Msg 1 holds the character '$' (0xC8); the keyer reads it as the end of the message, and "
       "its box shows the text before it."},
      {"unknown code",
       {"", "EEE"},
       {{48, 0x00}},
       "Msg 2 holds a code that no character has (0x00); its box shows the text before it."},
      {"into the pointer table",
       {"E"},
       {{46, 3}},
       "The User 2 callsign starts inside the keyer's table of message positions; its box shows "
       "the bytes found there."},
      {"no end mark",
       {},
       {{35, 254}, {286, 0x02}, {287, 0x02}},
       "Msg 3 has no end mark before the end of the keyer's memory; its box shows it up to there."},
      {"two at once",
       {"E"},
       {{44, 2}, {47, 0x02}, {48, 0x48}},
       "Msg 1 holds a code that no character has (0x48); its box shows the text before it.\n"
       "Msg 12 starts inside the keyer's table of message positions; its box shows the bytes "
       "found there."},
  };
  for (const Case& c : cases) {
    settings_image = SettingsImage{};
    encode_messages(c.encoded);
    for (const auto& [offset, byte] : c.pokes) settings_image[offset] = byte;
    EXPECT_EQ(check_message_region().value_or(""), c.message) << c.name;
  }
}

}  // namespace
