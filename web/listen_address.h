#pragma once

#include <string>

// The address `ostrel ui` listens on, from --listen HOST:PORT.
struct ListenAddress {
  std::string host_port;  // the host as a browser writes it, and the colon: "127.0.0.1:", "[::1]:"
  std::string bind_host;  // the same address without brackets, for bind
  int port = 0;           // 0: a free one
};

// HOST:PORT, HOST being a numeric IPv4 address or an IPv6 address in brackets: the one address
// the page is reached at. Every address at once is refused in whatever spelling the system's
// parser takes for it ("0", "0x0", "[::]", "[::ffff:0.0.0.0]"...): the Host check could hold
// requests to no one name there. False with the reason in `error`.
bool parse_listen_address(const std::string& text, ListenAddress& address, std::string& error);
