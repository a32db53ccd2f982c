#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_chooser.h"

// Answers each file dialog with the next scripted answer (a path, or nothing for a cancel) and
// keeps every request it was given. With no answer left it cancels.
class ScriptedFileChooser : public FileChooser {
 public:
  std::optional<std::string> choose(const FileRequest& request) override;

  void answer(const std::string& path) { answers.emplace_back(path); }
  void cancel() { answers.emplace_back(std::nullopt); }

  std::deque<std::optional<std::string>> answers;
  std::vector<FileRequest> requests;
};
