#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

// What a file dialog is asked for. Win32: GetOpenFileNameA / GetSaveFileNameA
// (platform/file_chooser_win32.cpp); tests: a scripted fake.
struct FileRequest {
  bool save = false;
  std::vector<std::pair<std::string, std::string>> filters;  // (description, pattern)
  int filter_index = 1;                                      // 1-based, as OPENFILENAME has it
  std::string default_extension;                             // without the dot; "" for none
  std::string title;                                         // "" for the system's default
  std::string initial_name;                                  // preset into the name box
  bool must_exist = false;                                   // OFN_FILEMUSTEXIST
  size_t capacity = 256;  // characters of the path buffer, terminator included
};

class FileChooser {
 public:
  virtual ~FileChooser() = default;
  // The chosen path, or nothing when the user cancelled or the dialog failed (a path that does
  // not fit the request's capacity counts as no choice).
  virtual std::optional<std::string> choose(const FileRequest& request) = 0;
};
