#include "cli/panel_fields.h"

#include "resources/control_ids.h"

const std::array<PanelField, PANEL_FIELD_COUNT> PANEL_FIELDS = {{
    {"Keyer Mode", IDC_KEYER_MODE, FieldKind::list},
    {"Paddle Hang", IDC_PADDLE_HANG, FieldKind::list},
    {"Output Config", IDC_OUTPUT_CONFIG, FieldKind::list},
    {"Swap", IDC_SWAP, FieldKind::check},
    {"AutoSpace", IDC_AUTO_SPACE, FieldKind::check},
    {"CTspace", IDC_CT_SPACE, FieldKind::check},
    {"PdlWDoff", IDC_PDL_WD_OFF, FieldKind::check},
    {"Cut 0", IDC_CUT_0, FieldKind::check},
    {"Cut 9", IDC_CUT_9, FieldKind::check},
    {"PdlToneOnly", IDC_PDL_TONE_ONLY, FieldKind::check},
    {"PaddleMute", IDC_PADDLE_MUTE, FieldKind::check},
    {"FastCmd", IDC_FAST_CMD, FieldKind::check},
    {"SO2R", IDC_SO2R, FieldKind::check},
    {"MaxWpm", IDC_MAX_WPM, FieldKind::number},
    {"MinWpm", IDC_MIN_WPM, FieldKind::number},
    {"CmdWpm", IDC_CMD_WPM, FieldKind::number},
    {"CurWpm", IDC_CUR_WPM, FieldKind::number},
    {"Ratio", IDC_RATIO, FieldKind::number},
    {"KeyComp", IDC_KEY_COMP, FieldKind::number},
    {"PdlSample", IDC_PDL_SAMPLE, FieldKind::number},
    {"Weight", IDC_WEIGHT, FieldKind::number},
    {"Lead In", IDC_LEAD_IN, FieldKind::number},
    {"Tail", IDC_TAIL, FieldKind::number},
    {"Farns", IDC_FARNS, FieldKind::number},
    {"LtrSpc", IDC_LTR_SPC, FieldKind::number},
    {"SidetoneFreq", IDC_SIDETONE_FREQ, FieldKind::number},
    {"Tune50%", IDC_TUNE_50, FieldKind::check},
}};

std::string fold_name(const std::string& text) {
  std::string folded;
  for (char c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) folded += c;
  }
  return folded;
}

const PanelField* find_panel_field(const std::string& name) {
  const std::string folded = fold_name(name);
  for (const PanelField& field : PANEL_FIELDS) {
    if (fold_name(field.name) == folded) return &field;
  }
  return nullptr;
}

std::optional<bool> parse_check_value(const std::string& text) {
  const std::string folded = fold_name(text);
  for (const char* word : {"on", "yes", "true", "1", "checked"}) {
    if (folded == word) return true;
  }
  for (const char* word : {"off", "no", "false", "0", "unchecked"}) {
    if (folded == word) return false;
  }
  return std::nullopt;
}
