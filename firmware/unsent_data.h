#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Lines of what the last loaded programming file holds that an upload will not program, shown
// after this many ranges as one more line that counts the rest.
inline constexpr size_t UNSENT_RANGES_SHOWN = 10;

// One line a range of byte addresses, as the file gives them: program bytes in blocks that the
// upload never sends, then bytes beyond program memory, each in address order. Empty when the
// upload sends everything that the file holds.
std::vector<std::string> unsent_data_lines(size_t shown = UNSENT_RANGES_SHOWN);

// Whether the upload would send any byte that the last loaded file supplied. A file that holds
// data only where the upload never sends it would otherwise be programmed as an erased image.
bool upload_sends_file_data();
