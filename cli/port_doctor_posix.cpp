// Why a port would not open on Linux and other POSIX systems: the errno of the failed step, and
// what the system shows of the device (its group, the processes that hold it, its UART).
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <utility>

#include "cli/open_failure.h"
#include "cli/port_list.h"
#include "link/platform_serial_port.h"

namespace fs = std::filesystem;

namespace {
using Cause = OpenFailure::Cause;

// A device is the same whatever node names it (a node of its own made with mknod, say): its
// device number tells. Any other file is the same by its inode.
bool same_file(const struct stat& a, const struct stat& b) {
  if (S_ISCHR(a.st_mode) && S_ISCHR(b.st_mode)) return a.st_rdev == b.st_rdev;
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool is_number(const std::string& text) {
  return !text.empty() && text.size() < 10 &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The processes other than this one with the device open, by pid: /proc/PID/fd holds a link to
// every file a process has open. Processes of other users are hidden from a user who is not root.
std::vector<std::pair<long, std::string>> holders_of(const std::string& path) {
  std::vector<std::pair<long, std::string>> holders;
  struct stat device {};
  if (::stat(path.c_str(), &device) != 0) return holders;
  std::error_code error;
  for (fs::directory_iterator it("/proc", error), end; !error && it != end; it.increment(error)) {
    const std::string pid_text = it->path().filename().string();
    if (!is_number(pid_text) || std::stol(pid_text) == ::getpid()) continue;
    std::error_code fd_error;
    for (fs::directory_iterator fd(it->path() / "fd", fd_error), fd_end; !fd_error && fd != fd_end;
         fd.increment(fd_error)) {
      struct stat file {};
      if (::stat(fd->path().c_str(), &file) != 0 || !same_file(file, device)) continue;
      std::string name;
      std::getline(std::ifstream(it->path() / "comm"), name);
      holders.emplace_back(std::stol(pid_text), name.empty() ? "a program" : name);
      break;
    }
  }
  std::sort(holders.begin(), holders.end());
  return holders;
}

std::string holder_text(const std::pair<long, std::string>& holder) {
  return holder.second + " (pid " + std::to_string(holder.first) + ")";
}

void explain_in_use(const std::string& path, OpenFailure& failure) {
  failure.cause = Cause::in_use;
  const auto holders = holders_of(path);
  if (holders.empty()) {
    failure.reason = "in use by another program";
    failure.hints.push_back(
        "close the program that has it open (a terminal program, another ostrel, or the "
        "utility under Wine) and try again");
    return;
  }
  std::string names, pids;
  for (const auto& holder : holders) {
    names += (names.empty() ? "" : ", ") + holder_text(holder);
    pids += " " + std::to_string(holder.first);
  }
  failure.reason = "in use by " + names;
  failure.hints.push_back("close it and try again, or end it: kill" + pids);
}

// The running user's name and primary group, from the user database.
struct User {
  std::string name;
  gid_t group = 0;
  bool known = false;
};

User this_user() {
  const passwd* entry = ::getpwuid(::getuid());
  if (!entry) return {};
  return {entry->pw_name, entry->pw_gid, true};
}

bool listed_in_group(const User& user, gid_t gid) {
  if (user.group == gid) return true;
  const group* entry = ::getgrgid(gid);
  if (!entry) return false;
  for (char** member = entry->gr_mem; *member; ++member) {
    if (user.name == *member) return true;
  }
  return false;
}

// A session takes its groups when it begins: a group given later is not among them yet.
bool session_has_group(gid_t gid) {
  if (::getegid() == gid) return true;
  std::vector<gid_t> groups(static_cast<size_t>(std::max(::getgroups(0, nullptr), 0)));
  const int count = ::getgroups(static_cast<int>(groups.size()), groups.data());
  return count > 0 && std::find(groups.begin(), groups.begin() + count, gid) != groups.end();
}

void explain_no_permission(const std::string& path, OpenFailure& failure) {
  failure.cause = Cause::no_permission;
  failure.reason = "permission denied";
  struct stat device {};
  if (::stat(path.c_str(), &device) != 0) {
    failure.hints.push_back("a folder on the way to " + path + " is closed to this user");
    return;
  }
  const group* entry = ::getgrgid(device.st_gid);
  const std::string group = entry ? entry->gr_name : std::to_string(device.st_gid);
  failure.reason += " (the device belongs to group " + group + ")";
  if (device.st_gid == 0) {
    failure.hints.push_back(
        "only root may open it: run ostrel with sudo, or have the device given to a group such "
        "as dialout (a udev rule)");
    return;
  }
  const bool group_may_use = (device.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
  const User user = this_user();
  const std::string name = user.known ? user.name : "\"$USER\"";
  if (!group_may_use) {
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(device.st_mode & 07777));
    failure.hints.push_back("its mode (" + std::string(mode) + ") does not let group " + group +
                            " read and write it: sudo chmod g+rw " + path +
                            " (the device gets its mode again when it is plugged in)");
  } else if (!user.known || !listed_in_group(user, device.st_gid)) {
    failure.hints.push_back("add yourself to that group: sudo usermod -aG " + group + " " + name);
    failure.hints.push_back("then log out and in again: a session takes its groups when it begins");
  } else if (!session_has_group(device.st_gid)) {
    failure.hints.push_back("you (" + name + ") are in group " + group +
                            ", but this session began before you were added: log out and in "
                            "again");
  } else {
    failure.hints.push_back("you are in group " + group +
                            " and it may read and write the device, so something else refuses "
                            "it (a security policy such as AppArmor or SELinux)");
  }
}

// A ttyS device that the kernel made though no UART is there: it opens with ENXIO or EIO.
bool no_uart_behind(const std::string& path) {
  std::error_code error;
  const fs::path device = fs::canonical(path, error);
  return !error && device.parent_path() == "/dev" && uart_absent("/", device.filename().string());
}

void explain_missing(const std::string& path, bool no_uart, OpenFailure& failure) {
  failure.cause = Cause::missing;
  failure.reason = "no such device";
  if (no_uart) {
    failure.reason += " (no UART is behind " + path + ")";
  } else if (path.rfind("/dev/serial/", 0) == 0) {
    // These names exist only while their adapter is plugged in.
    failure.reason += " (no adapter of that name is plugged in)";
  }
}
}  // namespace

OpenFailure diagnose_open_failure(const std::string& device, int system_error) {
  OpenFailure failure;
  const std::string path = posix_device_path(device);
  if (path != device) failure.system_name = path;
  const int e = system_error;
  const bool no_uart = no_uart_behind(path);
  if (e == ENOENT || e == ENXIO || e == ENODEV || (e == EIO && no_uart)) {
    explain_missing(path, no_uart, failure);
  } else if (e == EACCES || e == EPERM) {
    explain_no_permission(path, failure);
  } else if (e == EWOULDBLOCK || e == EAGAIN || e == EBUSY) {
    explain_in_use(path, failure);
  } else if (e == ENOTTY || e == EISDIR) {
    failure.cause = Cause::not_serial;
    failure.reason = "not a serial device";
  } else {
    failure.reason = std::strerror(e);
  }
  return failure;
}

std::vector<std::string> other_holders(const std::string& device) {
  std::vector<std::string> names;
  for (const auto& holder : holders_of(posix_device_path(device))) {
    names.push_back(holder_text(holder));
  }
  return names;
}
