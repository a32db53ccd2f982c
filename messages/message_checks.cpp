#include <cstdio>
#include <string>

#include "messages/message_codec.h"
#include "settings/settings_image.h"

// Texts that could not be stored as typed are refused before a write or a save with one of these
// messages, so that the user is never told "Done" for something the keyer did not get; a message
// region that did not come from this encoder is explained rather than shown as if it were sound.
namespace {

std::string slot_name(int slot) {
  if (slot < 12) return "Msg " + std::to_string(slot + 1);
  return slot == 12 ? "The User 1 callsign" : "The User 2 callsign";
}

std::string character_name(unsigned char c) {
  // Control characters and those above 127 look different in every code page: give the number.
  if (c > 32 && c < 127) return std::string("the character '") + static_cast<char>(c) + "'";
  return "character " + std::to_string(c);
}

// Why the keyer cannot send a character that has a code: it stops at that code.
const char* const READ_AS_END = "the keyer reads it as the end of the message";

std::string uncodable_message(int slot, unsigned char c, const char* reason = nullptr) {
  return slot_name(slot) + " holds " + character_name(c) + ", which the keyer cannot send" +
         (reason ? std::string(": ") + reason : "") + ". Remove it and try again.";
}

std::string over_capacity_message(int total) {
  return "The messages and callsigns need " + std::to_string(total) + " bytes, " +
         std::to_string(total - MESSAGE_CAPACITY) + " more than the keyer's " +
         std::to_string(MESSAGE_CAPACITY) + ". Shorten them and try again.";
}

std::string odd_slot_message(int slot, SlotEnd end, int pointer, uint8_t stopped_at) {
  if (pointer < MSG_FIRST_POINTER) {
    return slot_name(slot) +
           " starts inside the keyer's table of message positions; its box shows the bytes found "
           "there.";
  }
  if (end == SlotEnd::unknown_code) {
    char code[8];
    std::snprintf(code, sizeof code, "0x%02X", stopped_at);
    // A stored '$' is a character's code after all, one the keyer stops at as well.
    const std::optional<char> end_char = code_to_char(stopped_at);
    if (end_char && code_ends_text(static_cast<unsigned char>(*end_char))) {
      return slot_name(slot) + " holds " + character_name(static_cast<unsigned char>(*end_char)) +
             " (" + code + "); " + READ_AS_END + ", and its box shows the text before it.";
    }
    return slot_name(slot) + " holds a code that no character has (" + code +
           "); its box shows the text before it.";
  }
  return slot_name(slot) +
         " has no end mark before the end of the keyer's memory; its box shows it up to there.";
}

}  // namespace

std::optional<std::string> check_messages_fit(const MessageTexts& texts) {
  for (int slot = 0; slot < MESSAGE_SLOTS; ++slot) {
    const std::string& text = texts[slot];
    // Only what the encoder sees: a box's first 249 characters.
    for (size_t i = 0; i < text.size() && i < static_cast<size_t>(MESSAGE_BOX_CHARS); ++i) {
      const auto c = static_cast<unsigned char>(text[i]);
      if (!char_has_code(c)) return uncodable_message(slot, c);
      if (code_ends_text(c)) return uncodable_message(slot, c, READ_AS_END);
    }
  }
  const int total = count_message_bytes(texts);
  if (total > MESSAGE_CAPACITY) return over_capacity_message(total);
  return std::nullopt;
}

std::optional<std::string> check_message_region() {
  std::string report;
  for (int slot = 0; slot < MESSAGE_SLOTS; ++slot) {
    std::string text;
    const SlotEnd end = decode_slot(slot, text);
    const int pointer = settings_image[MSG_SLOT_POINTERS + slot];
    if (end == SlotEnd::empty || (end == SlotEnd::end_mark && pointer >= MSG_FIRST_POINTER))
      continue;
    // The byte the reading stopped at, for a code without a character.
    const int stop = pointer + MSG_POINTER_BIAS + static_cast<int>(text.size());
    const uint8_t stopped_at = stop < SETTINGS_IMAGE_SIZE ? settings_image[stop] : 0;
    if (!report.empty()) report += "\n";
    report += odd_slot_message(slot, end, pointer, stopped_at);
  }
  if (report.empty()) return std::nullopt;
  return report;
}
