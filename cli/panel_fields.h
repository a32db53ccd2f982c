#pragma once

#include <array>
#include <optional>
#include <string>

// The settings panel's fields as the command line names them: the captions of the window's
// controls, in the order `show` lists them.
enum class FieldKind { list, check, number };

struct PanelField {
  const char* name;
  int control_id;
  FieldKind kind;
};
inline constexpr int PANEL_FIELD_COUNT = 27;
extern const std::array<PanelField, PANEL_FIELD_COUNT> PANEL_FIELDS;

// The field a command-line name means: case, spaces, '_', '-' and '%' do not count, so
// "Lead In", "lead_in" and "leadin" are one field, as are "Tune50%" and "tune50".
const PanelField* find_panel_field(const std::string& name);

// The same folding, for matching names and list entries typed on the command line.
std::string fold_name(const std::string& text);

// A check box value typed on the command line: on/off, yes/no, true/false, 1/0, checked/unchecked.
std::optional<bool> parse_check_value(const std::string& text);
