#include "platform/file_chooser_win32.h"

#include <commdlg.h>

#include <vector>

namespace {

// OPENFILENAME's filter: "description\0pattern\0" pairs, ended by one more NUL.
std::vector<char> filter_string(const FileRequest& request) {
  std::vector<char> filter;
  for (const auto& [description, pattern] : request.filters) {
    filter.insert(filter.end(), description.begin(), description.end());
    filter.push_back('\0');
    filter.insert(filter.end(), pattern.begin(), pattern.end());
    filter.push_back('\0');
  }
  filter.push_back('\0');
  filter.push_back('\0');
  return filter;
}

}  // namespace

std::optional<std::string> Win32FileChooser::choose(const FileRequest& request) {
  if (request.capacity < 2) return std::nullopt;
  std::vector<char> path(request.capacity, '\0');
  // A preset name that would not fit is left out rather than cut short.
  if (request.initial_name.size() < request.capacity) {
    request.initial_name.copy(path.data(), request.initial_name.size());
  }
  std::vector<char> filter = filter_string(request);

  OPENFILENAMEA dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = owner_ != nullptr ? owner_ : GetActiveWindow();
  dialog.lpstrFilter = request.filters.empty() ? nullptr : filter.data();
  dialog.nFilterIndex = static_cast<DWORD>(request.filter_index);
  dialog.lpstrFile = path.data();
  dialog.nMaxFile = static_cast<DWORD>(request.capacity);
  dialog.lpstrDefExt =
      request.default_extension.empty() ? nullptr : request.default_extension.c_str();
  dialog.lpstrTitle = request.title.empty() ? nullptr : request.title.c_str();
  dialog.Flags = request.must_exist ? OFN_FILEMUSTEXIST : 0;

  BOOL chosen = request.save ? GetSaveFileNameA(&dialog) : GetOpenFileNameA(&dialog);
  // Cancel, a failed dialog and a path too long for the buffer all come back as FALSE.
  if (!chosen) return std::nullopt;
  path.back() = '\0';
  return std::string(path.data());
}
