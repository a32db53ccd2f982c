#include "files/atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "files/atomic_file_platform.h"
#include "files/file_kind.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

// Opens the name in `mode` and closes it again; when it cannot, errno says why. The paths are the
// system's narrow strings (the ANSI code page on Windows), so they go to the C library as they are.
bool can_open(const std::string& path, const char* mode) {
  std::FILE* probe = std::fopen(path.c_str(), mode);
  if (probe == nullptr) return false;
  std::fclose(probe);
  return true;
}

bool name_is_free(const std::string& path) {
  return !can_open(path, "rb") && errno == ENOENT;
}

// A file that a user or another program protected against writing must stay protected: the
// rename alone would replace it on some systems. Opening for update neither creates nor
// truncates.
bool target_writable(const std::string& path) {
  return can_open(path, "r+b") || errno == ENOENT;
}

// Some disks take the bytes into memory and fail only when they go on to the device (a network
// or thin-provisioned disk that is full, a failing stick): the write and the close both succeed.
// Only asking for the bytes to be on the device finds that out, and it must happen before the
// new file takes the old one's name, or a file that was never stored replaces a good one. It
// also means that after a power cut the name holds either the old bytes or the new ones.
bool flush_to_device(std::FILE* file) {
#ifdef _WIN32
  return _commit(_fileno(file)) == 0;
#else
  return fsync(fileno(file)) == 0;
#endif
}

bool write_all(std::FILE* file, const uint8_t* data, size_t size) {
  if (size > 0 && std::fwrite(data, 1, size, file) != size) return false;
  return std::fflush(file) == 0 && flush_to_device(file);
}

// A new file beside the target with `.tmp` and a number, made only under a name that nothing has
// yet: a file or a link that someone put there is neither overwritten nor written through.
std::FILE* create_temporary_beside(const SaveTarget& target, std::string& name) {
  for (int n = 0; n < 100; ++n) {
    name = target.path + ".tmp" + std::to_string(n);
    std::FILE* file = nullptr;
    switch (create_new_file(name, target, file)) {
      case NewFileResult::created:
        return file;
      case NewFileResult::name_taken:
        continue;
      case NewFileResult::failed:
        return nullptr;
    }
  }
  return nullptr;
}

// A name beside `path` with `suffix` and a number, not taken yet, so that no other file is
// overwritten.
std::string free_name_beside(const std::string& path, const char* suffix) {
  for (int n = 0; n < 100; ++n) {
    std::string candidate = path + suffix + std::to_string(n);
    if (name_is_free(candidate)) return candidate;
  }
  return {};
}

// Replaces the target in one step where the system can: POSIX rename always does, and
// std::filesystem::rename does on Windows (where std::rename refuses an existing target) for the
// names it can convert. Converting can throw; that only means the step is not available.
bool rename_in_one_step(const std::string& from, const std::string& to) {
  if (std::rename(from.c_str(), to.c_str()) == 0) return true;
  try {
    std::error_code error;
    std::filesystem::rename(std::filesystem::path(from), std::filesystem::path(to), error);
    return !error;
  } catch (...) {
    return false;
  }
}

// For names std::filesystem cannot carry over from the ANSI code page: the old file steps aside
// under a spare name, the new one takes its place, and only then is the old one removed. At every
// moment one complete copy of the old contents exists under some name.
bool rename_through_spare_name(const std::string& from, const std::string& to) {
  const std::string spare = free_name_beside(to, ".old");
  if (spare.empty() || std::rename(to.c_str(), spare.c_str()) != 0) return false;
  if (std::rename(from.c_str(), to.c_str()) != 0) {
    std::rename(spare.c_str(), to.c_str());
    return false;
  }
  std::remove(spare.c_str());
  return true;
}

void tell(std::string* reason, const std::string& text) {
  if (reason != nullptr) *reason = text;
}

// A FIFO or a device takes the bytes as a stream, as `cp` gives them: a rename would put a plain
// file in its place (as root, in place of /dev/null).
bool takes_a_stream(FileKind kind) {
  return kind == FileKind::fifo || kind == FileKind::character_device;
}

