#pragma once

#include <ostream>
#include <string>

// `ostrel show`: both user banks as the settings panel shows them, and the fourteen message
// texts, from a settings file; as text, or as one JSON object that `ostrel set --from` takes.
int show_settings(const std::string& path, bool json, std::ostream& out, std::ostream& err);

// One "warning:" line on `err` for each slot of the settings image's message region that does
// not read back whole, saying what stopped it; nothing for a region this program wrote.
void warn_about_partial_messages(std::ostream& err);

// A text as a double-quoted literal: quotes, backslashes and bytes outside printable ASCII are
// escaped (bytes from 0x80 up as the Latin-1 characters of the same number).
std::string quoted_text(const std::string& text);
