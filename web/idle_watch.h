#pragma once

#include <chrono>

// `ostrel ui` started from a menu has no terminal to end it from: once no page has been open for
// a while it ends by itself, so that a closed browser tab does not leave it holding the keyer's
// port. Something running (an upload) keeps it, and the while counts again from its end.
class IdleWatch {
 public:
  using Clock = std::chrono::steady_clock;

  IdleWatch(Clock::duration limit, Clock::time_point start) : limit_(limit), since_(start) {}

  // `busy`: a page is open or an upload runs. True once nothing has been busy for the limit.
  bool expired(bool busy, Clock::time_point now) {
    if (busy) since_ = now;
    return now - since_ >= limit_;
  }

 private:
  Clock::duration limit_;
  Clock::time_point since_;
};
