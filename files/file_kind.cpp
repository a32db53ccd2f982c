#include "files/file_kind.h"

#include <cctype>
#include <cstring>
#include <filesystem>
#include <system_error>

FileKind file_kind(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code error;
  fs::file_status status;
  // Converting a name the wide-character side cannot carry throws; opening then says more.
  try {
    status = fs::status(fs::path(path), error);
  } catch (...) {
    return FileKind::missing;
  }
  if (error) return FileKind::missing;
  switch (status.type()) {
    case fs::file_type::regular:
      return FileKind::regular;
    case fs::file_type::directory:
      return FileKind::directory;
    case fs::file_type::fifo:
      return FileKind::fifo;
    case fs::file_type::socket:
      return FileKind::socket;
    case fs::file_type::character:
      return FileKind::character_device;
    case fs::file_type::block:
      return FileKind::block_device;
    case fs::file_type::not_found:
    case fs::file_type::none:
      return FileKind::missing;
    default:
      return FileKind::other;
  }
}

std::string kind_reason(FileKind kind) {
  switch (kind) {
    case FileKind::missing:
    case FileKind::regular:
      return {};
    case FileKind::directory:
      return "is a directory";
    case FileKind::fifo:
      return "is a FIFO";
    case FileKind::socket:
      return "is a socket";
    case FileKind::character_device:
      return "is a character device";
    case FileKind::block_device:
      return "is a block device";
    case FileKind::other:
      break;
  }
  return "is not a regular file";
}

std::string system_reason(int error) {
  if (error == 0) return {};
  std::string text = std::strerror(error);
  // The system's sentence begins a message of its own; here it follows a colon.
  if (text.size() > 1 && std::isupper(static_cast<unsigned char>(text[0])) &&
      !std::isupper(static_cast<unsigned char>(text[1]))) {
    text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
  }
  return text;
}
