#pragma once

#include <ostream>
#include <string>

// The commands that talk to the keyer over the link set up by setup_link.

// `ostrel test [--json]`: the interface test and the three queries.
int test_keyer(bool json, std::ostream& out, std::ostream& err);
// `ostrel read -o FILE`: the keyer's settings image into a settings file, which is checked to be
// writable before the keyer is asked.
int read_keyer(const std::string& path, std::ostream& out, std::ostream& err);
// `ostrel write FILE [--verify] [--force]`: a settings file into the keyer, once it is checked to
// hold only what the window could have stored (unless forced), read back when verify is set.
int write_keyer(const std::string& path, bool verify, bool force, std::ostream& out,
                std::ostream& err);
