#include "web/ui_model.h"

#include <nlohmann/json.hpp>

#include "web/dialog_layout.h"

namespace {

using nlohmann::json;

// Enough for the bursts of a Read (every control of the panel and the boxes) many times over.
constexpr size_t KEPT_MESSAGES = 4096;
// A box's message carries its whole text (up to an edit box's 30,000 characters): the bytes are
// capped too, so that a run of long edits cannot pile up. A page that falls behind them gets the
// whole state instead.
constexpr size_t KEPT_BYTES = 4 * 1024 * 1024;

json state_json(const ControlState& s) {
  return {{"text", s.text},           {"checked", s.checked}, {"items", s.items},
          {"selection", s.selection}, {"visible", s.visible}, {"enabled", s.enabled},
          {"progress", s.progress},   {"live", s.live}};
}

json window_json(const PageWindow& w) {
  switch (w.kind) {
    case PageWindow::Kind::alert:
      return {{"kind", "alert"}, {"text", w.text}};
    case PageWindow::Kind::save_prompt:
      return {{"kind", "save"}, {"text", w.text}, {"extension", w.extension}};
    case PageWindow::Kind::dialog:
      break;
  }
  return {{"kind", "dialog"}, {"dialog", w.dialog_id}, {"caption", w.caption}};
}

std::string sse_event(const std::string& name, const std::string& data) {
  return (name.empty() ? "" : "event: " + name + "\n") + "data: " + data + "\n\n";
}

}  // namespace

void UiModel::open_dialog(int dialog_id) {
  const LayoutDialog* layout = find_dialog_layout(dialog_id);
  if (layout == nullptr) return;
  std::lock_guard<std::mutex> lock(mutex_);
  std::map<int, ControlState>& controls = dialogs_[dialog_id];
  controls.clear();
  for (const LayoutControl& c : layout->controls) {
    ControlState state;
    if (std::string(c.kind) != "edit" && std::string(c.kind) != "combo") state.text = c.text;
    state.visible = !starts_hidden(c);
    state.enabled = !starts_disabled(c);
    controls[c.id] = state;
  }
  for (const auto& [id, state] : controls) publish_control(dialog_id, id, std::nullopt, "");
  PageWindow window;
  window.dialog_id = dialog_id;
  window.caption = layout->caption;
  windows_.push_back(window);
  publish_windows();
}

void UiModel::push_window(const PageWindow& window) {
  std::lock_guard<std::mutex> lock(mutex_);
  windows_.push_back(window);
  publish_windows();
}

void UiModel::pop_window() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!windows_.empty()) windows_.pop_back();
  publish_windows();
}

void UiModel::set_caption(int dialog_id, const std::string& caption) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (PageWindow& window : windows_) {
    if (window.kind == PageWindow::Kind::dialog && window.dialog_id == dialog_id) {
      window.caption = caption;
    }
  }
  publish_windows();
}

std::optional<PageWindow> UiModel::top_window() const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (windows_.empty()) return std::nullopt;
  return windows_.back();
}

std::optional<ControlState> UiModel::control(int dialog_id, int control_id) const {
  std::lock_guard<std::mutex> lock(mutex_);
  const auto dialog = dialogs_.find(dialog_id);
  if (dialog == dialogs_.end()) return std::nullopt;
  const auto found = dialog->second.find(control_id);
  if (found == dialog->second.end()) return std::nullopt;
  return found->second;
}

ControlState* UiModel::find(int dialog_id, int control_id) {
  const auto dialog = dialogs_.find(dialog_id);
  if (dialog == dialogs_.end()) return nullptr;
  const auto found = dialog->second.find(control_id);
  return found == dialog->second.end() ? nullptr : &found->second;
}

bool UiModel::same(const ControlState& a, const ControlState& b) {
  return a.text == b.text && a.checked == b.checked && a.items == b.items &&
         a.selection == b.selection && a.visible == b.visible && a.enabled == b.enabled &&
         a.progress == b.progress && a.live == b.live;
}

void UiModel::publish_control(int dialog_id, int control_id, std::optional<size_t> caret,
                              const std::string& client) {
  json message = {{"type", "control"},
                  {"dialog", dialog_id},
                  {"id", control_id},
                  {"state", state_json(dialogs_[dialog_id][control_id])}};
  if (caret) {
    message["caret"] = *caret;
    message["client"] = client;
    if (message_room_) message["room"] = *message_room_;
  }
  append(message.dump());
}

void UiModel::publish_windows() {
  json stack = json::array();
  for (const PageWindow& window : windows_) stack.push_back(window_json(window));
  append(json{{"type", "windows"}, {"windows", stack}}.dump());
}

void UiModel::publish(const std::string& json_line) {
  std::lock_guard<std::mutex> lock(mutex_);
  append(json_line);
}

void UiModel::set_message_room(int bytes_left) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (message_room_ == bytes_left) return;
  message_room_ = bytes_left;
  append(json{{"type", "room"}, {"left", bytes_left}}.dump());
}

void UiModel::append(std::string message) {
  kept_bytes_ += message.size();
  messages_.emplace_back(++last_sequence_, std::move(message));
  while (messages_.size() > KEPT_MESSAGES || (kept_bytes_ > KEPT_BYTES && messages_.size() > 1)) {
    kept_bytes_ -= messages_.front().second.size();
    messages_.pop_front();
  }
  changed_.notify_all();
}

std::string UiModel::snapshot_locked(uint64_t& sequence) const {
  json dialogs = json::object();
  for (const auto& [dialog_id, controls] : dialogs_) {
    json states = json::object();
    for (const auto& [id, state] : controls) states[std::to_string(id)] = state_json(state);
    dialogs[std::to_string(dialog_id)] = states;
  }
  json stack = json::array();
  for (const PageWindow& window : windows_) stack.push_back(window_json(window));
  sequence = last_sequence_;
  json snapshot = {{"type", "snapshot"}, {"dialogs", dialogs}, {"windows", stack}};
  if (message_room_) snapshot["room"] = *message_room_;
  return snapshot.dump();
}

std::string UiModel::snapshot(uint64_t& sequence) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return snapshot_locked(sequence);
}

std::optional<std::string> UiModel::next_events(uint64_t& sequence, std::chrono::milliseconds wait,
                                                const std::atomic<bool>* dropped) {
  std::unique_lock<std::mutex> lock(mutex_);
  const uint64_t wakes = wakes_;
  changed_.wait_for(lock, wait, [&] {
    return closed_ || last_sequence_ > sequence || wakes_ != wakes ||
           (dropped != nullptr && dropped->load());
  });
  if (dropped != nullptr && dropped->load() && !closed_) return std::string();
  // What came before the end (the program's last word among it) still goes out.
  if (closed_ && last_sequence_ == sequence) return std::nullopt;
  std::string events;
  if (last_sequence_ == sequence) return events;
  // Messages the page has not seen were dropped: it starts again from the whole state.
  if (messages_.empty() || messages_.front().first > sequence + 1) {
    return sse_event("snapshot", snapshot_locked(sequence));
  }
  for (const auto& [number, message] : messages_) {
    if (number > sequence) events += sse_event("", message);
  }
  sequence = last_sequence_;
  return events;
}

void UiModel::wake() {
  // Under the lock, so that a stream between its check and its wait cannot miss it.
  std::lock_guard<std::mutex> lock(mutex_);
  ++wakes_;
  changed_.notify_all();
}

void UiModel::close() {
  std::lock_guard<std::mutex> lock(mutex_);
  closed_ = true;
  changed_.notify_all();
}
