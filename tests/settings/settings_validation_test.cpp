#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/recording_controls.h"
#include "resources/control_ids.h"
#include "settings/settings_fields.h"
#include "settings/settings_panel.h"

namespace {

struct Entry {
  int id;
  const char* text;
};

// A panel whose every field passes, as a user would have typed it.
const std::vector<Entry> VALID_FORM = {
    {IDC_WEIGHT, "50"},  {IDC_LEAD_IN, "10"}, {IDC_TAIL, "20"},       {IDC_SIDETONE_FREQ, "600"},
    {IDC_KEY_COMP, "7"}, {IDC_FARNS, "0"},    {IDC_PDL_SAMPLE, "50"}, {IDC_CMD_WPM, "18"},
    {IDC_CUR_WPM, "22"}, {IDC_RATIO, "50"},   {IDC_MAX_WPM, "35"},    {IDC_MIN_WPM, "5"},
    {IDC_LTR_SPC, "3"},
};

class Validation : public ::testing::TestWithParam<UserBank> {
 protected:
  void SetUp() override {
    settings_image.fill(0xEE);  // anything not written keeps this
    for (const Entry& e : VALID_FORM) window.set_text(e.id, e.text);
  }
  uint8_t field(int rel) { return settings_image[bank_base(GetParam()) + rel]; }
  std::string validate() {
    window.error_boxes.clear();
    const bool ok = validate_and_store(window, GetParam());
    EXPECT_EQ(ok, window.error_boxes.empty());
    EXPECT_LE(window.error_boxes.size(), 1u);
    return ok ? "" : window.error_boxes.front();
  }
  RecordingControls window;
};

// Every field made to fail at once, then mended one by one: the complaints come in the fixed
// order, each with its bank's own text.
TEST_P(Validation, ComplainsInOrderWithTheBanksOwnTexts) {
  struct Step {
    int id;
    const char* bad;
    const char* user1;
    const char* user2;
  };
  const Step steps[] = {
      {IDC_WEIGHT, "", "Weight must be between 10 and 90", "Weight must be between 10 and 90"},
      {IDC_LEAD_IN, "251", "Lead In must be 250 or less.", "Lead In must be 250 or less."},
      {IDC_TAIL, "999", "Tail must be 250 or less.", "Tail must be 250 or less."},
      {IDC_SIDETONE_FREQ, "499", "Freq must be between 500 and 4000.",
       "Freq must be between 500 and 4000."},
      {IDC_KEY_COMP, "251", "Key Comp must be 250 or less.", "Key Comp must be 250 or less."},
      {IDC_FARNS, "9", "Farns must be 0 or between 10 and 90",
       "Farnsworth WPM must be 0 or between 10 and 90"},
      {IDC_PDL_SAMPLE, "91", "Paddle Sample must be 0 or between 10 and 90",
       "Paddle Sample must be between 10 and 90"},
      {IDC_CMD_WPM, "4", "Command WPM must be between 5 and 99", "CMDWPM must be between 5 and 99"},
      {IDC_CUR_WPM, "100", "Favorite WPM must be between 5 and 99",
       "Favorite WPM must be between 5 and 99"},
      {IDC_RATIO, "67", "Ratio must be between 33 and 66", "Ratio must be between 33 and 66"},
      {IDC_MAX_WPM, "4", "Pot Max must be greater than Pot Min",
       "Pot Max must be greater than Pot Min"},
      {IDC_MIN_WPM, "4", "Pot Min must be between 5 and 99", "Pot Min must be between 5 and 99"},
      {IDC_MAX_WPM, "100", "Pot Max must be between 5 and 99", "Pot Max must be between 5 and 99"},
      {IDC_LTR_SPC, "32", "Letterspace Adjustment can't be greater than 31",
       "Letterspace Adjustment can't be greater than 31"},
  };
  for (const Step& s : steps) window.set_text(s.id, s.bad);
  window.set_text(IDC_MAX_WPM, "4");  // out of order first; each range after that
  window.set_text(IDC_MIN_WPM, "20");
  for (size_t i = 0; i < std::size(steps); ++i) {
    const Step& s = steps[i];
    EXPECT_EQ(validate(), GetParam() == UserBank::user1 ? s.user1 : s.user2) << "step " << i + 1;
    if (s.id == IDC_MAX_WPM && i == 10) {
      window.set_text(IDC_MAX_WPM, "100");  // in order now; next, Min's own range
      window.set_text(IDC_MIN_WPM, "4");
    } else if (s.id == IDC_MIN_WPM) {
      window.set_text(IDC_MIN_WPM, "5");
    } else {
      for (const Entry& e : VALID_FORM)
        if (e.id == s.id) window.set_text(e.id, e.text);
    }
  }
  EXPECT_EQ(validate(), "");
}

// Boundaries of every field, and what each reading of the box stores.
TEST_P(Validation, BoundsAndStoredBytes) {
  struct Case {
    int id;
    const char* text;
    bool passes;
    int rel;  // byte to look at after a pass
    unsigned stored;
  };
  const Case cases[] = {
      {IDC_WEIGHT, "10", true, REL_WEIGHT, 10},
      {IDC_WEIGHT, "90", true, REL_WEIGHT, 90},
      {IDC_WEIGHT, "9", false, 0, 0},
      {IDC_LEAD_IN, "", true, REL_LEAD_IN, 0},
      {IDC_LEAD_IN, "-1", true, REL_LEAD_IN, 0},  // not a number: reads as 0
      {IDC_LEAD_IN, "250", true, REL_LEAD_IN, 250},
      {IDC_LEAD_IN, "3000000000", false, 0, 0},
      {IDC_LEAD_IN, "4294967296", true, REL_LEAD_IN, 0},  // above 32 bits: reads as 0
      {IDC_LEAD_IN, "256", false, 0, 0},                  // its low byte would be 0
      {IDC_SIDETONE_FREQ, "500", true, REL_SIDETONE, 125},
      {IDC_SIDETONE_FREQ, "501", true, REL_SIDETONE, 124},
      {IDC_SIDETONE_FREQ, "801", true, REL_SIDETONE, 78},
      {IDC_SIDETONE_FREQ, "3907", true, REL_SIDETONE, 15},
      {IDC_SIDETONE_FREQ, "4000", true, REL_SIDETONE, 15},
      {IDC_SIDETONE_FREQ, "4001", false, 0, 0},
      {IDC_SIDETONE_FREQ, "4166", false, 0, 0},
      {IDC_SIDETONE_FREQ, "", false, 0, 0},
      {IDC_FARNS, "0", true, REL_FARNS, 0},
      {IDC_FARNS, "95", true, REL_FARNS, 95},
      {IDC_FARNS, "99", true, REL_FARNS, 99},
      {IDC_FARNS, "5", false, 0, 0},
      {IDC_FARNS, "100", false, 0, 0},
      {IDC_PDL_SAMPLE, "0", true, REL_PDL_SAMPLE, 0},
      {IDC_PDL_SAMPLE, "90", true, REL_PDL_SAMPLE, 90},
      {IDC_PDL_SAMPLE, "9", false, 0, 0},
      {IDC_CMD_WPM, "5", true, REL_CMD_WPM, 5},
      {IDC_CUR_WPM, "5", true, REL_CUR_WPM, 5},
      {IDC_RATIO, "33", true, REL_RATIO, 33},
      {IDC_RATIO, "66", true, REL_RATIO, 66},
      {IDC_RATIO, "32", false, 0, 0},
      {IDC_LTR_SPC, "", true, REL_LETTER_SPACE, 0xE0},  // bits 0xE0 of 0xEE stay
      {IDC_LTR_SPC, "31", true, REL_LETTER_SPACE, 0xFF},
      {IDC_LTR_SPC, " 7 ", true, REL_LETTER_SPACE, 0xE7},
  };
  for (const Case& c : cases) {
    SetUp();
    window.set_text(c.id, c.text);
    const std::string message = validate();
    EXPECT_EQ(message.empty(), c.passes) << c.id << " '" << c.text << "': " << message;
    if (c.passes) {
      EXPECT_EQ(field(c.rel), c.stored) << c.id << " '" << c.text << "'";
    }
  }
}

TEST_P(Validation, SpeedPot) {
  struct Case {
    const char* max;
    const char* min;
    const char* message;
    uint8_t pot_min, pot_range;
  };
  const Case cases[] = {
      {"35", "5", "", 5, 30},
      {"99", "5", "", 5, 94},
      {"6", "5", "", 5, 1},
      {"20", "20", "Pot Max must be greater than Pot Min", 0xEE, 0xEE},
      {"", "", "Pot Max must be greater than Pot Min", 0xEE, 0xEE},
      {"30", "4", "Pot Min must be between 5 and 99", 0xEE, 0xEE},
      {"120", "10", "Pot Max must be between 5 and 99", 0xEE, 0xEE},
      {"4294967295", "5", "Pot Max must be between 5 and 99", 0xEE, 0xEE},
  };
  for (const Case& c : cases) {
    SetUp();
    window.set_text(IDC_MAX_WPM, c.max);
    window.set_text(IDC_MIN_WPM, c.min);
    EXPECT_EQ(validate(), c.message) << c.max << "/" << c.min;
    EXPECT_EQ(field(REL_POT_MIN), c.pot_min) << c.max << "/" << c.min;
    EXPECT_EQ(field(REL_POT_RANGE), c.pot_range) << c.max << "/" << c.min;
  }
}

// A failure keeps what the steps before it stored and stores nothing from its own step on.
TEST_P(Validation, FailureKeepsTheEarlierStores) {
  window.set_text(IDC_RATIO, "32");
  EXPECT_EQ(validate(), "Ratio must be between 33 and 66");
  const int stored[] = {REL_WEIGHT, REL_LEAD_IN,    REL_TAIL,    REL_SIDETONE, REL_KEY_COMP,
                        REL_FARNS,  REL_PDL_SAMPLE, REL_CMD_WPM, REL_CUR_WPM};
  const uint8_t values[] = {50, 10, 20, 104, 7, 0, 50, 18, 22};
  for (size_t i = 0; i < std::size(stored); ++i) EXPECT_EQ(field(stored[i]), values[i]) << i;
  for (int rel : {REL_RATIO, REL_POT_MIN, REL_POT_RANGE, REL_LETTER_SPACE})
    EXPECT_EQ(field(rel), 0xEE) << rel;
}

// Validation writes its own fields of its own bank and nothing else: not the other bank, not the
// bit fields, not the message region.
TEST_P(Validation, TouchesOnlyItsFields) {
  SettingsImage expected = settings_image;
  const int base = bank_base(GetParam());
  const std::pair<int, uint8_t> writes[] = {
      {REL_CUR_WPM, 22}, {REL_SIDETONE, 104},  {REL_WEIGHT, 50},    {REL_LEAD_IN, 10},
      {REL_TAIL, 20},    {REL_POT_MIN, 5},     {REL_POT_RANGE, 30}, {REL_KEY_COMP, 7},
      {REL_FARNS, 0},    {REL_PDL_SAMPLE, 50}, {REL_RATIO, 50},     {REL_LETTER_SPACE, 0xE3},
      {REL_CMD_WPM, 18}};
  for (const auto& [rel, value] : writes) expected[base + rel] = value;
  EXPECT_EQ(validate(), "");
  EXPECT_EQ(settings_image, expected);
}

// What `ostrel write` lets through as stored bytes is exactly what the panel can store: every byte
// value a typed number reaches, and no other. The pot limits are two bytes, so both are tried.
TEST_P(Validation, StoredBytesPassExactlyWhenThePanelCouldHaveStoredThem) {
  const UserBank bank = GetParam();
  const int base = bank_base(bank);
  const auto typed_stores = [&](int id, unsigned typed, int rel) {
    settings_image.fill(0xEE);
    window.set_uint(id, typed);
    return validate() == "" ? settings_image[base + rel] : -1;
  };
  for (const SettingField& field : SETTING_FIELDS) {
    if (field.check_step == 0 || field.encoding == FieldEncoding::pot_min ||
        field.encoding == FieldEncoding::pot_max)
      continue;
    // The letter space keeps three other bits of its byte; only the low five are the field's.
    const int mask = field.encoding == FieldEncoding::letter_space ? LETTER_SPACE_MASK : 0xFF;
    bool reachable[256] = {};
    for (unsigned typed = 0; typed <= 5000; ++typed) {
      const int byte = typed_stores(field.control_id, typed, field.rel);
      if (byte >= 0) reachable[byte & mask] = true;
    }
    for (const Entry& e : VALID_FORM) window.set_text(e.id, e.text);
    for (int byte = 0; byte < 256; ++byte) {
      settings_image[base + field.rel] = static_cast<uint8_t>(byte);
      EXPECT_EQ(stored_field_passes(field, bank), reachable[byte & mask])
          << field.caption << " byte " << byte;
    }
  }
  bool pot_reachable[256][256] = {};
  for (unsigned max = 0; max <= 110; ++max) {
    for (unsigned min = 0; min <= 110; ++min) {
      settings_image.fill(0xEE);
      window.set_uint(IDC_MAX_WPM, max);
      window.set_uint(IDC_MIN_WPM, min);
      if (validate() == "")
        pot_reachable[settings_image[base + REL_POT_MIN]][settings_image[base + REL_POT_RANGE]] =
            true;
    }
  }
  const SettingField& min_field = *setting_field_of_control(IDC_MIN_WPM);
  const SettingField& max_field = *setting_field_of_control(IDC_MAX_WPM);
  for (int min = 0; min < 256; ++min) {
    for (int range = 0; range < 256; ++range) {
      settings_image[base + REL_POT_MIN] = static_cast<uint8_t>(min);
      settings_image[base + REL_POT_RANGE] = static_cast<uint8_t>(range);
      ASSERT_EQ(stored_field_passes(min_field, bank) && stored_field_passes(max_field, bank),
                pot_reachable[min][range])
          << "min " << min << " range " << range;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(BothBanks, Validation,
                         ::testing::Values(UserBank::user1, UserBank::user2));

}  // namespace
