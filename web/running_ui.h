#pragma once

#include <optional>
#include <string>

// One `ostrel ui` for a user who starts it from the menu: the running one leaves its page's
// address in a file only that user can read, and a later start opens that page instead of
// serving a second one that would fight over the keyer's port.

// $XDG_RUNTIME_DIR/ostrel/ui-running.json (a folder of the user's own, emptied at logout); without
// one, beside ui.json in the config folder. "" when there is neither.
std::string running_ui_path();

// Held while a start looks for a running one and, finding none, starts serving and records
// itself, so that two starts at once (a double click) make one server.
class RunningUiLock {
 public:
  explicit RunningUiLock(const std::string& record_path);
  ~RunningUiLock();
  RunningUiLock(const RunningUiLock&) = delete;
  RunningUiLock& operator=(const RunningUiLock&) = delete;

 private:
  int fd_ = -1;
};

// The page's address in the record, when the record is this user's alone (owned, mode 600, not a
// link), its process runs and the server there answers to its token; nothing otherwise.
std::optional<std::string> running_ui_address(const std::string& record_path);
// Records this process's page (replacing the file whole, mode 600); false when it cannot.
bool record_running_ui(const std::string& record_path, const std::string& url);
// Removes the record if it is still this process's.
void forget_running_ui(const std::string& record_path);
