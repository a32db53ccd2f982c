#pragma once

#include <memory>
#include <string>

#include "web/request_guard.h"
#include "web/ui_events.h"
#include "web/ui_model.h"
#include "web/ui_session.h"

// The HTTP side of `ostrel ui`: the page's files, its layout, the stream of changes (server-sent
// events), the queue of the page's events, and the downloads. Every request passes the guard
// (request_guard.h) first; its handlers never touch the window or the keyer, they only queue.
class UiServer {
 public:
  UiServer(UiModel& model, UiEventQueue& queue, DownloadShelf& downloads);
  ~UiServer();

  // Binds the listening socket (port 0: a free one). False with the reason in `error`.
  bool bind(const std::string& host, int port, std::string& error);
  int port() const;
  // The pages connected now (their streams of changes).
  int open_pages() const;
  // Serves on threads of its own until stop.
  void start(const ServedAddress& served);
  void stop();

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
};
