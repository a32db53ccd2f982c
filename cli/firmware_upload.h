#pragma once

#include <ostream>
#include <string>

// `ostrel upload FILE`: loads the programming file, then programs the keyer the way the
// uploader dialog does (interface test, IC variant check, upload worker), showing the progress
// as a bar on a terminal and as percentages otherwise.
int upload_firmware(const std::string& path, bool progress_bar, std::ostream& out,
                    std::ostream& err);

// What a failed load means, for the user: the loader's result and the line it stopped at
// (0 when it did not stop at a line).
std::string load_failure_text(int load_result, int line);

// A progress line: "[#####...............]  25%" for a terminal.
std::string progress_bar_text(int percent);
