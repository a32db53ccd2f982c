#include "web/ui_events.h"

#include <algorithm>
#include <cstdint>
#include <nlohmann/json.hpp>

namespace {

using nlohmann::json;

constexpr size_t MAX_FILE_NAME = 120;

int sextet(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

bool decode_base64(const std::string& text, std::string& bytes) {
  if (text.size() % 4 != 0) return false;
  for (size_t i = 0; i < text.size(); i += 4) {
    const bool last = i + 4 == text.size();
    uint32_t bits = 0;
    int padding = 0;
    for (size_t k = 0; k < 4; ++k) {
      const char c = text[i + k];
      // '=' pads only the end of the last group: "xx==" or "xxx=".
      const bool pad = c == '=' && last && k >= 2 && (k == 3 || text[i + 3] == '=');
      const int value = pad ? 0 : sextet(c);
      if (value < 0 || (padding > 0 && !pad)) return false;
      padding += pad ? 1 : 0;
      bits = bits << 6 | static_cast<uint32_t>(value);
    }
    bytes.push_back(static_cast<char>(bits >> 16));
    if (padding < 2) bytes.push_back(static_cast<char>(bits >> 8));
    if (padding < 1) bytes.push_back(static_cast<char>(bits));
  }
  return true;
}

bool read_int(const json& event, const char* key, int& value) {
  const auto found = event.find(key);
  if (found == event.end() || !found->is_number_integer()) return false;
  const auto number = found->get<long long>();
  if (number < -1 || number > 65535) return false;
  value = static_cast<int>(number);
  return true;
}

bool read_place(const json& event, const char* key, size_t& value) {
  const auto found = event.find(key);
  if (found == event.end() || !found->is_number_unsigned()) return false;
  value =
      static_cast<size_t>(std::min<unsigned long long>(found->get<unsigned long long>(), 1u << 20));
  return true;
}

bool read_string(const json& event, const char* key, std::string& value) {
  const auto found = event.find(key);
  if (found == event.end() || !found->is_string()) return false;
  value = found->get<std::string>();
  return true;
}

struct KindName {
  const char* name;
  UiEvent::Kind kind;
};
constexpr KindName KINDS[] = {
    {"click", UiEvent::Kind::click},
    {"select", UiEvent::Kind::select},
    {"edit", UiEvent::Kind::edit},
    {"close", UiEvent::Kind::close},
    {"alert-ok", UiEvent::Kind::alert_ok},
    {"save", UiEvent::Kind::save},
    {"save-cancel", UiEvent::Kind::save_cancel},
};

// One event, or a reason why not.
std::optional<UiEvent> read_event(const json& item, std::string& error) {
  UiEvent event;
  std::string kind;
  if (!item.is_object() || !read_string(item, "kind", kind)) {
    error = "an event without a kind";
    return std::nullopt;
  }
  const auto known = std::find_if(std::begin(KINDS), std::end(KINDS),
                                  [&](const KindName& k) { return kind == k.name; });
  if (known == std::end(KINDS)) {
    error = "an event of unknown kind \"" + kind + "\"";
    return std::nullopt;
  }
  event.kind = known->kind;
  using Kind = UiEvent::Kind;
  const bool on_control =
      event.kind == Kind::click || event.kind == Kind::select || event.kind == Kind::edit;
  if ((on_control || event.kind == Kind::close) && !read_int(item, "dialog", event.dialog)) {
    error = kind + " without a dialog";
    return std::nullopt;
  }
  if (on_control && !read_int(item, "id", event.id)) {
    error = kind + " without a control id";
    return std::nullopt;
  }
  if (event.kind == Kind::select && !read_int(item, "index", event.index)) {
    error = "select without an index";
    return std::nullopt;
  }
  if (event.kind == Kind::edit &&
      !(read_place(item, "start", event.edit.start) && read_place(item, "end", event.edit.end) &&
        read_string(item, "insert", event.edit.insert))) {
    error = "edit without start, end and insert";
    return std::nullopt;
  }
  if (event.kind == Kind::save && (!read_string(item, "name", event.name) || event.name.empty())) {
    error = "save without a name";
    return std::nullopt;
  }
  if (const auto file = item.find("file"); file != item.end() && !file->is_null()) {
    PickedFile picked;
    std::string data;
    if (!file->is_object() || !read_string(*file, "name", picked.name) ||
        !read_string(*file, "data", data)) {
      error = "a file without a name and base64 data";
      return std::nullopt;
    }
    if (data.size() > (MAX_PICKED_FILE + 2) / 3 * 4) {
      error = "a file larger than " + std::to_string(MAX_PICKED_FILE / 1024) +
              " KiB, more than a settings or programming file holds";
      return std::nullopt;
    }
    if (!decode_base64(data, picked.bytes)) {
      error = "a file without a name and base64 data";
      return std::nullopt;
    }
    if (!plain_file_name(picked.name)) {
      error = "a file name that is not a plain name";
      return std::nullopt;
    }
    event.file = std::move(picked);
  }
  return event;
}

}  // namespace

bool plain_file_name(const std::string& name) {
  if (name.empty() || name.size() > MAX_FILE_NAME || name == "." || name == "..") return false;
  for (const char c : name) {
    if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 32) return false;
  }
  return true;
}

std::optional<std::vector<UiEvent>> parse_ui_events(const std::string& body, std::string& error) {
  const json request = json::parse(body, nullptr, false);
  if (request.is_discarded() || !request.is_object()) {
    error = "the body is not a JSON object";
    return std::nullopt;
  }
  std::string client;
  read_string(request, "client", client);
  const auto events = request.find("events");
  if (events == request.end() || !events->is_array()) {
    error = "no list of events";
    return std::nullopt;
  }
  std::vector<UiEvent> parsed;
  for (const json& item : *events) {
    std::optional<UiEvent> event = read_event(item, error);
    if (!event) return std::nullopt;
    event->client = client;
    parsed.push_back(std::move(*event));
  }
  return parsed;
}

void UiEventQueue::push(std::vector<UiEvent> events) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (UiEvent& event : events) events_.push_back(std::move(event));
  }
  arrived_.notify_one();
}

std::optional<UiEvent> UiEventQueue::pop(std::chrono::steady_clock::time_point deadline) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (!arrived_.wait_until(lock, deadline, [&] { return !events_.empty(); })) return std::nullopt;
  UiEvent event = std::move(events_.front());
  events_.pop_front();
  return event;
}
