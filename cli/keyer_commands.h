#pragma once

#include <ostream>
#include <string>

// The commands that talk to the keyer over the link set up by setup_link.

// `ostrel test`: the interface test and the three queries, as the window's Test shows them.
int test_keyer(std::ostream& out, std::ostream& err);
// `ostrel read -o FILE`: the keyer's settings image into a settings file.
int read_keyer(const std::string& path, std::ostream& out, std::ostream& err);
// `ostrel write FILE [--verify]`: a settings file into the keyer, read back when verify is set.
int write_keyer(const std::string& path, bool verify, std::ostream& out, std::ostream& err);
