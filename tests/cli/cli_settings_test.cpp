#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "cli/exit_status.h"
#include "cli/image_file.h"
#include "cli/settings_diff.h"
#include "cli/settings_edit.h"
#include "cli/settings_view.h"
#include "resources/control_ids.h"
#include "settings/settings_fields.h"
#include "settings/settings_panel.h"

namespace fs = std::filesystem;

namespace {

TEST(FindSettingField, ByCaptionOrKeyWhereCaseSpacesAndPunctuationDoNotCount) {
  struct Case {
    const char* typed;
    int want_id;  // 0: no such field
  } cases[] = {
      {"Lead In", IDC_LEAD_IN},
      {"lead_in", IDC_LEAD_IN},
      {"LEADIN", IDC_LEAD_IN},
      {"Tune50%", IDC_TUNE_50},
      {"tune_50", IDC_TUNE_50},
      {"keyer_mode", IDC_KEYER_MODE},
      {"pdl_wd_off", IDC_PDL_WD_OFF},
      {"cut 0", IDC_CUT_0},
      {"Cut9", IDC_CUT_9},
      {"keyer-mode", IDC_KEYER_MODE},
      {"SO2R", IDC_SO2R},
      {"SidetoneFreq", IDC_SIDETONE_FREQ},
      {"sidetone", 0},
      {"", 0},
      {"msg1", 0},
  };
  for (const Case& c : cases) {
    const SettingField* field = find_setting_field(c.typed);
    if (c.want_id == 0) {
      EXPECT_EQ(field, nullptr) << c.typed;
    } else {
      ASSERT_NE(field, nullptr) << c.typed;
      EXPECT_EQ(field->control_id, c.want_id) << c.typed;
    }
  }
}

TEST(CliParseCheckValue, OnOffWords) {
  const std::map<std::string, std::optional<bool>> cases = {
      {"on", true},   {"ON", true},  {"yes", true},    {"1", true},  {"checked", true},
      {"off", false}, {"No", false}, {"false", false}, {"0", false}, {"unchecked", false},
      {"", {}},       {"maybe", {}}, {"2", {}},
  };
  for (const auto& [text, want] : cases) EXPECT_EQ(parse_check_value(text), want) << text;
}

TEST(CliParseSettingChanges, RefusesWhatTheWindowCouldNotBeGiven) {
  struct Case {
    std::vector<std::string> arguments;
    int want_status;
    const char* want_error;  // part of the message
  } cases[] = {
      {{"weight=50", "swap=on", "keyermode=anything"}, EXIT_OK, ""},
      {{"msg12=", "callsign=K1ABC", "msg1=a=b"}, EXIT_OK, ""},
      {{"weight"}, EXIT_USAGE, "is not FIELD=VALUE"},
      {{"=5"}, EXIT_USAGE, "there is no field"},
      {{"msg13=X"}, EXIT_USAGE, "there is no field \"msg13\""},
      {{"weight=+5"}, EXIT_USAGE, "Weight needs a whole number"},
      {{"weight= 5"}, EXIT_USAGE, "Weight needs a whole number"},
      {{"weight="}, EXIT_USAGE, "Weight needs a whole number"},
      {{"tail=12345678901"}, EXIT_USAGE, "Tail needs a whole number"},
      {{"swap=2"}, EXIT_USAGE, "Swap is on or off"},
  };
  for (const Case& c : cases) {
    std::vector<SettingChange> changes;
    std::ostringstream err;
    EXPECT_EQ(parse_setting_changes(c.arguments, UserBank::user1, changes, err), c.want_status)
        << c.arguments[0];
    EXPECT_NE(err.str().find(c.want_error), std::string::npos) << err.str();
  }
}

TEST(CliParseSettingChanges, MessagesAndTheCallsignOfTheBank) {
  std::vector<SettingChange> changes;
  std::ostringstream err;
  ASSERT_EQ(parse_setting_changes({"msg1=CQ", "MSG12=x=y", "callsign=K1ABC"}, UserBank::user2,
                                  changes, err),
            EXIT_OK);
  ASSERT_EQ(changes.size(), 3u);
  EXPECT_EQ(changes[0].slot, 0);
  EXPECT_EQ(changes[1].slot, 11);
  EXPECT_EQ(changes[1].value, "x=y");
  EXPECT_EQ(changes[2].slot, 13);
}

TEST(CliQuotedText, EscapesWhatCannotBePrintedPlainly) {
  const std::map<std::string, std::string> cases = {
      {"", "\"\""},
      {"CQ DE N0CALL", "\"CQ DE N0CALL\""},
      {"A\"B\\C", "\"A\\\"B\\\\C\""},
      {"\x01\n", "\"\\u0001\\u000A\""},
      {"\xE9\x7F", "\"\\u00E9\\u007F\""},
  };
  for (const auto& [text, want] : cases) EXPECT_EQ(quoted_text(text), want);
}

// Settings files in a folder of their own, holding the defaults and no messages.
class CliSettingsFile : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() /
              ("ostrel-set-" +
               std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    path_ = (folder_ / "keyer.eep").string();
    settings_image = SettingsImage{};
    reset_to_defaults();
    defaults_ = settings_image;
    std::ostringstream err;
    ASSERT_EQ(save_image_file(path_, defaults_, err), EXIT_OK);
  }
  void TearDown() override { fs::remove_all(folder_); }

