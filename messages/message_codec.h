#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

// The fourteen texts kept in the message region, in slot order: Msg 1..Msg 12, then the User 1
// and User 2 callsigns.
inline constexpr int MESSAGE_SLOTS = 14;
using MessageTexts = std::array<std::string, MESSAGE_SLOTS>;

// Each box is seen through a 250-character buffer: at most 249 characters of it count.
inline constexpr int MESSAGE_BOX_CHARS = 249;

uint8_t char_to_code(unsigned char c);           // c in 32..127: the table's entry
std::optional<char> code_to_char(uint8_t code);  // first character whose entry is code
bool is_char_accepted(unsigned char c);          // refused only: 32..127 with entry 0x01
bool char_has_code(unsigned char c);  // what the encoder can store: 32..127 not refused, CR, LF
// A character whose code carries the end mark by itself ('$' alone): stored, the keyer and the
// decoder take it for the end of the text, so it can never be sent or read back.
bool code_ends_text(unsigned char c);
int count_message_bytes(const MessageTexts& texts);  // each text counted up to 249 characters

// Rewrites offsets 32..46 and the used part of the data area from the texts. Never reads outside
// the code table nor writes past the image: texts that do not fit (see check_messages_fit) are
// refused by the callers before they get here.
void encode_messages(const MessageTexts& texts);
// Builds the texts from the message region; reads only inside the image and always stops.
MessageTexts decode_messages();

// How the reading of one slot (0..13) ended: at its end mark, at a code that no character has
// (the text stops before it), or at the image's last byte without an end mark.
enum class SlotEnd { empty, end_mark, unknown_code, image_end };
SlotEnd decode_slot(int slot, std::string& text);
// Nothing when every slot reads back as the encoder writes it; otherwise a text, one line per odd
// slot, that tells the user what the boxes of foreign data (a keyer's or a file's) show.
std::optional<std::string> check_message_region();

// Nothing when the texts fit the keyer (at most 240 bytes in all, every character has a code);
// otherwise the text of the "Error" box that tells the user what to fix.
std::optional<std::string> check_messages_fit(const MessageTexts& texts);
