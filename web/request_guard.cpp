#include "web/request_guard.h"

#include <cctype>

namespace {

// The paths the page uses, and nothing else: no files, no listing.
bool served_path(const std::string& method, const std::string& path) {
  if (method == "POST") return path == "/api/events";
  if (method != "GET" && method != "HEAD") return false;
  if (path == "/" || path == "/app.js" || path == "/app.css" || path == "/layout.json" ||
      path == "/favicon.ico" || path == "/events") {
    return true;
  }
  const std::string downloads = "/download/";
  if (path.rfind(downloads, 0) != 0 || path.size() == downloads.size() ||
      path.size() > downloads.size() + 9) {
    return false;
  }
  for (size_t i = downloads.size(); i < path.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(path[i]))) return false;
  }
  return true;
}

// The value of cookie `name` in a Cookie header, or nothing.
std::optional<std::string> cookie_value(const std::string& header, const std::string& name) {
  size_t at = 0;
  while (at < header.size()) {
    const size_t end = std::min(header.find(';', at), header.size());
    size_t start = at;
    while (start < end && header[start] == ' ') ++start;
    const std::string pair = header.substr(start, end - start);
    if (pair.size() > name.size() && pair.compare(0, name.size(), name) == 0 &&
        pair[name.size()] == '=') {
      return pair.substr(name.size() + 1);
    }
    at = end + 1;
  }
  return std::nullopt;
}

RequestVerdict refuse(const std::string& why) {
  return {false, why, false};
}

}  // namespace

std::string ServedAddress::cookie_name() const {
  const size_t colon = host_port.rfind(':');
  return "ostrel_ui_" + (colon == std::string::npos ? "" : host_port.substr(colon + 1));
}

bool same_secret(const std::string& a, const std::string& b) {
  unsigned char difference = a.size() == b.size() ? 0 : 1;
  for (size_t i = 0; i < a.size(); ++i) {
    difference |= static_cast<unsigned char>(a[i] ^ (b.empty() ? 0 : b[i % b.size()]));
  }
  return difference == 0;
}

RequestVerdict check_request(const ServedAddress& served, const RequestFacts& request) {
  if (request.host != served.host_port) {
    return refuse("refused: the Host header is not the address this server serves");
  }
  if (!served_path(request.method, request.path)) {
    return refuse("refused: " + request.method + " " + request.path + " is not served here");
  }
  bool from_address = false;
  std::optional<std::string> token = cookie_value(request.cookie, served.cookie_name());
  if (request.url_token && request.method != "POST" && request.path == "/") {
    token = request.url_token;
    from_address = true;
  }
  if (!token) return refuse("refused: no token (open the address that ostrel ui printed)");
  if (!same_secret(*token, served.token)) return refuse("refused: wrong token");
  if (request.method == "POST" && request.origin != served.origin()) {
    return refuse("refused: the request does not come from this page (Origin)");
  }
  return {true, "", from_address};
}
