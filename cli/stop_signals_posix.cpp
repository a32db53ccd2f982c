#include <signal.h>

#include "cli/stop_signals.h"

namespace {
constexpr int STOP_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction saved[sizeof STOP_SIGNALS / sizeof STOP_SIGNALS[0]];
struct sigaction saved_pipe;

void on_stop_signal(int) {
  note_stop_signal();
}
}  // namespace

void install_stop_signals() {
  reset_stop_signal_count();
  struct sigaction action {};
  action.sa_handler = on_stop_signal;
  sigemptyset(&action.sa_mask);
  // The serial port's waits and the pauses go on after a handler has run.
  action.sa_flags = SA_RESTART;
  for (size_t i = 0; i < sizeof STOP_SIGNALS / sizeof STOP_SIGNALS[0]; ++i) {
    sigaction(STOP_SIGNALS[i], nullptr, &saved[i]);
    // A signal that we were started ignoring (SIGHUP under nohup) stays ignored.
    if (saved[i].sa_handler != SIG_IGN) sigaction(STOP_SIGNALS[i], &action, nullptr);
  }
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGPIPE, &ignore, &saved_pipe);
}

void remove_stop_signals() {
  for (size_t i = 0; i < sizeof STOP_SIGNALS / sizeof STOP_SIGNALS[0]; ++i)
    sigaction(STOP_SIGNALS[i], &saved[i], nullptr);
  sigaction(SIGPIPE, &saved_pipe, nullptr);
}
