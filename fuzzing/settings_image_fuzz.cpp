// A whole settings image of any bytes, as a keyer or a file may deliver it, through the settings
// panel and the message codec. Input: the 288 image bytes (a shorter input leaves the rest 0),
// then optional texts for the encoder, separated by 0 bytes, as pasted text could make them.
#include <algorithm>
#include <string>

#include "fuzzing/fuzz_support.h"
#include "messages/message_codec.h"
#include "platform/recording_controls.h"
#include "resources/control_ids.h"
#include "settings/main_window.h"
#include "settings/settings_image.h"
#include "settings/settings_panel.h"

namespace {

bool same_bytes(const SettingsImage& a, const SettingsImage& b, int from, int to) {
  return std::equal(a.begin() + from, a.begin() + to, b.begin() + from);
}

// Showing a bank and storing it back changes nothing: every value shown is the one stored, and
// a value the panel refuses is not stored at all.
void check_panel(UserBank bank) {
  const SettingsImage original = settings_image;
  RecordingControls window;
  QuietHost host;
  FixedFileChooser chooser;
  main_window_init(window, host, chooser);  // fills the three lists
  populate(window, bank);
  FUZZ_CHECK(settings_image == original);
  FUZZ_CHECK(window.combo_selection(IDC_KEYER_MODE) >= 0 &&
             window.combo_selection(IDC_KEYER_MODE) < 6);
  FUZZ_CHECK(window.combo_selection(IDC_PADDLE_HANG) >= 0 &&
             window.combo_selection(IDC_PADDLE_HANG) < 4);
  FUZZ_CHECK(window.combo_selection(IDC_OUTPUT_CONFIG) >= 0 &&
             window.combo_selection(IDC_OUTPUT_CONFIG) < 8);
  const bool stored = validate_and_store(window, bank);
  FUZZ_CHECK(window.error_boxes.size() == (stored ? 0u : 1u));
  FUZZ_CHECK(settings_image == original);
  main_window_state = MainWindowState{};
}

// Decoding reads only inside the image, stops, and changes nothing; what it gives back is
// stored again the same way when it fits.
void check_decode_encode() {
  const SettingsImage original = settings_image;
  const MessageTexts texts = decode_messages();
  FUZZ_CHECK(settings_image == original);
  for (const std::string& text : texts)
    FUZZ_CHECK(text.size() <= static_cast<size_t>(SETTINGS_IMAGE_SIZE - MSG_SLOT_POINTERS));

  if (check_messages_fit(texts)) {
    // Decoded characters all have codes but the refusal mark's '!', so only it or their number
    // can be refused.
    const bool refused_mark = std::any_of(texts.begin(), texts.end(), [](const std::string& t) {
      return t.find('!') != std::string::npos;
    });
    FUZZ_CHECK(refused_mark || count_message_bytes(texts) > MESSAGE_CAPACITY);
    return;
  }
  encode_messages(texts);
  const int used = count_message_bytes(texts);
  FUZZ_CHECK(settings_image[MSG_END_POINTER] == used + MSG_FIRST_POINTER);
  FUZZ_CHECK(same_bytes(settings_image, original, 0, MSG_END_POINTER));
  FUZZ_CHECK(same_bytes(settings_image, original, MSG_DATA + used, SETTINGS_IMAGE_SIZE));
  FUZZ_CHECK(decode_messages() == texts);
  FUZZ_CHECK(!check_message_region().has_value());
}

// Texts of any length and any bytes: the encoder keeps inside the image and the pointers' range.
void check_encode_anything(const uint8_t* data, size_t size) {
  MessageTexts texts;
  int slot = 0;
  for (size_t i = 0; i < size && slot < MESSAGE_SLOTS; ++i) {
    if (data[i] == 0)
      ++slot;
    else
      texts[slot].push_back(static_cast<char>(data[i]));
  }
  const SettingsImage original = settings_image;
  encode_messages(texts);
  FUZZ_CHECK(same_bytes(settings_image, original, 0, MSG_END_POINTER));
  const int end = settings_image[MSG_END_POINTER];
  FUZZ_CHECK(end >= MSG_FIRST_POINTER && end - MSG_FIRST_POINTER <= MESSAGE_CAPACITY);
  FUZZ_CHECK(same_bytes(settings_image, original, end + MSG_POINTER_BIAS, SETTINGS_IMAGE_SIZE));
  // Packed in slot order from the first byte on, without gaps, each text ending on its end mark
  // (a '$' inside a text has that bit too, so the length comes from the pointers, not a decode).
  int next_start = MSG_FIRST_POINTER;
  for (int s = 0; s < MESSAGE_SLOTS; ++s) {
    const int pointer = settings_image[MSG_SLOT_POINTERS + s];
    if (pointer == 0) continue;
    FUZZ_CHECK(pointer == next_start && pointer < end);
    next_start = end;
    for (int later = s + 1; later < MESSAGE_SLOTS; ++later) {
      const int later_pointer = settings_image[MSG_SLOT_POINTERS + later];
      if (later_pointer != 0) {
        next_start = later_pointer;
        break;
      }
    }
    FUZZ_CHECK(next_start > pointer);
    FUZZ_CHECK(settings_image[next_start + MSG_POINTER_BIAS - 1] & 0x80);
  }
  FUZZ_CHECK(next_start == end);
  if (!check_messages_fit(texts)) FUZZ_CHECK(end - MSG_FIRST_POINTER == count_message_bytes(texts));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  settings_image = SettingsImage{};
  const size_t image_bytes = std::min(size, settings_image.size());
  std::copy_n(data, image_bytes, settings_image.begin());

  check_panel(UserBank::user1);
  check_panel(UserBank::user2);
  check_decode_encode();
  check_encode_anything(data + image_bytes, size - image_bytes);
  return 0;
}
