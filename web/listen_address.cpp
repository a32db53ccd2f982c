#include "web/listen_address.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <charconv>
#include <cstring>
#include <memory>

namespace {

using AddressList = std::unique_ptr<addrinfo, void (*)(addrinfo*)>;

// The address `host` spells, by the system's own parser and no name lookup, as the server's bind
// will read it: IPv4 in every form inet_aton takes (0x7f.1, 0177.0.0.1), IPv6 when bracketed.
AddressList numeric_address(const std::string& host, bool bracketed) {
  addrinfo hints{};
  hints.ai_family = bracketed ? AF_INET6 : AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICHOST;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0) found = nullptr;
  return AddressList(found, [](addrinfo* list) {
    if (list != nullptr) freeaddrinfo(list);
  });
}

}  // namespace

bool parse_listen_address(const std::string& text, ListenAddress& address, std::string& error) {
  const size_t colon = text.rfind(':');
  if (colon == std::string::npos || colon == 0 || colon + 1 == text.size()) {
    error = "--listen takes HOST:PORT, such as 127.0.0.1:8080";
    return false;
  }
  int port = 0;
  const char* digits = text.data() + colon + 1;
  const char* end = text.data() + text.size();
  const auto [stop, failure] = std::from_chars(digits, end, port);
  if (failure != std::errc() || stop != end || port < 0 || port > 65535) {
    error = "--listen: the port is a number from 0 to 65535";
    return false;
  }
  std::string host = text.substr(0, colon);
  const bool bracketed = host.size() >= 2 && host.front() == '[' && host.back() == ']';
  if (bracketed) host = host.substr(1, host.size() - 2);
  const AddressList parsed = numeric_address(host, bracketed);
  if (!parsed) {
    error = host.find(':') != std::string::npos && !bracketed
                ? "--listen: write an IPv6 address in brackets, such as [::1]:8080"
                : "--listen: " + host +
                      " is not an address; give it in numbers, such as 127.0.0.1 or [::1]";
    return false;
  }

  // An IPv4 address written as IPv6 (::ffff:a.b.c.d) is that IPv4 address: a browser connects to
  // it and names it in its Host header so.
  in_addr v4{};
  in6_addr v6{};
  bool is_v4 = !bracketed;
  if (is_v4) {
    v4 = reinterpret_cast<const sockaddr_in*>(parsed->ai_addr)->sin_addr;
  } else {
    const auto* six = reinterpret_cast<const sockaddr_in6*>(parsed->ai_addr);
    v6 = six->sin6_addr;
    if (six->sin6_scope_id != 0) {
      error = "--listen: an address with a zone (%) cannot be written in a browser's address bar";
      return false;
    }
    if (IN6_IS_ADDR_V4MAPPED(&v6)) {
      is_v4 = true;
      std::memcpy(&v4, &v6.s6_addr[12], sizeof v4);
    }
  }
  // Every address at once has no one name that the Host check could hold requests to.
  if ((is_v4 && v4.s_addr == htonl(INADDR_ANY)) || (!is_v4 && IN6_IS_ADDR_UNSPECIFIED(&v6))) {
    error = "--listen: name the address the page will be reached at, not " + host +
            " (every address of this machine)";
    return false;
  }

  char canonical[INET6_ADDRSTRLEN] = {};
  if (is_v4) {
    inet_ntop(AF_INET, &v4, canonical, sizeof canonical);
  } else {
    inet_ntop(AF_INET6, &v6, canonical, sizeof canonical);
  }
  address.bind_host = canonical;
  address.host_port = is_v4 ? address.bind_host + ":" : "[" + address.bind_host + "]:";
  address.port = port;
  return true;
}
