#pragma once

#include <ostream>
#include <string>

#include "settings/settings_image.h"

// `ostrel diff A B` and `ostrel diff A --keyer`: the fields, bank by bank, and the message texts
// that differ, each by its name with both values; then any other byte that differs (the window's
// bank selections, bits no field shows, message bytes that no text shows). Prints nothing for
// what is the same. Returns whether the images differ.
bool print_settings_diff(const SettingsImage& a, const std::string& a_name, const SettingsImage& b,
                         const std::string& b_name, std::ostream& out);

// Exit statuses of `ostrel diff`, as diff(1) has them: 0 the same, 1 different; 2 usage, 3 a file
// that cannot be read, and 4 when the keyer could not be read.
inline constexpr int EXIT_DIFF_SAME = 0;
inline constexpr int EXIT_DIFF_DIFFERENT = 1;
inline constexpr int EXIT_DIFF_KEYER = 4;

int diff_files(const std::string& a, const std::string& b, std::ostream& out, std::ostream& err);
// Reads the keyer's image over the link set up by setup_link.
int diff_file_and_keyer(const std::string& a, std::ostream& out, std::ostream& err);
