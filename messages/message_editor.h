#pragma once

#include "messages/message_codec.h"
#include "platform/dialog_controls.h"
#include "resources/control_ids.h"

// The "Message Editor" group of the main window: fourteen text boxes (two banks of six messages
// and the two user callsigns), their input filter, the message bank switch and the bytes-left
// label. The texts live in the boxes; they meet the settings image only through the codec.

// The boxes in slot order: Msg 1..6, Msg 7..12, then the User 1 and User 2 callsigns.
inline constexpr int MESSAGE_BOX_IDS[MESSAGE_SLOTS] = {
    IDC_MSG1, IDC_MSG2, IDC_MSG3,  IDC_MSG4,  IDC_MSG5,  IDC_MSG6,           IDC_MSG7,
    IDC_MSG8, IDC_MSG9, IDC_MSG10, IDC_MSG11, IDC_MSG12, IDC_CALLSIGN_USER1, IDC_CALLSIGN_USER2};

inline constexpr unsigned char BACKSPACE_CHAR = 8;

// Whether the control is one of the fourteen boxes.
bool is_message_box(int id);

// Shows the six boxes and labels of `bank` (1 or 2) and hides the other six of each.
void show_message_bank(DialogControls& window, int bank);

// "Message Bank 1"/"Message Bank 2": moves the check mark, shows the bank and records it in bit
// 0x40 of image byte 14, leaving the byte's other bits alone.
void switch_message_bank(DialogControls& window, int bank);

// Every box's text, visible or hidden, as the codec sees it (at most 249 characters each).
MessageTexts read_message_texts(DialogControls& window);
// Puts each text into its box, as after a decode.
void write_message_texts(DialogControls& window, const MessageTexts& texts);

// "Msg Bytes Left: %d": what is left of the 240 bytes, negative when pasted text overfilled it.
void refresh_bytes_left(DialogControls& window);

// The input filter of the fourteen boxes: whether a typed character may reach its box. Refused:
// everything but backspace once the texts fill the capacity, characters that have no Morse code
// (the table's refused ones and everything above 127) and '$', whose code ends a message.
bool message_filter_accepts(DialogControls& window, unsigned char c);
// The same rule over the fourteen texts as they stand, for a caller that types many characters
// at once and keeps its own copy up to date.
bool message_filter_accepts(const MessageTexts& texts, unsigned char c);
// The characters the filter lets into a box below the capacity: the printable ones it takes and
// the line break, in code order (for the page, which keeps the others out as they are typed).
std::string message_filter_characters();
// What is left of the capacity: the bytes the boxes can still take, negative when overfilled.
int message_bytes_left(DialogControls& window);
