#include "messages/message_codec.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "messages/character_codes.h"
#include "settings/settings_image.h"

namespace {

constexpr int LAST_IMAGE_OFFSET = SETTINGS_IMAGE_SIZE - 1;

bool has_table_entry(unsigned char c) {
  return c >= FIRST_CODED_CHAR && c <= LAST_CODED_CHAR;
}

// A line break is sent as a gap, one space per character of it.
unsigned char as_sent(unsigned char c) {
  return (c == '\r' || c == '\n') ? ' ' : c;
}

std::string_view seen_part(const std::string& text) {
  return std::string_view(text).substr(0, std::min<size_t>(text.size(), MESSAGE_BOX_CHARS));
}

}  // namespace

uint8_t char_to_code(unsigned char c) {
  // Only characters 32..127 have an entry; anything else is as refused as '#'.
  return has_table_entry(c) ? CHARACTER_CODES[c - FIRST_CODED_CHAR] : CODE_REFUSED;
}

std::optional<char> code_to_char(uint8_t code) {
  // First match, the refusal mark included: 0x01 reads as '!', which the check before a write
  // then names, rather than ending the text and hiding what follows it. The matches are found
  // once: every byte of every slot is looked up, each time the boxes are shown.
  static const std::array<char, 256> first_match = [] {
    std::array<char, 256> table{};
    for (int i = CHARACTER_CODE_COUNT - 1; i >= 0; --i)
      table[CHARACTER_CODES[i]] = static_cast<char>(FIRST_CODED_CHAR + i);
    return table;
  }();
  if (first_match[code] == 0) return std::nullopt;
  return first_match[code];
}

bool is_char_accepted(unsigned char c) {
  return !has_table_entry(c) || char_to_code(c) != CODE_REFUSED;
}

bool char_has_code(unsigned char c) {
  return char_to_code(as_sent(c)) != CODE_REFUSED;
}

bool code_ends_text(unsigned char c) {
  return char_has_code(c) && (char_to_code(as_sent(c)) & CODE_END_MARK) != 0;
}

int count_message_bytes(const MessageTexts& texts) {
  int total = 0;
  for (const std::string& text : texts) total += static_cast<int>(seen_part(text).size());
  return total;
}

void encode_messages(const MessageTexts& texts) {
  int used = 0;
  for (int slot = 0; slot < MESSAGE_SLOTS; ++slot) {
    uint8_t& pointer = settings_image[MSG_SLOT_POINTERS + slot];
    const std::string_view text = seen_part(texts[slot]);
    // Callers refuse texts over the capacity before they get here; should one slip through, what
    // does not fit is left out rather than written past the image or under a pointer above 255,
    // and a slot that gets no byte at all is stored empty.
    if (text.empty() || used >= MESSAGE_CAPACITY) {
      pointer = 0;
      continue;
    }
    pointer = static_cast<uint8_t>(used + MSG_FIRST_POINTER);
    for (size_t i = 0; i < text.size() && used < MESSAGE_CAPACITY; ++i, ++used) {
      // Likewise refused: a character without a code goes out as a gap, never as a table miss.
      const unsigned char c = as_sent(static_cast<unsigned char>(text[i]));
      settings_image[MSG_DATA + used] = char_has_code(c) ? char_to_code(c) : CODE_SPACE;
    }
    settings_image[MSG_DATA + used - 1] |= CODE_END_MARK;
  }
  settings_image[MSG_END_POINTER] = static_cast<uint8_t>(used + MSG_FIRST_POINTER);
}

SlotEnd decode_slot(int slot, std::string& text) {
  text.clear();
  if (slot < 0 || slot >= MESSAGE_SLOTS) return SlotEnd::empty;
  const int pointer = settings_image[MSG_SLOT_POINTERS + slot];
  if (pointer == 0) return SlotEnd::empty;
  // Every pointer 1..255 lands inside the image (offsets 33..287), pointers below 15 in the
  // pointer table itself; what is there is shown as the keyer would send it.
  for (int offset = pointer + MSG_POINTER_BIAS; offset <= LAST_IMAGE_OFFSET; ++offset) {
    const uint8_t byte = settings_image[offset];
    const std::optional<char> c = code_to_char(byte & ~CODE_END_MARK);
    if (!c) return SlotEnd::unknown_code;  // the rest of the slot is not shown
    text += *c;
    if (byte & CODE_END_MARK) return SlotEnd::end_mark;
  }
  return SlotEnd::image_end;
}

MessageTexts decode_messages() {
  MessageTexts texts;
  for (int slot = 0; slot < MESSAGE_SLOTS; ++slot) decode_slot(slot, texts[slot]);
  return texts;
}
