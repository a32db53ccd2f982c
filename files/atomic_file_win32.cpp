#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "files/atomic_file_platform.h"

namespace {

// What a replacement keeps of the old file; read-only is not among them, since such a file is
// never replaced.
constexpr DWORD KEPT_ATTRIBUTES = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

bool is_link(const std::string& path) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(path.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  return found.dwReserved0 == IO_REPARSE_TAG_SYMLINK ||
         found.dwReserved0 == IO_REPARSE_TAG_MOUNT_POINT;
}

}  // namespace

// Renaming over a symbolic link replaces the link itself with a plain file, so a link is refused.
// Other reparse points (files kept in the cloud, say) are ordinary files to the user.
SaveTarget examine_save_target(const std::string& path) {
  SaveTarget target{path};
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return target;
  target.exists = true;
  target.permissions = attributes & KEPT_ATTRIBUTES;
  target.refused = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && is_link(path);
  return target;
}

NewFileResult create_new_file(const std::string& path, const SaveTarget& like, std::FILE*& file) {
  // CREATE_NEW fails on any name that exists, so nothing is written through someone else's file.
  const DWORD attributes = like.permissions != 0 ? like.permissions : FILE_ATTRIBUTE_NORMAL;
  HANDLE handle =
      CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, attributes, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ? NewFileResult::name_taken
                                                                       : NewFileResult::failed;
  }
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
  if (fd < 0) {
    CloseHandle(handle);
  } else {
    file = _fdopen(fd, "wb");
    if (file != nullptr) return NewFileResult::created;
    _close(fd);
  }
  DeleteFileA(path.c_str());
  return NewFileResult::failed;
}

// The rename is written through on NTFS; there is no folder to flush.
void flush_folder_of(const std::string&) {}

// NUL and the console are the devices a name can reach here; there are no FIFOs to wait on.
std::FILE* open_stream_target(const std::string& path) {
  return std::fopen(path.c_str(), "wb");
}

bool may_write_stream(const std::string&) {
  return true;
}

// Without MOVEFILE_REPLACE_EXISTING the move fails on a name that exists.
NewFileResult take_free_name(const std::string& from, const std::string& to) {
  if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH)) return NewFileResult::created;
  const DWORD error = GetLastError();
  return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ? NewFileResult::name_taken
                                                                     : NewFileResult::failed;
}
