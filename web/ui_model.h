#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/recording_controls.h"

// What the page shows: the state of every control of the open dialogs and the stack of windows
// (dialogs, the "Error" box, the save prompt), changed by the ui thread alone. Each change is
// published at once, as one line of JSON, to every page that follows the events; a page that
// comes, or falls too far behind, gets the whole state at once.

// Text, check mark, list, selection, visibility, enabled state, progress and whether a screen
// reader is told of its texts, as the recording controls keep them.
using ControlState = RecordingControls::Control;

// One window of the page, topmost last: only the topmost takes events.
struct PageWindow {
  enum class Kind { dialog, alert, save_prompt };
  Kind kind = Kind::dialog;
  int dialog_id = 0;      // dialog: the template (1001 ...)
  std::string caption;    // dialog: its title
  std::string text;       // alert: the message; save prompt: the file type's description
  std::string extension;  // save prompt: the default extension
};

class UiModel {
 public:
  // Controls of a dialog, reset to the template as the window would create them, and the dialog
  // on top of the stack.
  void open_dialog(int dialog_id);
  void push_window(const PageWindow& window);
  void pop_window();
  void set_caption(int dialog_id, const std::string& caption);
  std::optional<PageWindow> top_window() const;

  // The control's state, or nothing for an id the dialog's template does not have.
  std::optional<ControlState> control(int dialog_id, int control_id) const;
  // Applies `change` to the control and publishes it when it changed anything. `caret` (a place
  // in the text, as the page counts it) and `client` tell the page that typed where its caret
  // goes. Ids the template does not have are ignored, as the window ignores them.
  template <typename Change>
  void change_control(int dialog_id, int control_id, Change change,
                      std::optional<size_t> caret = std::nullopt, const std::string& client = "") {
    std::lock_guard<std::mutex> lock(mutex_);
    ControlState* state = find(dialog_id, control_id);
    if (state == nullptr) return;
    ControlState before = *state;
    change(*state);
    if (caret || !same(before, *state)) publish_control(dialog_id, control_id, caret, client);
  }

  // A message for the pages beside the control changes (a download, the end of the program).
  void publish(const std::string& json_line);

  // The bytes the message boxes can still take, published when it changes and sent with every
  // answer to typing, so that a page keeps out as it is typed what the filter would refuse.
  void set_message_room(int bytes_left);

  // For the event streams: the whole state with the number of the last message in it.
  std::string snapshot(uint64_t& sequence) const;
  // Waits up to `wait` for messages after `sequence` and returns them (one SSE event each), or a
  // fresh snapshot when the page has missed messages no longer kept. Empty after the wait, after a
  // wake or once `*dropped` is set; nothing once the model is closed.
  std::optional<std::string> next_events(uint64_t& sequence, std::chrono::milliseconds wait,
                                         const std::atomic<bool>* dropped = nullptr);
  // Wakes every stream waiting in next_events: one whose `dropped` was set ends at once, and each
  // of the others looks whether its page is still there.
  void wake();
  void close();

 private:
  ControlState* find(int dialog_id, int control_id);
  static bool same(const ControlState& a, const ControlState& b);
  void publish_control(int dialog_id, int control_id, std::optional<size_t> caret,
                       const std::string& client);
  void publish_windows();
  void append(std::string message);
  std::string snapshot_locked(uint64_t& sequence) const;

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::map<int, std::map<int, ControlState>> dialogs_;
  std::vector<PageWindow> windows_;
  std::deque<std::pair<uint64_t, std::string>> messages_;  // the most recent, numbered
  size_t kept_bytes_ = 0;                                  // the texts of messages_
  uint64_t last_sequence_ = 0;
  uint64_t wakes_ = 0;
  bool closed_ = false;
  std::optional<int> message_room_;
};