FileWriteResult write_stream(const std::string& path, const uint8_t* data, size_t size,
                             std::string* reason) {
  errno = 0;
  std::FILE* file = open_stream_target(path);
  if (file == nullptr) {
    tell(reason, errno == ENXIO ? "no program reads the FIFO" : system_reason(errno));
    return FileWriteResult::cannot_create;
  }
  bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
  written = std::fclose(file) == 0 && written;
  if (written) return FileWriteResult::ok;
  tell(reason, system_reason(errno));
  return FileWriteResult::write_failed;
}

// The file the name leads to, and what it is; false after saying why when nothing may be saved
// there.
bool examine(const std::string& path, SaveTarget& target, FileKind& kind, std::string* reason) {
  if (path.empty()) {
    tell(reason, system_reason(ENOENT));
    return false;
  }
  target = examine_save_target(path);
  if (target.refused) {
    tell(reason, system_reason(ELOOP));
    return false;
  }
  kind = target.exists ? file_kind(target.path) : FileKind::missing;
  return true;
}

// The first steps of replacing a file: it is writable, and a new temporary file beside it is
// made. Nothing is left behind when they fail. A folder, a socket or a block device is never
// replaced.
std::FILE* begin_replacement(const SaveTarget& target, FileKind kind, std::string& temporary,
                             std::string* reason) {
  if (kind != FileKind::regular && kind != FileKind::missing) {
    tell(reason, kind_reason(kind));
    return nullptr;
  }
  errno = 0;
  std::FILE* file = target_writable(target.path) ? create_temporary_beside(target, temporary)
                                                 : nullptr;
  if (file == nullptr) tell(reason, system_reason(errno));
  return file;
}

}  // namespace

FileWriteResult replace_file_contents(const std::string& path, const uint8_t* data, size_t size,
                                      std::string* reason) {
  SaveTarget target;
  FileKind kind = FileKind::missing;
  if (!examine(path, target, kind, reason)) return FileWriteResult::cannot_create;
  if (takes_a_stream(kind)) return write_stream(target.path, data, size, reason);
  std::string temporary;
  std::FILE* file = begin_replacement(target, kind, temporary, reason);
  if (file == nullptr) return FileWriteResult::cannot_create;

  errno = 0;
  bool written = write_all(file, data, size);
  written = (std::fclose(file) == 0) && written;
  if (!written || !(rename_in_one_step(temporary, target.path) ||
                    rename_through_spare_name(temporary, target.path))) {
    tell(reason, system_reason(errno));
    std::remove(temporary.c_str());
    return FileWriteResult::write_failed;
  }
  flush_folder_of(target.path);
  return FileWriteResult::ok;
}

FileWriteResult check_file_replaceable(const std::string& path, std::string* reason) {
  SaveTarget target;
  FileKind kind = FileKind::missing;
  if (!examine(path, target, kind, reason)) return FileWriteResult::cannot_create;
  if (takes_a_stream(kind)) {
    if (may_write_stream(target.path)) return FileWriteResult::ok;
    tell(reason, system_reason(errno));
    return FileWriteResult::cannot_create;
  }
  std::string temporary;
  std::FILE* file = begin_replacement(target, kind, temporary, reason);
  if (file == nullptr) return FileWriteResult::cannot_create;
  std::fclose(file);
  std::remove(temporary.c_str());
  return FileWriteResult::ok;
}

bool write_file_atomically(const std::string& path, const uint8_t* data, size_t size) {
  return replace_file_contents(path, data, size) == FileWriteResult::ok;
}

NewFileResult write_new_file(const std::string& path, const uint8_t* data, size_t size) {
  std::string temporary;
  std::FILE* file = create_temporary_beside(SaveTarget{path}, temporary);
  if (file == nullptr) return NewFileResult::failed;
  bool written = write_all(file, data, size);
  written = (std::fclose(file) == 0) && written;
  const NewFileResult result = written ? take_free_name(temporary, path) : NewFileResult::failed;
  if (result != NewFileResult::created) {
    std::remove(temporary.c_str());
    return result;
  }
  flush_folder_of(path);
  return result;
}
