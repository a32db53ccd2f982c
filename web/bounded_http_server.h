#pragma once

#include <httplib.h>

#include <cstddef>

// cpp-httplib's server, serving one request a connection and reading at most `budget` bytes of
// it. The library reads a request line or a header line whole, however long, before any handler
// can look at it: a client could make it hold hundreds of megabytes without a token. Here the
// connection's reads stop at the budget, and the library, finding the request cut short, answers
// 400 and ends it. One request a connection also means that a request refused from its headers
// leaves its unread body on a connection that ends, rather than one that would read it as the
// next request.
class BoundedHttpServer : public httplib::Server {
 public:
  explicit BoundedHttpServer(size_t budget) : budget_(budget) {}

 private:
  // The library's one place for how a connection is served (its TLS server overrides it too).
  bool process_and_close_socket(socket_t sock) override;
  bool wait_for_request(socket_t sock) const;

  size_t budget_;
};
