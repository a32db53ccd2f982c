#pragma once

#include <ostream>
#include <string>

#include "cli/link_setup.h"

// `ostrel ui`: the utility as a page in the browser, served on this machine.
struct UiOptions {
  LinkOptions link;                    // --port, --sim, --trace
  std::string listen = "127.0.0.1:0";  // HOST:PORT; port 0 takes a free one
  bool no_browser = false;
};

// Prints the page's address (http://HOST:PORT/?token=TOKEN) as the first line of `out`, opens the
// browser unless asked not to, and serves until the page's Exit, its close box or Ctrl-C.
// Returns an exit status (cli/exit_status.h).
int run_ui(const UiOptions& options, std::ostream& out, std::ostream& err);
