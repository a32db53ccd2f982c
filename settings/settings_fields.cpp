#include "settings/settings_fields.h"

#include "resources/control_ids.h"

// The order of these steps is the order in which the user meets the complaints; some texts differ
// between the banks, and Farns accepts up to 99 although both of its texts say 90.
const std::array<ValidationStep, VALIDATION_STEP_COUNT> VALIDATION_STEPS{{
    {IDC_WEIGHT, FieldStore::byte, REL_WEIGHT, 10, 90, false, "Weight must be between 10 and 90",
     "Weight must be between 10 and 90"},
    {IDC_LEAD_IN, FieldStore::byte, REL_LEAD_IN, 0, 250, false, "Lead In must be 250 or less.",
     "Lead In must be 250 or less."},
    {IDC_TAIL, FieldStore::byte, REL_TAIL, 0, 250, false, "Tail must be 250 or less.",
     "Tail must be 250 or less."},
    {IDC_SIDETONE_FREQ, FieldStore::sidetone_divisor, REL_SIDETONE, 500, 4000, false,
     "Freq must be between 500 and 4000.", "Freq must be between 500 and 4000."},
    {IDC_KEY_COMP, FieldStore::byte, REL_KEY_COMP, 0, 250, false, "Key Comp must be 250 or less.",
     "Key Comp must be 250 or less."},
    {IDC_FARNS, FieldStore::byte, REL_FARNS, 10, 99, true, "Farns must be 0 or between 10 and 90",
     "Farnsworth WPM must be 0 or between 10 and 90"},
    {IDC_PDL_SAMPLE, FieldStore::byte, REL_PDL_SAMPLE, 10, 90, true,
     "Paddle Sample must be 0 or between 10 and 90", "Paddle Sample must be between 10 and 90"},
    {IDC_CMD_WPM, FieldStore::byte, REL_CMD_WPM, 5, 99, false,
     "Command WPM must be between 5 and 99", "CMDWPM must be between 5 and 99"},
    {IDC_CUR_WPM, FieldStore::byte, REL_CUR_WPM, 5, 99, false,
     "Favorite WPM must be between 5 and 99", "Favorite WPM must be between 5 and 99"},
    {IDC_RATIO, FieldStore::byte, REL_RATIO, 33, 66, false, "Ratio must be between 33 and 66",
     "Ratio must be between 33 and 66"},
    {IDC_MAX_WPM, FieldStore::pot_order, REL_POT_MIN, 0, 0, false,
     "Pot Max must be greater than Pot Min", "Pot Max must be greater than Pot Min"},
    {IDC_MIN_WPM, FieldStore::pot_min, REL_POT_MIN, 5, 99, false,
     "Pot Min must be between 5 and 99", "Pot Min must be between 5 and 99"},
    {IDC_MAX_WPM, FieldStore::pot_max, REL_POT_MIN, 5, 99, false,
     "Pot Max must be between 5 and 99", "Pot Max must be between 5 and 99"},
    {IDC_LTR_SPC, FieldStore::letter_space, REL_LETTER_SPACE, 0, 31, false,
     "Letterspace Adjustment can't be greater than 31",
     "Letterspace Adjustment can't be greater than 31"},
}};

const std::array<CheckBoxBit, CHECK_BOX_COUNT> CHECK_BOX_BITS{{
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

// Iambic B, every flag off, sidetone 801 Hz, pots 5..35 wpm, "Port1, ST, PTT" with 1.0 word hang.
const std::array<uint8_t, USER_BANK_SIZE> BANK_DEFAULTS{0, 15, 78, 50, 0,  0, 5, 30,
                                                        0, 0,  0,  50, 50, 7, 0, 15};
