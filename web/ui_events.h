#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "web/box_edit.h"

// The largest file a page sends with a click. A settings file is 288 bytes. A programming file
// for the keyer's 16 KiB of program memory and as much again outside it (configuration words,
// data memory), written one byte a record, 15 characters a line with CR LF, is 491,520 bytes: the
// least dense file a tool writes for a full image fits in 512 KiB.
inline constexpr size_t MAX_PICKED_FILE = 512 * 1024;
// The largest request of events: such a file in base64, and room for what is queued beside it (a
// paste into a box, each character escaped).
inline constexpr size_t MAX_EVENTS_REQUEST = (MAX_PICKED_FILE + 2) / 3 * 4 + 256 * 1024;

// A file the user picked in the page, sent with the click that asked for it.
struct PickedFile {
  std::string name;  // the file's own name, without any folder
  std::string bytes;
};

// What a page asks of the window: one user action, for the ui thread to carry out in order.
struct UiEvent {
  enum class Kind {
    click,        // a button, check box or radio button (BN_CLICKED)
    select,       // a pick from a list (CBN_SELCHANGE)
    edit,         // typing into an edit box
    close,        // the close box of a dialog's title bar
    alert_ok,     // OK of the "Error" box
    save,         // a name given in the save prompt
    save_cancel,  // the save prompt cancelled
  };
  Kind kind = Kind::click;
  int dialog = 0;
  int id = 0;
  int index = -1;    // select
  BoxEdit edit;      // edit
  std::string name;  // save
  // click of "Read Config File" or "Load BIN File": the file picked, or none when the picker was
  // cancelled.
  std::optional<PickedFile> file;
  std::string client;  // the page that sent it
};

// A file's own name as a page may give it: no folder, nothing a path could misread, short enough
// for the window's 256-character path buffer once the private folder stands before it.
bool plain_file_name(const std::string& name);

// The events of one request: {"client": "...", "events": [...]}. On anything malformed it
// returns nothing and says why in `error`; a request is taken whole or not at all.
std::optional<std::vector<UiEvent>> parse_ui_events(const std::string& body, std::string& error);

// The events waiting for the ui thread, in the order they came.
class UiEventQueue {
 public:
  void push(std::vector<UiEvent> events);
  // The next event, waiting until `deadline` at most.
  std::optional<UiEvent> pop(std::chrono::steady_clock::time_point deadline);

 private:
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::deque<UiEvent> events_;
};
