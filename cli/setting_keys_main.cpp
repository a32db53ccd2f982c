// Build step: writes the bash completion of ostrel from its template, with the names that `set`
// takes from the table of settings in place of @SETTING_KEYS@, so that the two cannot drift apart.
//
//   setting_keys TEMPLATE OUTPUT
#include <fstream>
#include <iostream>
#include <sstream>

#include "settings/settings_fields.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: setting_keys TEMPLATE OUTPUT\n";
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  std::string keys;
  for (const SettingField& field : SETTING_FIELDS)
    keys += (keys.empty() ? "" : " ") + std::string(field.key);
  std::string script = text.str();
  const std::string mark = "@SETTING_KEYS@";
  const size_t at = script.find(mark);
  if (!in || at == std::string::npos) {
    std::cerr << "setting_keys: " << argv[1] << " is not a template with " << mark << "\n";
    return 1;
  }
  script.replace(at, mark.size(), keys);
  std::ofstream out(argv[2], std::ios::binary);
  out << script;
  if (!out.flush()) {
    std::cerr << "setting_keys: cannot write " << argv[2] << "\n";
    return 1;
  }
  return 0;
}
