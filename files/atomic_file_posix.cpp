#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <vector>

#include "files/atomic_file_platform.h"

namespace {

// Deeper than this, a chain of links is taken for a loop, as the system itself does.
constexpr int MAX_LINK_HOPS = 40;

std::string folder_of(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Where the link at `path` leads, or "" when it cannot be read.
std::string link_text(const std::string& path) {
  std::vector<char> buffer(256);
  for (;;) {
    const ssize_t length = readlink(path.c_str(), buffer.data(), buffer.size());
    if (length < 0) return {};
    if (static_cast<size_t>(length) < buffer.size()) return std::string(buffer.data(), length);
    buffer.resize(buffer.size() * 2);
  }
}

// Only root may give a file to someone else; the group alone may still be kept. Where neither is
// allowed the new file is ours, as any file saved anew.
bool keep_owner(int fd, const SaveTarget& like) {
  return fchown(fd, like.owner, like.group) == 0 || fchown(fd, -1, like.group) == 0;
}

}  // namespace

// A link is followed to the file it leads to, and that file is replaced: the link stays a link,
// as the user made it. A link that leads nowhere gets its file made, as an ordinary write would.
SaveTarget examine_save_target(const std::string& path) {
  SaveTarget target{path};
  for (int hops = 0;; ++hops) {
    struct stat info;
    // Missing, or not to be looked at: creating the file says what is wrong, if anything.
    if (lstat(target.path.c_str(), &info) != 0) return target;
    if (!S_ISLNK(info.st_mode)) {
      target.exists = true;
      target.permissions = info.st_mode & 0777;
      target.owner = info.st_uid;
      target.group = info.st_gid;
      return target;
    }
    const std::string leads_to = link_text(target.path);
    if (leads_to.empty() || hops == MAX_LINK_HOPS) {
      target.refused = true;
      return target;
    }
    target.path = leads_to[0] == '/' ? leads_to : folder_of(target.path) + leads_to;
  }
}

NewFileResult create_new_file(const std::string& path, const SaveTarget& like, std::FILE*& file) {
  // O_EXCL refuses any name that exists, a link that leads nowhere included; O_NOFOLLOW says so
  // twice. A file that replaces another starts private and then takes the old one's mode.
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                      like.exists ? 0600 : 0666);
  if (fd < 0) return errno == EEXIST ? NewFileResult::name_taken : NewFileResult::failed;
  if (like.exists) {
    keep_owner(fd, like);
    // A filesystem without modes (FAT) keeps its own, and the file stays private at worst.
    fchmod(fd, like.permissions);
  }
  file = fdopen(fd, "wb");
  if (file != nullptr) return NewFileResult::created;
  close(fd);
  unlink(path.c_str());
  return NewFileResult::failed;
}

// A folder that cannot be flushed (some network filesystems refuse) does not undo the save: the
// new file is complete and in place; only its survival of a power cut is less certain.
void flush_folder_of(const std::string& path) {
  std::string folder = folder_of(path);
  if (folder.empty()) folder = ".";
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

std::FILE* open_stream_target(const std::string& path) {
  const int fd = open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  // The reader is there; from now on a full pipe is waited on, as any writer waits.
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  std::FILE* file = fdopen(fd, "wb");
  if (file == nullptr) close(fd);
  return file;
}

bool may_write_stream(const std::string& path) {
  return access(path.c_str(), W_OK) == 0;
}

// A second name that cannot replace anything: link() fails on a name that exists.
NewFileResult take_free_name(const std::string& from, const std::string& to) {
  if (link(from.c_str(), to.c_str()) == 0) {
    unlink(from.c_str());
    return NewFileResult::created;
  }
#ifdef RENAME_NOREPLACE
  // A folder on FAT or exFAT (a memory stick, a shared partition) has no hard links; a rename
  // told not to replace does the same there.
  if (errno == EPERM || errno == EOPNOTSUPP || errno == ENOTSUP) {
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
      return NewFileResult::created;
    }
  }
#endif
  return errno == EEXIST ? NewFileResult::name_taken : NewFileResult::failed;
}
