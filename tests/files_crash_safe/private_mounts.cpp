#include "tests/files_crash_safe/private_mounts.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace {

std::string unavailable_reason = "the private mount namespace was not entered";

std::string failure(const std::string& call) {
  return call + ": " + std::strerror(errno);
}

bool write_proc_file(const std::string& path, const std::string& text) {
  std::ofstream out(path);
  out << text;
  out.flush();
  return static_cast<bool>(out);
}

// Without root: a user namespace of our own, in which this process is root and may mount.
std::string enter_user_namespace() {
  const uid_t uid = getuid();
  const gid_t gid = getgid();
  if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) return failure("unshare(user, mount)");
  if (!write_proc_file("/proc/self/setgroups", "deny") ||
      !write_proc_file("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") ||
      !write_proc_file("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1")) {
    return "mapping this user into the user namespace failed";
  }
  return "";
}

bool run_quietly(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

}  // namespace

std::string enter_private_mount_namespace() {
  std::string reason;
  if (unshare(CLONE_NEWNS) != 0) {
    const std::string as_root = failure("unshare(mount)");
    reason = enter_user_namespace();
    if (!reason.empty()) reason = as_root + "; " + reason;
  }
  // Our mounts must not travel back to the shared tree through a shared root.
  if (reason.empty() && mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
    reason = failure("making / private");
  }
  unavailable_reason = reason;
  return reason;
}

const std::string& mounting_unavailable() {
  return unavailable_reason;
}

std::string mount_tmpfs(const std::string& folder, const std::string& options) {
  if (mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) != 0) {
    return failure("mount tmpfs -o " + options);
  }
  return "";
}

std::string bind_mount(const std::string& from, const std::string& onto) {
  if (mount(from.c_str(), onto.c_str(), nullptr, MS_BIND, nullptr) != 0) {
    return failure("mount --bind");
  }
  return "";
}

std::string remount(const std::string& folder, bool read_only, bool bind) {
  unsigned long flags = MS_REMOUNT | (read_only ? MS_RDONLY : 0) | (bind ? MS_BIND : 0);
  if (mount(nullptr, folder.c_str(), nullptr, flags, nullptr) != 0) {
    return failure(read_only ? "remount read-only" : "remount writable");
  }
  return "";
}

void unmount(const std::string& folder) {
  umount2(folder.c_str(), MNT_DETACH);
}

std::string mount_ext4_image(const std::string& image, unsigned long bytes,
                             const std::string& folder) {
  std::error_code error;
  { std::ofstream create(image); }
  std::filesystem::resize_file(image, bytes, error);
  if (error) return "making the image: " + error.message();
  // No journal and no inode tables written up front: the image stays small in its backing store.
  // Blocks of a page each, so that a new file never lands in a page the store already holds.
  if (!run_quietly("mkfs.ext4 -q -F -b 4096 -O ^has_journal -E lazy_itable_init=1,nodiscard " +
                   image)) {
    return "mkfs.ext4 could not format an image";
  }
  // mount(8) takes a free loop device and lets it go when the file system is unmounted.
  if (!run_quietly("mount -o loop " + image + " " + folder)) {
    return "no loop device to mount an image on";
  }
  return "";
}

std::string flush_file_system(const std::string& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return failure("open " + folder);
  const std::string result = syncfs(fd) == 0 ? "" : failure("syncfs " + folder);
  close(fd);
  return result;
}

std::string set_immutable(const std::string& path, bool immutable) {
  const int fd = open(path.c_str(), O_RDONLY);
  if (fd < 0) return failure("open " + path);
  int flags = 0;
  std::string result;
  if (ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0) {
    result = failure("reading the file's flags");
  } else {
    flags = immutable ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    if (ioctl(fd, FS_IOC_SETFLAGS, &flags) != 0) result = failure("setting the immutable flag");
  }
  close(fd);
  return result;
}
