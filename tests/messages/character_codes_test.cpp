#include <gtest/gtest.h>

#include <string>

#include "messages/message_codec.h"

namespace {

// The dots and dashes a code stands for: elements from bit 0 up under a single 1 bit.
std::string elements(uint8_t code) {
  int top = 7;
  while (top > 0 && !(code & (1 << top))) --top;
  std::string out;
  for (int bit = 0; bit < top; ++bit) out += (code & (1 << bit)) ? '-' : '.';
  return out;
}

// Written as Morse, not as codes, so that a wrong code in the table shows here.
TEST(CharacterCodes, SendTheirMorse) {
  struct Case {
    char c;
    const char* morse;
  };
  const Case cases[] = {
      {'"', ".-..-."}, {'$', "...-..-"}, {'\'', ".----."}, {'(', "-.--."},  {')', "-.--.-"},
      {'+', ".-.-."},  {',', "--..--"},  {'-', "-....-"},  {'.', ".-.-.-"}, {'/', "-..-."},
      {'0', "-----"},  {'1', ".----"},   {'2', "..---"},   {'3', "...--"},  {'4', "....-"},
      {'5', "....."},  {'6', "-...."},   {'7', "--..."},   {'8', "---.."},  {'9', "----."},
      {':', "-.--."},  {';', ".-.-"},    {'<', ".-.-."},   {'=', "-...-"},  {'>', "...-.-"},
      {'?', "..--.."}, {'@', ".--.-."},  {'A', ".-"},      {'B', "-..."},   {'C', "-.-."},
      {'D', "-.."},    {'E', "."},       {'F', "..-."},    {'G', "--."},    {'H', "...."},
      {'I', ".."},     {'J', ".---"},    {'K', "-.-"},     {'L', ".-.."},   {'M', "--"},
      {'N', "-."},     {'O', "---"},     {'P', ".--."},    {'Q', "--.-"},   {'R', ".-."},
      {'S', "..."},    {'T', "-"},       {'U', "..-"},     {'V', "...-"},   {'W', ".--"},
      {'X', "-..-"},   {'Y', "-.--"},    {'Z', "--.."},    {'[', ".-..."},  {'\\', "-..-."},
      {']', "-.--."},  {'|', "..--."},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(elements(char_to_code(c.c)), c.morse) << c.c;
    if (c.c >= 'A' && c.c <= 'Z') {
      EXPECT_EQ(char_to_code(c.c + 32), char_to_code(c.c)) << c.c;
    }
  }
  EXPECT_EQ(char_to_code(' '), 0x1C);
}

TEST(CharacterCodes, RefusedAndAccepted) {
  const std::string refused = "!#%&*^_`{}~\x7F";
  for (int c = 0; c < 256; ++c) {
    const bool in_table = c >= 32 && c <= 127;
    const bool is_refused = in_table && refused.find(static_cast<char>(c)) != std::string::npos;
    EXPECT_EQ(is_char_accepted(static_cast<unsigned char>(c)), !is_refused) << c;
    // Only the table's accepted characters and the line breaks can be stored.
    EXPECT_EQ(char_has_code(static_cast<unsigned char>(c)),
              (in_table && !is_refused) || c == '\r' || c == '\n')
        << c;
  }
}

// Several characters share a code; a code gives back the first of them, the refusal mark too.
TEST(CharacterCodes, FirstMatchDecodes) {
  struct Case {
    uint8_t code;
    std::optional<char> c;
  };
  const Case cases[] = {
      {0x2D, '('}, {0x2A, '+'},          {0x29, '/'},          {0x06, 'A'},
      {0x1C, ' '}, {0x2C, '|'},          {0x52, '"'},          {0x48, std::nullopt},
      {0x01, '!'}, {0x00, std::nullopt}, {0xFF, std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(code_to_char(c.code), c.c) << int(c.code);
}

}  // namespace