  SettingsImage file_image() {
    SettingsImage image{};
    std::ostringstream err;
    EXPECT_EQ(load_image_file(path_, image, err), EXIT_OK) << err.str();
    return image;
  }

  fs::path folder_;
  std::string path_;
  SettingsImage defaults_{};
};

TEST_F(CliSettingsFile, ChangesReachOnlyTheirBytes) {
  struct Case {
    UserBank bank;
    std::vector<std::string> arguments;
    std::map<int, uint8_t> want;  // image offset -> value; every other byte stays
  } cases[] = {
      {UserBank::user1, {"Keyer Mode=UltimDah"}, {{0, 0x20}, {13, 0x47}}},
      {UserBank::user2, {"keyermode=ultimatic"}, {{16, 0x20}}},
      {UserBank::user2, {"keyermode=ultimdit"}, {{16, 0x20}, {29, 0x87}}},
      {UserBank::user1, {"Output Config=Port2, ST, PTT"}, {{13, 0x0B}}},
      {UserBank::user1, {"paddlehang=2.0 word"}, {{13, 0x37}}},
      {UserBank::user1, {"swap=on", "cut9=yes"}, {{0, 0x08}, {8, 0x20}}},
      {UserBank::user1, {"swap=off", "fastcmd=off"}, {}},
      {UserBank::user2, {"Tune50%=on", "ltrspc=31"}, {{30, 0x3F}}},
      {UserBank::user1, {"SidetoneFreq=1000", "weight=10"}, {{2, 62}, {3, 10}}},
      {UserBank::user1, {"MaxWpm=40", "MinWpm=10"}, {{6, 10}, {7, 30}}},
      {UserBank::user2, {"farns=99", "pdlsample=0"}, {{26, 99}, {27, 0}}},
      {UserBank::user1,
       {"msg1=CQ", "msg3=E E"},
       {{32, 0x14},
        {33, 0x0F},
        {35, 0x11},
        {47, 0x15},
        {48, 0x9B},
        {49, 0x02},
        {50, 0x1C},
        {51, 0x82}}},
      {UserBank::user2, {"callsign=e"}, {{32, 0x10}, {46, 0x0F}, {47, 0x82}}},
  };
  for (const Case& c : cases) {
    std::ostringstream err;
    std::ostringstream ignored;
    ASSERT_EQ(save_image_file(path_, defaults_, ignored), EXIT_OK);
    ASSERT_EQ(set_settings(path_, c.bank, c.arguments, err), EXIT_OK)
        << c.arguments[0] << ": " << err.str();
    const SettingsImage got = file_image();
    for (int offset = 0; offset < SETTINGS_IMAGE_SIZE; ++offset) {
      const auto want = c.want.count(offset) ? c.want.at(offset) : defaults_[offset];
      EXPECT_EQ(got[offset], want) << c.arguments[0] << " offset " << offset;
    }
  }
}

