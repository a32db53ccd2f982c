#pragma once

#include <optional>
#include <string>

// Who may use the page's server. It serves one user on one machine: every request must carry the
// token that `ostrel ui` printed (in the first page's address, then as a cookie), name the address
// served in its Host header (a page of another site, pointed here by its DNS, does not), and, if
// it changes anything (POST), come from the page itself (Origin). Only the page's own paths are
// served.

struct ServedAddress {
  std::string host_port;            // "127.0.0.1:8123", exactly as the Host header must read
  std::string token;                // 64 hex digits
  std::string cookie_name() const;  // one per port: a browser keeps cookies by host alone
  std::string origin() const { return "http://" + host_port; }
};

struct RequestFacts {
  std::string method;
  std::string path;
  std::string host;  // the Host header, "" when missing
  std::optional<std::string> origin;
  std::string cookie;                    // the Cookie header, "" when missing
  std::optional<std::string> url_token;  // ?token= of the first page
};

struct RequestVerdict {
  bool allowed = false;
  std::string refusal;              // one line, for the 403's body
  bool token_from_address = false;  // the first page: set the cookie, then go to "/"
};

RequestVerdict check_request(const ServedAddress& served, const RequestFacts& request);

// Equal texts, in a time that does not depend on where they differ.
bool same_secret(const std::string& a, const std::string& b);
