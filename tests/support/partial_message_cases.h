#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "messages/message_codec.h"
#include "settings/settings_image.h"

// Message regions that do not read back whole, as a keyer or a file this program did not write
// may hold them, and what the user is told of each. The window shows the explanation in an
// "Error" box, the command line as "warning:" lines: one table holds both to the same words.
struct PartialMessageCase {
  const char* name;
  std::vector<std::pair<int, uint8_t>> pokes;  // (offset, byte) over "CQ DE K1ABC" in Msg 1
  std::string msg1;                            // what Msg 1's box shows
  std::string explanation;                     // one line a slot; "" when all reads back
};

inline const std::vector<PartialMessageCase> PARTIAL_MESSAGE_CASES = {
    {"whole", {}, "CQ DE K1ABC", ""},
    {"code without a character",
     {{50, 0x00}},
     "CQ ",
     "Msg 1 holds a code that no character has (0x00); its box shows the text before it."},
    {"stored dollar",
     {{52, 0xC8}},
     "CQ DE",
     "Msg 1 holds the character '$' (0xC8); the keyer reads it as the end of the message, and its "
     "box shows the text before it."},
    {"refusal mark reads as '!'", {{49, 0x01}}, "CQ!DE K1ABC", ""},
    {"two slots",
     {{50, 0x48}, {34, 3}},
     "CQ ",
     "Msg 1 holds a code that no character has (0x48); its box shows the text before it.\n"
     "Msg 2 starts inside the keyer's table of message positions; its box shows the bytes found "
     "there."},
};

// The case's image: Msg 1 as the encoder stores it, then the case's bytes.
inline SettingsImage partial_message_image(const PartialMessageCase& c) {
  const SettingsImage saved = settings_image;
  settings_image = SettingsImage{};
  encode_messages(MessageTexts{"CQ DE K1ABC"});
  for (const auto& [offset, byte] : c.pokes) settings_image[offset] = byte;
  const SettingsImage image = settings_image;
  settings_image = saved;
  return image;
}
