#include "cli/stop_signals.h"

#include <atomic>

#include "firmware/upload_worker.h"

namespace {
constexpr int SIGNALS_TO_STOP = 2;
std::atomic<int> signals_received{0};
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free,
              "the signal handlers may only touch lock-free atomics");
}  // namespace

void note_stop_signal() {
  if (signals_received.fetch_add(1) + 1 == SIGNALS_TO_STOP) upload_stop_requested.store(true);
}

int stop_signals_received() {
  return signals_received.load();
}

void reset_stop_signal_count() {
  signals_received.store(0);
}
