#pragma once

#include <ostream>
#include <string>

// How `ostrel upload` shows its progress: a line redrawn in place on a terminal, with the time
// gone and left; a plain line at each tenth otherwise; or nothing (-q).
enum class UploadDisplay { none, lines, terminal };

// `ostrel upload FILE`: loads the programming file, then programs the keyer the way the
// uploader dialog does (interface test, IC variant check, upload worker), and tests the keyer
// once more after a successful upload to show its new revision.
int upload_firmware(const std::string& path, UploadDisplay display, std::ostream& out,
                    std::ostream& err);

// What a failed load means, for the user: the loader's result and the line it stopped at
// (0 when it did not stop at a line).
std::string load_failure_text(int load_result, int line);

// A progress line for a terminal: "[#####...............]  25%", then the time gone and, once it
// can be told, the time left: "  0:05 gone, about 0:15 left".
std::string progress_bar_text(int percent, int elapsed_s = -1, int remaining_s = -1);
