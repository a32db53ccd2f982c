#include "files/file_kind.h"

#include <cctype>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace {

namespace fs = std::filesystem;

// Each kind that is not a plain file, as the system names it and as a message says it.
struct KindName {
  fs::file_type type;
  FileKind kind;
  const char* reason;
};
constexpr KindName KIND_NAMES[] = {
    {fs::file_type::directory, FileKind::directory, "is a directory"},
    {fs::file_type::fifo, FileKind::fifo, "is a FIFO"},
    {fs::file_type::socket, FileKind::socket, "is a socket"},
    {fs::file_type::character, FileKind::character_device, "is a character device"},
    {fs::file_type::block, FileKind::block_device, "is a block device"},
};

}  // namespace

FileKind file_kind(const std::string& path) {
  std::error_code error;
  fs::file_status status;
  // Converting a name the wide-character side cannot carry throws; opening then says more.
  try {
    status = fs::status(fs::path(path), error);
  } catch (...) {
    return FileKind::missing;
  }
  const fs::file_type type = status.type();
  if (error || type == fs::file_type::not_found || type == fs::file_type::none) {
    return FileKind::missing;
  }
  if (type == fs::file_type::regular) return FileKind::regular;
  for (const KindName& name : KIND_NAMES) {
    if (name.type == type) return name.kind;
  }
  return FileKind::other;
}

std::string kind_reason(FileKind kind) {
  if (kind == FileKind::missing || kind == FileKind::regular) return {};
  for (const KindName& name : KIND_NAMES) {
    if (name.kind == kind) return name.reason;
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
