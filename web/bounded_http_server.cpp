#include "web/bounded_http_server.h"

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int STOP_POLL_MS = 50;
// A client gone mid-answer is a failed write, not a signal. Where send has no such flag (older
// macOS), ostrel ui ignores SIGPIPE while it serves.
#ifdef MSG_NOSIGNAL
constexpr int SEND_FLAGS = MSG_NOSIGNAL;
#else
constexpr int SEND_FLAGS = 0;
#endif

// Whether `sock` is ready for `events` within `seconds`.
bool ready(int sock, short events, time_t seconds) {
  pollfd watched{sock, events, 0};
  return poll(&watched, 1, static_cast<int>(seconds * 1000)) > 0;
}

// A connection's socket as the library reads and writes it, with the library's waits, that
// reads no more than its budget.
class BoundedStream : public httplib::Stream {
 public:
  BoundedStream(int sock, size_t budget, time_t read_wait, time_t write_wait)
      : sock_(sock), budget_(budget), read_wait_(read_wait), write_wait_(write_wait) {}

  bool is_readable() const override {
    return buffered_ < filled_ || ready(sock_, POLLIN, read_wait_);
  }
  // For a response that goes on (an event stream): the socket takes more, and the client has not
  // gone. Its request was read whole, so what it sends now can only be its end.
  bool is_writable() const override { return ready(sock_, POLLOUT, write_wait_) && client_open(); }

  ssize_t read(char* ptr, size_t size) override {
    if (buffered_ == filled_) {
      // Spent: to the library, a request that stops short.
      if (budget_ == 0 || !is_readable()) return -1;
      const ssize_t got = recv(sock_, buffer_, std::min(sizeof buffer_, budget_), 0);
      if (got <= 0) return got;
      budget_ -= static_cast<size_t>(got);
      buffered_ = 0;
      filled_ = static_cast<size_t>(got);
    }
    const size_t taken = std::min(size, filled_ - buffered_);
    std::memcpy(ptr, buffer_ + buffered_, taken);
    buffered_ += taken;
    return static_cast<ssize_t>(taken);
  }

  ssize_t write(const char* ptr, size_t size) override {
    if (!ready(sock_, POLLOUT, write_wait_)) return -1;
    return send(sock_, ptr, size, SEND_FLAGS);
  }

  void get_remote_ip_and_port(std::string& ip, int& port) const override {
    address_of(getpeername, ip, port);
  }
  void get_local_ip_and_port(std::string& ip, int& port) const override {
    address_of(getsockname, ip, port);
  }
  socket_t socket() const override { return sock_; }

 private:
  void address_of(int (*get)(int, sockaddr*, socklen_t*), std::string& ip, int& port) const {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    char host[NI_MAXHOST] = {};
    char service[NI_MAXSERV] = {};
    if (get(sock_, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        getnameinfo(reinterpret_cast<sockaddr*>(&address), length, host, sizeof host, service,
                    sizeof service, NI_NUMERICHOST | NI_NUMERICSERV) != 0) {
      return;
    }
    ip = host;
    port = std::atoi(service);
  }

  bool client_open() const {
    if (!ready(sock_, POLLIN, 0)) return true;
    char next = 0;
    const ssize_t got = recv(sock_, &next, 1, MSG_PEEK | MSG_DONTWAIT);
    return got > 0 || (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK));
  }

  int sock_;
  size_t budget_;
  time_t read_wait_;
  time_t write_wait_;
  char buffer_[4096];
  size_t buffered_ = 0;  // taken from buffer_ so far
  size_t filled_ = 0;
};

}  // namespace

bool BoundedHttpServer::wait_for_request(socket_t sock) const {
  // In short steps, so that a stopping server does not wait out the whole keep-alive time.
  const auto until =
      std::chrono::steady_clock::now() + std::chrono::seconds(keep_alive_timeout_sec_);
  while (svr_sock_ != INVALID_SOCKET) {
    pollfd watched{sock, POLLIN, 0};
    const int found = poll(&watched, 1, STOP_POLL_MS);
    if (found != 0) return found > 0;
    if (std::chrono::steady_clock::now() > until) return false;
  }
  return false;
}

bool BoundedHttpServer::process_and_close_socket(socket_t sock) {
  bool served = false;
  if (wait_for_request(sock)) {
    BoundedStream stream(sock, budget_, read_timeout_sec_, write_timeout_sec_);
    bool closed = false;
    served = process_request(stream, true, closed, nullptr);
  }
  shutdown(sock, SHUT_RDWR);
  close(sock);
  return served;
}
