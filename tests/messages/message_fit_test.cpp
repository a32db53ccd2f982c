#include <gtest/gtest.h>

#include <string>

#include "messages/message_codec.h"

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
      {"characters before a capacity excess",
       {std::string(300, 'E') + "%", "&"},
       "Msg 2 holds the character '&', which the keyer cannot send. Remove it and try again."},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(check_messages_fit(c.texts).value_or(""), c.message) << c.name;
  }
}

}  // namespace
