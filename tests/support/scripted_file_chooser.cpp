#include "tests/support/scripted_file_chooser.h"

std::optional<std::string> ScriptedFileChooser::choose(const FileRequest& request) {
  requests.push_back(request);
  if (answers.empty()) return std::nullopt;
  std::optional<std::string> next = answers.front();
  answers.pop_front();
  // Like the real dialogs: a path that does not fit the buffer is no choice.
  if (next && next->size() + 1 > request.capacity) return std::nullopt;
  return next;
}
