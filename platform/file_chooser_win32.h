#pragma once

#include <windows.h>

#include "platform/file_chooser.h"

// GetOpenFileNameA / GetSaveFileNameA owned by `owner` (nullptr: the active window).
class Win32FileChooser : public FileChooser {
 public:
  explicit Win32FileChooser(HWND owner = nullptr) : owner_(owner) {}
  std::optional<std::string> choose(const FileRequest& request) override;

 private:
  HWND owner_;
};
