#pragma once

#include <array>
#include <cstdint>

// The host's copy of the keyer's 288-byte configuration block: two user banks of settings and
// the message region. Transferred, saved and loaded only whole.
inline constexpr int SETTINGS_IMAGE_SIZE = 288;
using SettingsImage = std::array<uint8_t, SETTINGS_IMAGE_SIZE>;

// The one image of the program, zero at start.
extern SettingsImage settings_image;

// User banks: same layout at base 0 (User 1) and 16 (User 2).
enum class UserBank { user1, user2 };
inline constexpr int USER_BANK_SIZE = 16;
inline constexpr int bank_base(UserBank bank) {
  return bank == UserBank::user1 ? 0 : USER_BANK_SIZE;
}

// Field offsets relative to a bank's base.
inline constexpr int REL_MODE = 0;  // mode register (bit field)
inline constexpr int REL_CUR_WPM = 1;
inline constexpr int REL_SIDETONE = 2;  // 62500 / frequency
inline constexpr int REL_WEIGHT = 3;
inline constexpr int REL_LEAD_IN = 4;
inline constexpr int REL_TAIL = 5;
inline constexpr int REL_POT_MIN = 6;    // MinWpm
inline constexpr int REL_POT_RANGE = 7;  // MaxWpm - MinWpm
inline constexpr int REL_EXTENSION = 8;  // extension register (bit field)
inline constexpr int REL_KEY_COMP = 9;
inline constexpr int REL_FARNS = 10;
inline constexpr int REL_PDL_SAMPLE = 11;
inline constexpr int REL_RATIO = 12;
inline constexpr int REL_PIN_CONFIG = 13;    // pin configuration (bit field)
inline constexpr int REL_LETTER_SPACE = 14;  // letter-space register (bit field)
inline constexpr int REL_CMD_WPM = 15;

// Byte 14 carries, besides User 1's letter space, the window's selections for the whole image.
inline constexpr int SELECTION_BYTE = 14;
inline constexpr uint8_t SELECTED_USER2_BIT = 0x80;
inline constexpr uint8_t SELECTED_MESSAGE_BANK2_BIT = 0x40;

// Message region.
inline constexpr int MSG_END_POINTER = 32;
inline constexpr int MSG_SLOT_POINTERS = 33;  // 14 pointers, slot order
inline constexpr int MSG_SLOT_COUNT = 14;
inline constexpr int MSG_DATA = 47;          // 241-byte data area, to the end of the image
inline constexpr int MSG_POINTER_BIAS = 32;  // pointer = offset of the slot's first byte - 32
inline constexpr int MSG_FIRST_POINTER = MSG_DATA - MSG_POINTER_BIAS;  // 15
inline constexpr int MESSAGE_CAPACITY = 240;
