#include "platform/pause.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace {
void sleep_for_real(int milliseconds) {
  if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
// The upload worker pauses on its own thread while the dialog thread may be running, so the
// pointer is read atomically.
std::atomic<PauseFunction> current_pause{&sleep_for_real};
}  // namespace

void pause_ms(int milliseconds) { current_pause.load()(milliseconds); }

void set_pause_function(PauseFunction function) {
  current_pause.store(function ? function : &sleep_for_real);
}
