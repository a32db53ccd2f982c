#include "settings/settings_fields.h"

#include "resources/control_ids.h"

namespace {

struct Check {
  int step;
  unsigned low, high;
  bool zero_allowed;
  const char* message_user1;
  const char* message_user2;
};

constexpr SettingField number(const char* caption, const char* key, int id, FieldEncoding encoding,
                              int rel, Check check, unsigned default_value) {
  return {caption,    key,        id,
          FieldKind::number,      encoding,
          rel,        0,          check.low,
          check.high, check.zero_allowed,
          check.step, check.message_user1,
          check.message_user2,    default_value};
}

constexpr SettingField check_box(const char* caption, const char* key, int id, int rel,
                                 uint8_t mask) {
  return {caption, key, id, FieldKind::check, FieldEncoding::bit, rel, mask, 0, 1, false, 0,
          nullptr, nullptr, 0};
}

constexpr SettingField list(const char* caption, const char* key, int id, FieldEncoding encoding,
                            unsigned default_position) {
  return {caption, key,     id,      FieldKind::list, encoding, REL_PIN_CONFIG, 0, 0, 0, false, 0,
          nullptr, nullptr, default_position};
}

}  // namespace

// The checks' order is the order in which the user meets the complaints; some texts differ between
// the banks, Farns accepts up to 99 although both of its texts say 90, and PdlSample accepts 0 in
// User 2 although its text there does not say so.
const std::array<SettingField, SETTING_FIELD_COUNT> SETTING_FIELDS{{
    list("Keyer Mode", "keyer_mode", IDC_KEYER_MODE, FieldEncoding::keyer_mode, 1),
    list("Paddle Hang", "paddle_hang", IDC_PADDLE_HANG, FieldEncoding::paddle_hang, 0),
    list("Output Config", "output_config", IDC_OUTPUT_CONFIG, FieldEncoding::output_config, 3),
    check_box("Swap", "swap", IDC_SWAP, REL_MODE, 0x08),
    check_box("AutoSpace", "auto_space", IDC_AUTO_SPACE, REL_MODE, 0x02),
    check_box("CTspace", "ct_space", IDC_CT_SPACE, REL_MODE, 0x01),
    check_box("PdlWDoff", "pdl_wd_off", IDC_PDL_WD_OFF, REL_MODE, 0x80),
    check_box("Cut 0", "cut_0", IDC_CUT_0, REL_EXTENSION, 0x10),
    check_box("Cut 9", "cut_9", IDC_CUT_9, REL_EXTENSION, 0x20),
    check_box("PdlToneOnly", "pdl_tone_only", IDC_PDL_TONE_ONLY, REL_EXTENSION, 0x08),
    check_box("PaddleMute", "paddle_mute", IDC_PADDLE_MUTE, REL_EXTENSION, 0x02),
    check_box("FastCmd", "fast_cmd", IDC_FAST_CMD, REL_EXTENSION, 0x40),
    check_box("SO2R", "so2r", IDC_SO2R, REL_EXTENSION, 0x04),
    number("MaxWpm", "max_wpm", IDC_MAX_WPM, FieldEncoding::pot_max, REL_POT_MIN,
           {13, 5, 99, false, "Pot Max must be between 5 and 99",
            "Pot Max must be between 5 and 99"},
           35),
    number("MinWpm", "min_wpm", IDC_MIN_WPM, FieldEncoding::pot_min, REL_POT_MIN,
           {12, 5, 99, false, "Pot Min must be between 5 and 99",
            "Pot Min must be between 5 and 99"},
           5),
    number("CmdWpm", "cmd_wpm", IDC_CMD_WPM, FieldEncoding::byte, REL_CMD_WPM,
           {8, 5, 99, false, "Command WPM must be between 5 and 99",
            "CMDWPM must be between 5 and 99"},
           15),
    number("CurWpm", "cur_wpm", IDC_CUR_WPM, FieldEncoding::byte, REL_CUR_WPM,
           {9, 5, 99, false, "Favorite WPM must be between 5 and 99",
            "Favorite WPM must be between 5 and 99"},
           15),
    number("Ratio", "ratio", IDC_RATIO, FieldEncoding::byte, REL_RATIO,
           {10, 33, 66, false, "Ratio must be between 33 and 66", "Ratio must be between 33 and 66"},
           50),
    number("KeyComp", "key_comp", IDC_KEY_COMP, FieldEncoding::byte, REL_KEY_COMP,
           {5, 0, 250, false, "Key Comp must be 250 or less.", "Key Comp must be 250 or less."},
           0),
    number("PdlSample", "pdl_sample", IDC_PDL_SAMPLE, FieldEncoding::byte, REL_PDL_SAMPLE,
           {7, 10, 90, true, "Paddle Sample must be 0 or between 10 and 90",
            "Paddle Sample must be between 10 and 90"},
           50),
    number("Weight", "weight", IDC_WEIGHT, FieldEncoding::byte, REL_WEIGHT,
           {1, 10, 90, false, "Weight must be between 10 and 90",
            "Weight must be between 10 and 90"},
           50),
    number("Lead In", "lead_in", IDC_LEAD_IN, FieldEncoding::byte, REL_LEAD_IN,
           {2, 0, 250, false, "Lead In must be 250 or less.", "Lead In must be 250 or less."}, 0),
    number("Tail", "tail", IDC_TAIL, FieldEncoding::byte, REL_TAIL,
           {3, 0, 250, false, "Tail must be 250 or less.", "Tail must be 250 or less."}, 0),
    number("Farns", "farns", IDC_FARNS, FieldEncoding::byte, REL_FARNS,
           {6, 10, 99, true, "Farns must be 0 or between 10 and 90",
            "Farnsworth WPM must be 0 or between 10 and 90"},
           0),
    number("LtrSpc", "ltr_spc", IDC_LTR_SPC, FieldEncoding::letter_space, REL_LETTER_SPACE,
           {14, 0, 31, false, "Letterspace Adjustment can't be greater than 31",
            "Letterspace Adjustment can't be greater than 31"},
           0),
    number("SidetoneFreq", "sidetone_freq", IDC_SIDETONE_FREQ, FieldEncoding::sidetone_divisor,
           REL_SIDETONE,
           {4, 500, 4000, false, "Freq must be between 500 and 4000.",
            "Freq must be between 500 and 4000."},
           801),
    check_box("Tune50%", "tune_50", IDC_TUNE_50, REL_LETTER_SPACE, 0x20),
}};

const std::array<KeyerModeEntry, KEYER_MODE_COUNT> KEYER_MODES{{
    {"Iambic A", 0x10, false, 0},
    {"Iambic B", 0x00, false, 0},
    {"Ultimatic", MODE_ULTIMATIC, true, 0},
    {"UltimDit", MODE_ULTIMATIC, true, PIN_ULTIM_DIT},
    {"UltimDah", MODE_ULTIMATIC, true, PIN_ULTIM_DAH},
    {"VibroBug", 0x30, false, 0},
}};

const std::array<const char*, PADDLE_HANG_COUNT> PADDLE_HANG_ENTRIES{"1.0 Word", "1.3 Word",
                                                                     "1.6 Word", "2.0 Word"};

const std::array<OutputConfigEntry, OUTPUT_CONFIG_COUNT> OUTPUT_CONFIGS{{
    {"Port1", 4},
    {"Port1, ST", 6},
    {"Port1, PTT", 5},
    {"Port1, ST, PTT", 7},
    {"Port2", 8},
    {"Port2, ST", 10},
    {"Port2, PTT", 9},
    {"Port2, ST, PTT", 11},
}};
