#pragma once

// Ctrl-C, SIGTERM and SIGHUP while `ostrel upload` runs. Stopping an upload halfway leaves the
// keyer without a working firmware, so the first of these signals only warns; the second asks
// the upload worker to stop at the next frame boundary (upload_stop_requested).

// Installs the handlers and, on POSIX, ignores SIGPIPE, so that a closed standard output no
// longer ends the program in the middle of an upload. Clears the count.
void install_stop_signals();
// Puts the system's handlers back.
void remove_stop_signals();

// Called by the handlers: counts one signal, and on the second requests the stop. Safe in a
// signal handler (lock-free atomics only).
void note_stop_signal();
// The signals counted since install_stop_signals, and its start from 0 again.
int stop_signals_received();
void reset_stop_signal_count();
