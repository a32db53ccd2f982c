#include <gtest/gtest.h>

#include <map>
#include <string>

#include "platform/recording_controls.h"
#include "resources/control_ids.h"
#include "settings/settings_panel.h"

namespace {

class BankTest : public ::testing::TestWithParam<UserBank> {
 protected:
  void SetUp() override {
    settings_image = SettingsImage{};
    // The lists as the main window fills them; the panel only selects in them.
    const std::map<int, int> list_sizes = {
        {IDC_KEYER_MODE, 6}, {IDC_PADDLE_HANG, 4}, {IDC_OUTPUT_CONFIG, 8}};
    for (const auto& [id, size] : list_sizes)
      for (int i = 0; i < size; ++i) window.combo_add(id, "entry " + std::to_string(i));
  }
  UserBank bank() { return GetParam(); }
  UserBank other_bank() { return bank() == UserBank::user1 ? UserBank::user2 : UserBank::user1; }
  uint8_t& field(int rel) { return settings_image[bank_base(bank()) + rel]; }
  RecordingControls window;
};

using Populate = BankTest;

TEST_P(Populate, ShownNumbers) {
  struct Case {
    int rel;
    uint8_t value;
    int id;
    std::string shown;
  };
  const Case cases[] = {
      {REL_SIDETONE, 78, IDC_SIDETONE_FREQ, "801"},
      {REL_SIDETONE, 15, IDC_SIDETONE_FREQ, "4166"},
      {REL_SIDETONE, 125, IDC_SIDETONE_FREQ, "500"},
      {REL_SIDETONE, 124, IDC_SIDETONE_FREQ, "504"},
      {REL_SIDETONE, 1, IDC_SIDETONE_FREQ, "62500"},
      {REL_SIDETONE, 0, IDC_SIDETONE_FREQ, "typed"},  // no frequency: the box keeps its text
      {REL_LETTER_SPACE, 0xFF, IDC_LTR_SPC, "31"},
      {REL_LETTER_SPACE, 0xE0, IDC_LTR_SPC, "0"},
      {REL_WEIGHT, 255, IDC_WEIGHT, "255"},
  };
  for (const Case& c : cases) {
    SetUp();
    window.set_text(c.id, "typed");
    field(c.rel) = c.value;
    populate(window, bank());
    EXPECT_EQ(window.text(c.id), c.shown) << "offset " << c.rel << " value " << int(c.value);
  }
}

TEST_P(Populate, MaxWpmIsTheFullSum) {
  field(REL_POT_MIN) = 200;
  field(REL_POT_RANGE) = 100;
  populate(window, bank());
  EXPECT_EQ(window.text(IDC_MAX_WPM), "300");
  EXPECT_EQ(window.text(IDC_MIN_WPM), "200");
}

TEST_P(Populate, ListPositions) {
  struct Case {
    uint8_t mode, pins;
    int keyer_mode, paddle_hang, output_config;
  };
  const Case cases[] = {
      {0x00, 0x00, 1, 0, 0},  // a fresh image: Iambic B, 1.0 Word, Port1
      {0x10, 0xC4, 0, 0, 0},  // Iambic modes ignore the Ultimatic bits
      {0x30, 0x86, 5, 0, 1}, {0x20, 0x05, 2, 0, 2}, {0x20, 0x87, 3, 0, 3},
      {0x20, 0x48, 4, 0, 4}, {0x20, 0xCA, 3, 0, 5},  // both bits: Dit wins
      {0xCF, 0x19, 1, 1, 6},                         // other mode bits do not matter
      {0x00, 0x2B, 1, 2, 7}, {0x00, 0x3F, 1, 3, 0},
  };
  for (const Case& c : cases) {
    SetUp();
    field(REL_MODE) = c.mode;
    field(REL_PIN_CONFIG) = c.pins;
    populate(window, bank());
    EXPECT_EQ(window.combo_selection(IDC_KEYER_MODE), c.keyer_mode)
        << int(c.mode) << "/" << int(c.pins);
    EXPECT_EQ(window.combo_selection(IDC_PADDLE_HANG), c.paddle_hang) << int(c.pins);
    EXPECT_EQ(window.combo_selection(IDC_OUTPUT_CONFIG), c.output_config) << int(c.pins);
  }
}

TEST_P(Populate, OutputCodesWithoutEntryShowTheFirst) {
  for (uint8_t code : {0, 1, 2, 3, 12, 13, 14, 15}) {
    field(REL_PIN_CONFIG) = code;
    window.combo_select(IDC_OUTPUT_CONFIG, 5);
    populate(window, bank());
    EXPECT_EQ(window.combo_selection(IDC_OUTPUT_CONFIG), 0) << int(code);
    EXPECT_EQ(field(REL_PIN_CONFIG), code);
  }
}

TEST_P(Populate, ChecksAndCallsignBoxFollowTheBank) {
  field(REL_MODE) = 0x8B;
  field(REL_EXTENSION) = 0x7E;
  field(REL_LETTER_SPACE) = 0x20;
  settings_image[bank_base(other_bank()) + REL_MODE] = 0x74;  // the other bank is not shown
  populate(window, bank());
  for (int id : {IDC_SWAP, IDC_AUTO_SPACE, IDC_CT_SPACE, IDC_PDL_WD_OFF, IDC_CUT_0, IDC_CUT_9,
                 IDC_PDL_TONE_ONLY, IDC_PADDLE_MUTE, IDC_FAST_CMD, IDC_SO2R, IDC_TUNE_50})
    EXPECT_TRUE(window.get_check(id)) << id;
  field(REL_MODE) = 0x74;
  field(REL_EXTENSION) = 0x81;
  field(REL_LETTER_SPACE) = 0xDF;
  populate(window, bank());
  for (int id : {IDC_SWAP, IDC_AUTO_SPACE, IDC_CT_SPACE, IDC_PDL_WD_OFF, IDC_CUT_0, IDC_CUT_9,
                 IDC_PDL_TONE_ONLY, IDC_PADDLE_MUTE, IDC_FAST_CMD, IDC_SO2R, IDC_TUNE_50})
    EXPECT_FALSE(window.get_check(id)) << id;
  EXPECT_EQ(window.control(IDC_CALLSIGN_USER1).visible, bank() == UserBank::user1);
  EXPECT_EQ(window.control(IDC_CALLSIGN_USER2).visible, bank() == UserBank::user2);
}

using CheckBoxes = BankTest;

// Each box flips its own bit of the selected bank and nothing else, and shows the new bit even
// when it disagreed with the box before.
TEST_P(CheckBoxes, FlipOnlyTheirBit) {
  struct Case {
    int id, rel;
    uint8_t mask;
  };
  const Case cases[] = {
      {IDC_SWAP, REL_MODE, 0x08},
      {IDC_AUTO_SPACE, REL_MODE, 0x02},
      {IDC_CT_SPACE, REL_MODE, 0x01},
      {IDC_PDL_WD_OFF, REL_MODE, 0x80},
      {IDC_CUT_0, REL_EXTENSION, 0x10},
      {IDC_CUT_9, REL_EXTENSION, 0x20},
      {IDC_PDL_TONE_ONLY, REL_EXTENSION, 0x08},
      {IDC_PADDLE_MUTE, REL_EXTENSION, 0x02},
      {IDC_FAST_CMD, REL_EXTENSION, 0x40},
      {IDC_SO2R, REL_EXTENSION, 0x04},
      {IDC_TUNE_50, REL_LETTER_SPACE, 0x20},
  };
  for (const Case& c : cases) {
    for (int i = 0; i < SETTINGS_IMAGE_SIZE; ++i) settings_image[i] = static_cast<uint8_t>(i * 37);
    SettingsImage expected = settings_image;
    const bool was_set = (field(c.rel) & c.mask) != 0;
    window.set_check(c.id, was_set);  // the box disagrees with the bit
    apply_check_box(window, c.id, bank());
    expected[bank_base(bank()) + c.rel] ^= c.mask;
    EXPECT_EQ(settings_image, expected) << c.id;
    EXPECT_EQ(window.get_check(c.id), !was_set) << c.id;
    apply_check_box(window, c.id, bank());
    expected[bank_base(bank()) + c.rel] ^= c.mask;
    EXPECT_EQ(settings_image, expected) << c.id;
    EXPECT_EQ(window.get_check(c.id), was_set) << c.id;
  }
}

TEST_P(CheckBoxes, OtherControlsChangeNothing) {
  settings_image.fill(0x5A);
  const SettingsImage before = settings_image;
  for (int id : {IDC_USER1, IDC_MESSAGE_BANK2, IDC_WEIGHT, IDC_KEYER_MODE, 0, -1}) {
    apply_check_box(window, id, bank());
    EXPECT_EQ(settings_image, before) << id;
  }
}

using Lists = BankTest;

// Each selection writes its bits into the selected bank's mode register and pin configuration,
// keeping every other bit and byte.
TEST_P(Lists, WriteOnlyTheirBits) {
  struct Case {
    int list, position;
    uint8_t mode, pins;  // before
    uint8_t new_mode, new_pins;
  };
  const Case cases[] = {
      {IDC_KEYER_MODE, 0, 0xFF, 0xFF, 0xDF, 0xFF},
      {IDC_KEYER_MODE, 1, 0xFF, 0xFF, 0xCF, 0xFF},
      {IDC_KEYER_MODE, 2, 0xDF, 0xFF, 0xEF, 0x3F},
      {IDC_KEYER_MODE, 3, 0x00, 0x40, 0x20, 0x80},
      {IDC_KEYER_MODE, 4, 0x00, 0x80, 0x20, 0x40},
      {IDC_KEYER_MODE, 5, 0x00, 0xC0, 0x30, 0xC0},
      {IDC_KEYER_MODE, 1, 0x20, 0x80, 0x00, 0x80},  // leaving Ultimatic keeps the pins
      {IDC_KEYER_MODE, -1, 0x20, 0x80, 0x20, 0x80},
      {IDC_PADDLE_HANG, 0, 0xFF, 0xFF, 0xFF, 0xCF},
      {IDC_PADDLE_HANG, 1, 0x00, 0x00, 0x00, 0x10},
      {IDC_PADDLE_HANG, 2, 0x00, 0xF5, 0x00, 0xE5},
      {IDC_PADDLE_HANG, 3, 0x00, 0xC9, 0x00, 0xF9},
      {IDC_PADDLE_HANG, -1, 0x00, 0x25, 0x00, 0x25},
      {IDC_OUTPUT_CONFIG, 0, 0x00, 0xFF, 0x00, 0xF4},
      {IDC_OUTPUT_CONFIG, 1, 0x00, 0xF0, 0x00, 0xF6},
      {IDC_OUTPUT_CONFIG, 2, 0x00, 0x00, 0x00, 0x05},
      {IDC_OUTPUT_CONFIG, 3, 0x00, 0x0F, 0x00, 0x07},
      {IDC_OUTPUT_CONFIG, 4, 0x00, 0x03, 0x00, 0x08},
      {IDC_OUTPUT_CONFIG, 5, 0x00, 0xAC, 0x00, 0xAA},
      {IDC_OUTPUT_CONFIG, 6, 0x00, 0x00, 0x00, 0x09},
      {IDC_OUTPUT_CONFIG, 7, 0x00, 0x00, 0x00, 0x0B},
      {IDC_OUTPUT_CONFIG, -1, 0x00, 0x3F, 0x00, 0x30},
      {IDC_RATIO, 0, 0x12, 0x34, 0x12, 0x34},  // not a list of the panel
  };
  for (const Case& c : cases) {
    for (int i = 0; i < SETTINGS_IMAGE_SIZE; ++i) settings_image[i] = static_cast<uint8_t>(i * 53);
    field(REL_MODE) = c.mode;
    field(REL_PIN_CONFIG) = c.pins;
    SettingsImage expected = settings_image;
    expected[bank_base(bank()) + REL_MODE] = c.new_mode;
    expected[bank_base(bank()) + REL_PIN_CONFIG] = c.new_pins;
    window.control(c.list).selection = c.position;
    apply_list_selection(window, c.list, bank());
    EXPECT_EQ(settings_image, expected) << c.list << " position " << c.position;
  }
}

// What a list writes shows again as the same position.
TEST_P(Lists, PickedEntryShowsAgain) {
  for (const auto& [list, count] :
       {std::pair{IDC_KEYER_MODE, 6}, {IDC_PADDLE_HANG, 4}, std::pair{IDC_OUTPUT_CONFIG, 8}}) {
    for (int position = 0; position < count; ++position) {
      window.control(list).selection = position;
      apply_list_selection(window, list, bank());
      window.control(list).selection = -1;
      populate(window, bank());
      EXPECT_EQ(window.combo_selection(list), position) << list;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(BothBanks, Populate, ::testing::Values(UserBank::user1, UserBank::user2));
INSTANTIATE_TEST_SUITE_P(BothBanks, CheckBoxes,
                         ::testing::Values(UserBank::user1, UserBank::user2));
INSTANTIATE_TEST_SUITE_P(BothBanks, Lists, ::testing::Values(UserBank::user1, UserBank::user2));

TEST(ResetToDefaults, WritesBothBanksOnly) {
  settings_image.fill(0xC3);
  reset_to_defaults();
  const uint8_t defaults[] = {0, 15, 78, 50, 0, 0, 5, 30, 0, 0, 0, 50, 50, 7, 0, 15};
  for (int i = 0; i < SETTINGS_IMAGE_SIZE; ++i) {
    const uint8_t expected = i < 2 * USER_BANK_SIZE ? defaults[i % USER_BANK_SIZE] : 0xC3;
    EXPECT_EQ(settings_image[i], expected) << "offset " << i;
  }
  RecordingControls window;
  for (int i = 0; i < 8; ++i) window.combo_add(IDC_OUTPUT_CONFIG, "entry");
  populate(window, UserBank::user2);
  EXPECT_EQ(window.text(IDC_SIDETONE_FREQ), "801");
  EXPECT_EQ(window.text(IDC_MAX_WPM), "35");
  EXPECT_EQ(window.text(IDC_MIN_WPM), "5");
  EXPECT_EQ(window.combo_selection(IDC_OUTPUT_CONFIG), 3);
}

}  // namespace