TEST_F(CliSettingsFile, RefusedChangesLeaveTheFileAsItWas) {
  struct Case {
    UserBank bank;
    std::vector<std::string> arguments;
    int want_status;
    const char* want_error;
  } cases[] = {
      {UserBank::user1, {"weight=91"}, EXIT_USAGE, "Weight must be between 10 and 90"},
      {UserBank::user1, {"swap=on", "ratio=32"}, EXIT_USAGE, "Ratio must be between 33 and 66"},
      {UserBank::user2, {"cmdwpm=4"}, EXIT_USAGE, "CMDWPM must be between 5 and 99"},
      {UserBank::user1,
       {"maxwpm=20", "minwpm=20"},
       EXIT_USAGE,
       "Pot Max must be greater than Pot Min"},
      {UserBank::user1,
       {"ltrspc=32"},
       EXIT_USAGE,
       "Letterspace Adjustment can't be greater than 31"},
      {UserBank::user1, {"outputconfig=Port3"}, EXIT_USAGE, "\"Port1\", \"Port1, ST\""},
      {UserBank::user1, {"msg1=" + std::string(241, 'E')}, EXIT_USAGE, ""},
      {UserBank::user1,
       {"msg1=" + std::string(120, 'E'), "msg2=" + std::string(121, 'T')},
       EXIT_USAGE,
       ""},
      {UserBank::user1, {"msg1=A~B"}, EXIT_USAGE, ""},
      {UserBank::user1,
       {"msg1=TEST $ OK"},
       EXIT_USAGE,
       "Msg 1 holds the character '$', which the keyer cannot send: the keyer reads it as the end "
       "of the message. Remove it and try again.\nNothing was changed."},
      {UserBank::user2,
       {"weight=60", "callsign=K1$"},
       EXIT_USAGE,
       "The User 2 callsign holds the character '$'"},
  };
  for (const Case& c : cases) {
    std::ostringstream err;
    EXPECT_EQ(set_settings(path_, c.bank, c.arguments, err), c.want_status) << c.arguments[0];
    EXPECT_NE(err.str().find(c.want_error), std::string::npos) << err.str();
    EXPECT_EQ(file_image(), defaults_) << c.arguments[0];
  }
}

// A JSON the user edited by hand: whatever it holds that the window could not be given is named,
// and the settings file is left as it was.
TEST_F(CliSettingsFile, RefusedJsonLeavesTheFileAsItWas) {
  struct Case {
    const char* json;
    int want_status;
    const char* want_error;
  } cases[] = {
      {"[1, 2]", EXIT_FILE, "is not a JSON object"},
      {"{\"user1\": {\"weight\": 50}", EXIT_FILE, "is not a JSON object"},
      {"{\"user3\": {}}", EXIT_USAGE, "user3: not a part of a settings file"},
      {"{\"user1\": 50}", EXIT_USAGE, "user1: must be an object"},
      {"{\"user1\": {\"wieght\": 50}}", EXIT_USAGE, "user1.wieght: no such field"},
      {"{\"user1\": {\"weight\": \"50\"}}", EXIT_USAGE, "user1.weight: must be a whole number"},
      {"{\"user1\": {\"weight\": -5}}", EXIT_USAGE, "user1.weight: must be a whole number"},
      {"{\"user1\": {\"weight\": 50.5}}", EXIT_USAGE, "user1.weight: must be a whole number"},
      {"{\"user1\": {\"weight\": 1e30}}", EXIT_USAGE, "user1.weight: must be a whole number"},
      // Numbers past any register width must not wrap round to a value the check lets through.
      {"{\"user1\": {\"weight\": 4294967346}}", EXIT_USAGE, "Weight must be between 10 and 90"},
      {"{\"user2\": {\"weight\": 91}}", EXIT_USAGE, "User 2: Weight must be between 10 and 90"},
      {"{\"user1\": {\"swap\": 1}}", EXIT_USAGE, "user1.swap: must be true or false"},
      {"{\"user1\": {\"keyer_mode\": true}}", EXIT_USAGE, "must be a list entry"},
      {"{\"messages\": {\"msg13\": \"K\"}}", EXIT_USAGE, "messages.msg13: no such message"},
      {"{\"messages\": {\"msg1\": 5}}", EXIT_USAGE, "messages.msg1: must be a text"},
      {"{\"messages\": {\"msg1\": \"TEST $ OK\"}}", EXIT_USAGE, "the character '$'"},
      // A good bank does not carry a bad one through.
      {"{\"user1\": {\"weight\": 60}, \"user2\": {\"ratio\": 20}}", EXIT_USAGE,
       "User 2: Ratio must be between 33 and 66"},
  };
  const std::string json_path = (folder_ / "edited.json").string();
  for (const Case& c : cases) {
    {
      std::ofstream file(json_path, std::ios::binary | std::ios::trunc);
      file << c.json;
    }
    std::ostringstream err;
    EXPECT_EQ(set_settings_from_json(path_, json_path, err), c.want_status) << c.json;
    EXPECT_NE(err.str().find(c.want_error), std::string::npos) << c.json << "\n" << err.str();
    EXPECT_EQ(file_image(), defaults_) << c.json;
  }
}

