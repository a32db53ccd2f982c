#include "messages/message_editor.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/recording_controls.h"
#include "resources/control_ids.h"
#include "settings/settings_image.h"

namespace {

class MessageEditorTest : public ::testing::Test {
 protected:
  void SetUp() override { settings_image = SettingsImage{}; }
  void TearDown() override { settings_image = SettingsImage{}; }

  // Fills the boxes up to `total` bytes, spread over a hidden bank-2 box and a callsign so that
  // every box is seen to count.
  void fill_to(int total) {
    const int callsign = total < 10 ? total : 10;
    window.set_text(IDC_CALLSIGN_USER2, std::string(callsign, 'K'));
    window.set_text(IDC_MSG12, std::string(total - callsign, 'E'));
  }

  RecordingControls window;
};

struct FilterCase {
  const char* name;
  int total_before;
  unsigned char c;
  bool accepted;
};

class MessageFilter : public MessageEditorTest, public ::testing::WithParamInterface<FilterCase> {};

TEST_P(MessageFilter, DecidesOnTheTotalBeforeTheCharacterAndItsCode) {
  const FilterCase& c = GetParam();
  fill_to(c.total_before);
  const size_t texts_set = window.text_log.size();
  EXPECT_EQ(message_filter_accepts(window, c.c), c.accepted);
  EXPECT_EQ(window.text_log.size(), texts_set);  // deciding never touches a box
  // The characters the page is told the boxes take are the printable ones the filter takes.
  const bool printable = c.c == '\n' || (c.c >= 32 && c.c < 128);
  if (c.total_before == 0 && printable) {
    EXPECT_EQ(message_filter_characters().find(static_cast<char>(c.c)) != std::string::npos,
              c.accepted);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MessageFilter,
    ::testing::Values(
        FilterCase{"LowerCaseLetter", 0, 'a', true}, FilterCase{"Digit", 0, '7', true},
        FilterCase{"Space", 0, ' ', true}, FilterCase{"Question", 0, '?', true},
        FilterCase{"Hash", 0, '#', false}, FilterCase{"Bang", 0, '!', false},
        FilterCase{"DollarEndsAMessage", 0, '$', false}, FilterCase{"Underscore", 0, '_', false},
        FilterCase{"Tilde", 0, '~', false}, FilterCase{"Del", 0, 127, false},
        FilterCase{"Latin1", 0, 0xE9, false}, FilterCase{"Byte255", 0, 0xFF, false},
        FilterCase{"Byte128", 0, 0x80, false},
        // Clipboard shortcuts and the line break still work below the limit.
        FilterCase{"CtrlV", 0, 22, true}, FilterCase{"CtrlEnter", 0, 10, true},
        FilterCase{"LastByte", 239, 'A', true}, FilterCase{"Full", 240, 'A', false},
        FilterCase{"FullBackspace", 240, 8, true}, FilterCase{"FullCtrlV", 240, 22, false},
        FilterCase{"FullCtrlEnter", 240, 10, false}, FilterCase{"Overfull", 260, 'A', false},
        FilterCase{"OverfullBackspace", 260, 8, true}),
    [](const auto& info) { return std::string(info.param.name); });

struct BytesLeftCase {
  const char* name;
  std::string msg1;
  std::string msg7;
  std::string label;
};

class BytesLeft : public MessageEditorTest, public ::testing::WithParamInterface<BytesLeftCase> {};

TEST_P(BytesLeft, CountsEveryBoxVisibleOrNot) {
  window.set_text(IDC_MSG1, GetParam().msg1);
  window.set_text(IDC_MSG7, GetParam().msg7);
  refresh_bytes_left(window);
  EXPECT_EQ(window.text(IDC_MSG_BYTES_LEFT), GetParam().label);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BytesLeft,
    ::testing::Values(BytesLeftCase{"Empty", "", "", "Msg Bytes Left: 240"},
                      BytesLeftCase{"HiddenBankCounts", "CQ", "TEST", "Msg Bytes Left: 234"},
                      BytesLeftCase{"LineBreakIsTwo", "A\r\nB", "", "Msg Bytes Left: 236"},
                      BytesLeftCase{"Exactly240", std::string(240, 'E'), "", "Msg Bytes Left: 0"},
                      // A box is seen through 249 characters only.
                      BytesLeftCase{"LongBoxCapped", std::string(300, 'E'), "",
                                    "Msg Bytes Left: -9"},
                      BytesLeftCase{"PastedPastTheEnd", std::string(200, 'E'), std::string(45, 'T'),
                                    "Msg Bytes Left: -5"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MessageEditorTest, ShowsOneBankAtATime) {
  const struct {
    int bank;
    bool bank1_visible;
  } cases[] = {{2, false}, {1, true}};
  for (const auto& c : cases) {
    show_message_bank(window, c.bank);
    for (int i = 0; i < 6; ++i) {
      EXPECT_EQ(window.control(IDC_MSG1 + i).visible, c.bank1_visible) << c.bank << " " << i;
      EXPECT_EQ(window.control(IDC_MSG1_LABEL + i).visible, c.bank1_visible) << c.bank << " " << i;
      EXPECT_EQ(window.control(IDC_MSG7 + i).visible, !c.bank1_visible) << c.bank << " " << i;
      EXPECT_EQ(window.control(IDC_MSG7_LABEL + i).visible, !c.bank1_visible) << c.bank << " " << i;
    }
    // The callsigns belong to the user bank, not the message bank.
    EXPECT_TRUE(window.control(IDC_CALLSIGN_USER1).visible);
  }
}

TEST_F(MessageEditorTest, BankSwitchMovesOnlyItsBit) {
  const struct {
    const char* name;
    uint8_t byte14_before;
    int bank;
    uint8_t byte14_after;
  } cases[] = {
      {"to 2 from clear", 0x00, 2, 0x40}, {"to 2 keeps others", 0xBF, 2, 0xFF},
      {"to 1 clears", 0xFF, 1, 0xBF},     {"to 1 when clear", 0x1F, 1, 0x1F},
      {"to 2 when set", 0x40, 2, 0x40},
  };
  for (const auto& c : cases) {
    SettingsImage before{};
    for (int i = 0; i < SETTINGS_IMAGE_SIZE; ++i) before[i] = static_cast<uint8_t>(i);
    before[SELECTION_BYTE] = c.byte14_before;
    settings_image = before;
    window.set_text(IDC_MSG2, "KEPT");

    switch_message_bank(window, c.bank);

    SettingsImage expected = before;
    expected[SELECTION_BYTE] = c.byte14_after;
    EXPECT_EQ(settings_image, expected) << c.name;
    EXPECT_EQ(window.get_check(IDC_MESSAGE_BANK1), c.bank == 1) << c.name;
    EXPECT_EQ(window.get_check(IDC_MESSAGE_BANK2), c.bank == 2) << c.name;
    EXPECT_EQ(window.control(IDC_MSG7).visible, c.bank == 2) << c.name;
    EXPECT_EQ(window.text(IDC_MSG2), "KEPT") << c.name;
  }
}

TEST_F(MessageEditorTest, TextsGoToAndComeFromTheBoxesInSlotOrder) {
  MessageTexts texts;
  for (int slot = 0; slot < MESSAGE_SLOTS; ++slot) texts[slot] = "S" + std::to_string(slot);
  write_message_texts(window, texts);
  EXPECT_EQ(window.text(IDC_MSG6), "S5");
  EXPECT_EQ(window.text(IDC_MSG7), "S6");
  EXPECT_EQ(window.text(IDC_CALLSIGN_USER1), "S12");
  EXPECT_EQ(window.text(IDC_CALLSIGN_USER2), "S13");
  EXPECT_EQ(read_message_texts(window), texts);

  window.set_text(IDC_MSG3, std::string(300, 'E'));
  EXPECT_EQ(read_message_texts(window)[2].size(), 249u);
}

}  // namespace
