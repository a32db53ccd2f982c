// ostrel-keyer-sim: a simulated keyer on a pseudo-terminal, so that the tools can be run and
// tested without hardware. Prints the pty's slave path and serves until SIGTERM or SIGINT.
#include <csignal>
#include <cstdio>
#include <string>

#include "sim/keyer_server.h"
#include "sim/pty_device.h"
#include "sim/sim_options.h"

namespace {

void request_stop(int) {
  sim_stop_requested = 1;
}

void install_signal_handlers() {
  struct sigaction action {};
  action.sa_handler = request_stop;
  sigemptyset(&action.sa_mask);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
  std::signal(SIGPIPE, SIG_IGN);
}

}  // namespace

int main(int argc, char** argv) {
  SimOptions options;
  const int parse_result = parse_sim_options(argc, argv, options);
  if (parse_result >= 0) return parse_result;

  install_signal_handlers();
  PtyDevice device;
  std::string error;
  if (!open_pty_device(device, options.link_path, error)) {
    std::fprintf(stderr, "ostrel-keyer-sim: %s\n", error.c_str());
    return 1;
  }
  std::printf("%s\n", device.slave_path.c_str());
  std::fflush(stdout);

  const int result = serve_keyer(device, options);
  close_pty_device(device);
  return result;
}
