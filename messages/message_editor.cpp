#include "messages/message_editor.h"

#include <string>

#include "settings/settings_image.h"

namespace {

constexpr int BANK_SIZE = 6;

// Bank 1's boxes are slots 0..5, bank 2's slots 6..11; the labels follow the same order.
void show_bank_controls(DialogControls& window, int first_slot, int first_label, bool visible) {
  for (int i = 0; i < BANK_SIZE; ++i) {
    window.show(MESSAGE_BOX_IDS[first_slot + i], visible);
    window.show(first_label + i, visible);
  }
}

}  // namespace

void show_message_bank(DialogControls& window, int bank) {
  const bool bank1 = bank != 2;
  show_bank_controls(window, 0, IDC_MSG1_LABEL, bank1);
  show_bank_controls(window, BANK_SIZE, IDC_MSG7_LABEL, !bank1);
}

void switch_message_bank(DialogControls& window, int bank) {
  const bool bank2 = bank == 2;
  window.set_check(IDC_MESSAGE_BANK1, !bank2);
  window.set_check(IDC_MESSAGE_BANK2, bank2);
  show_message_bank(window, bank2 ? 2 : 1);
  if (bank2) {
    settings_image[SELECTION_BYTE] |= SELECTED_MESSAGE_BANK2_BIT;
  } else {
    settings_image[SELECTION_BYTE] &= static_cast<uint8_t>(~SELECTED_MESSAGE_BANK2_BIT);
  }
}

MessageTexts read_message_texts(DialogControls& window) {
  MessageTexts texts;
  for (int slot = 0; slot < MESSAGE_SLOTS; ++slot) {
    texts[slot] = window.get_text(MESSAGE_BOX_IDS[slot], MESSAGE_BOX_CHARS);
  }
  return texts;
}

void write_message_texts(DialogControls& window, const MessageTexts& texts) {
  for (int slot = 0; slot < MESSAGE_SLOTS; ++slot) {
    window.set_text(MESSAGE_BOX_IDS[slot], texts[slot]);
  }
}

bool is_message_box(int id) {
  for (const int box : MESSAGE_BOX_IDS) {
    if (box == id) return true;
  }
  return false;
}

int message_bytes_left(DialogControls& window) {
  return MESSAGE_CAPACITY - count_message_bytes(read_message_texts(window));
}

void refresh_bytes_left(DialogControls& window) {
  window.set_text(IDC_MSG_BYTES_LEFT,
                  "Msg Bytes Left: " + std::to_string(message_bytes_left(window)));
}

namespace {
// The filter's rule for the character itself, whatever the boxes hold.
bool typable(unsigned char c) {
  // Characters above 127 have no Morse code: keep them out of the box in the first place.
  if (c > 127) return false;
  // Nor '$': the keyer would end the message at it, and a write would refuse it anyway.
  return is_char_accepted(c) && !code_ends_text(c);
}
}  // namespace

bool message_filter_accepts(DialogControls& window, unsigned char c) {
  return message_filter_accepts(read_message_texts(window), c);
}

bool message_filter_accepts(const MessageTexts& texts, unsigned char c) {
  // The total before the character goes in: at the limit even typing over a selection is
  // refused, which keeps the rule simple and never lets the total grow past 240 by typing.
  if (count_message_bytes(texts) >= MESSAGE_CAPACITY && c != BACKSPACE_CHAR) return false;
  return typable(c);
}

std::string message_filter_characters() {
  std::string characters;
  for (int c = 0; c <= 127; ++c) {
    const auto byte = static_cast<unsigned char>(c);
    if ((c == '\n' || c >= 32) && typable(byte)) characters += static_cast<char>(c);
  }
  return characters;
}
