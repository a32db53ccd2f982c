#pragma once

#include <string>

// Real file systems that refuse writes: a small tmpfs, a read-only remount, a bind mount. They
// live in a mount namespace of this test process alone, so no other process sees them and the
// kernel drops them all when the process ends, whatever way it ends.
//
// Every function returns "" on success, or what failed (the call and the system's reason).

// Enters the private namespace: directly as root, else as root of a new user namespace. Must run
// before the process starts a thread. Its result is kept for mounting_unavailable().
std::string enter_private_mount_namespace();
// Why mounting cannot be used here, or "" when it can.
const std::string& mounting_unavailable();

std::string mount_tmpfs(const std::string& folder, const std::string& options);
std::string bind_mount(const std::string& from, const std::string& onto);
// Flips a mount between read-only and writable; `bind` for a bind mount.
std::string remount(const std::string& folder, bool read_only, bool bind);
// Detaches the mount at `folder` (quietly nothing when there is none).
void unmount(const std::string& folder);

// Makes an ext4 file system of `bytes` in a new sparse file `image` and mounts it at `folder`
// through a loop device, which goes again when the mount does.
std::string mount_ext4_image(const std::string& image, unsigned long bytes,
                             const std::string& folder);
// Writes everything the file system at `folder` holds in memory to its device.
std::string flush_file_system(const std::string& folder);

// The file's immutable flag, which stops root as well (chattr +i).
std::string set_immutable(const std::string& path, bool immutable);
