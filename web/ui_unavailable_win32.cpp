#include "cli/exit_status.h"
#include "web/run_ui.h"

// On Windows the utility is the window itself.
int run_ui(const UiOptions&, std::ostream&, std::ostream& err) {
  err << "ostrel: not available on Windows; run Ostrel3tools.exe\n";
  return EXIT_USAGE;
}
