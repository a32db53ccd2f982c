#pragma once

#include <ostream>
#include <string>

// `ostrel show`: both user banks as the settings panel shows them, and the fourteen message
// texts, from a settings file; as text, or as one JSON object.
int show_settings(const std::string& path, bool json, std::ostream& out, std::ostream& err);

// A text as a JSON string literal: quotes, backslashes and bytes outside printable ASCII are
// escaped (bytes from 0x80 up as the Latin-1 characters of the same number).
std::string json_string(const std::string& text);