TEST_F(CliSettingsFile, OnlyWholeImagesAreTaken) {
  for (size_t size : {0u, 1u, 100u, 287u, 289u, 1000u}) {
    {
      std::ofstream file(path_, std::ios::binary | std::ios::trunc);
      file << std::string(size, '\x05');
    }
    const std::string refusal =
        "ostrel: " + path_ + " is not a settings file: it must hold exactly 288 bytes, it holds " +
        std::to_string(size) + "; nothing was done with it\n";
    std::ostringstream out, err;
    EXPECT_EQ(show_settings(path_, false, out, err), EXIT_FILE) << size;
    EXPECT_EQ(err.str(), refusal);
    EXPECT_EQ(set_settings(path_, UserBank::user1, {"weight=50"}, err), EXIT_FILE) << size;
    EXPECT_EQ(err.str(), refusal + refusal);
    EXPECT_EQ(fs::file_size(path_), size);
  }
}

TEST_F(CliSettingsFile, MessagesThatDoNotReadBackAreKeptUnlessATextChanges) {
  // "TEST $ OK" as the keyer stores it: the $ (0xC8) carries the end mark by itself, so the
  // decoder stops there.
  SettingsImage image = defaults_;
  const uint8_t stored[] = {0x03, 0x02, 0x08, 0x03, 0x1C, 0xC8, 0x1C, 0x0F, 0x8D};
  image[MSG_END_POINTER] = 15 + sizeof stored;
  image[MSG_SLOT_POINTERS] = 15;
  std::copy(std::begin(stored), std::end(stored), image.begin() + MSG_DATA);
  std::ostringstream err;
  ASSERT_EQ(save_image_file(path_, image, err), EXIT_OK);

  ASSERT_EQ(set_settings(path_, UserBank::user1, {"weight=60"}, err), EXIT_OK);
  SettingsImage want = image;
  want[REL_WEIGHT] = 60;
  EXPECT_EQ(file_image(), want);
  EXPECT_EQ(err.str(), "");

  ASSERT_EQ(set_settings(path_, UserBank::user1, {"msg2=K"}, err), EXIT_OK);
  EXPECT_NE(err.str().find("do not read back"), std::string::npos);
}

// A difference is named by the field or text that shows it; a byte that none shows is named by its
// offset, and a difference no byte makes is not printed at all.
TEST(CliSettingsDiff, NamesWhatDiffersByWhatShowsIt) {
  settings_image = SettingsImage{};
  reset_to_defaults();
  const SettingsImage base = settings_image;
  struct Case {
    const char* name;
    std::function<void(SettingsImage&)> change;
    std::vector<std::string> lines;  // the lines after the two header lines
  } cases[] = {
      {"the same", [](SettingsImage&) {}, {}},
      {"a field of User 2", [](SettingsImage& i) { i[16 + REL_WEIGHT] = 60; },
       {"User 2", "  Weight: 50 -> 60"}},
      {"the pot range", [](SettingsImage& i) { i[REL_POT_RANGE] = 40; },
       {"User 1", "  MaxWpm: 35 -> 45"}},
      {"the window's user bank", [](SettingsImage& i) { i[SELECTION_BYTE] |= SELECTED_USER2_BIT; },
       {"Window selections: user bank User 1, message bank 1 -> user bank User 2, message bank 1"}},
      {"a mode bit no check box shows", [](SettingsImage& i) { i[REL_MODE] |= 0x04; },
       {"Bytes that no field or text shows:", "  offset 0: 0x00 -> 0x04"}},
      {"past the last message", [](SettingsImage& i) { i[200] = 0x55; },
       {"Bytes that no field or text shows:", "  offset 200: 0x00 -> 0x55"}},
  };
  for (const Case& c : cases) {
    SettingsImage changed = base;
    c.change(changed);
    std::ostringstream out;
    EXPECT_EQ(print_settings_diff(base, "a.eep", changed, "b.eep", out), !c.lines.empty())
        << c.name;
    std::string want = c.lines.empty() ? "" : "--- a.eep\n+++ b.eep\n";
    for (const std::string& line : c.lines) want += line + "\n";
    EXPECT_EQ(out.str(), want) << c.name;
  }
}

}  // namespace
