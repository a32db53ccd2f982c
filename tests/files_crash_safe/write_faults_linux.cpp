#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "tests/files_crash_safe/private_mounts.h"
#include "tests/files_crash_safe/write_faults.h"

namespace fs = std::filesystem;

namespace {

void unmount_at_the_end(Scene& scene, const std::string& folder) {
  scene.undo.push_back([folder] { unmount(folder); });
}

constexpr const char* SMALL_DISK = "size=64k";

// Mounts a tmpfs on the new folder `name` in the scratch folder; "" or why not. Where this
// process cannot mount, the fault is skipped.
std::string mount_small_disk(Scene& scene, const std::string& name, const std::string& options) {
  if (!mounting_unavailable().empty()) {
    scene.skip_reason = "cannot mount here: " + mounting_unavailable();
    return scene.skip_reason;
  }
  const std::string folder = scene.make_folder(name);
  const std::string failed = mount_tmpfs(folder, options);
  if (failed.empty()) unmount_at_the_end(scene, folder);
  return failed;
}

std::string full_disk(Scene& scene, const Bytes& old_contents) {
  std::string failed = mount_small_disk(scene, "disk", SMALL_DISK);
  if (!failed.empty()) return failed;
  scene.place_old_file(scene.scratch.path("disk"), old_contents);
  return fill_the_disk(filler_of(scene));
}

// A disk with room for bytes but none for another file: the temporary file cannot be created.
std::string no_entries_left(Scene& scene, const Bytes& old_contents) {
  std::string failed = mount_small_disk(scene, "disk", "size=64k,nr_inodes=16");
  if (!failed.empty()) return failed;
  scene.place_old_file(scene.scratch.path("disk"), old_contents);
  const std::string fillers = scene.make_folder("disk/filler");
  for (int n = 0; n < 64; ++n) {
    std::FILE* file = std::fopen((fs::path(fillers) / std::to_string(n)).c_str(), "wb");
    if (file == nullptr) {
      return errno == ENOSPC ? "" : "filling the entries: " + std::string(std::strerror(errno));
    }
    std::fclose(file);
  }
  return "the disk still had entries left after 64 files";
}

std::string size_limit(Scene& scene, const Bytes& old_contents) {
  scene.place_old_file(scene.make_folder("disk"), old_contents);
  return "";
}

std::string nothing_to_lift(Scene&) {
  return "";
}

std::string read_only_disk(Scene& scene, const Bytes& old_contents) {
  std::string failed = mount_small_disk(scene, "disk", SMALL_DISK);
  if (!failed.empty()) return failed;
  scene.place_old_file(scene.scratch.path("disk"), old_contents);
  return remount(scene.watched, true, false);
}

std::string writable_disk(Scene& scene) {
  return remount(scene.watched, false, false);
}

// The earlier file may be written, the folder it lies in may not: a writable bind mount of the
// file inside a read-only view of its folder.
std::string read_only_folder(Scene& scene, const Bytes& old_contents) {
  std::string failed = mount_small_disk(scene, "disk", SMALL_DISK);
  if (!failed.empty()) return failed;
  const std::string disk = scene.scratch.path("disk");
  write_file_bytes((fs::path(disk) / scene.file_name).string(), old_contents);
  const std::string view = scene.make_folder("view");
  if (!(failed = bind_mount(disk, view)).empty()) return failed;
  unmount_at_the_end(scene, view);
  if (!(failed = remount(view, true, true)).empty()) return failed;
  scene.aim_at(view, old_contents);
  if (!(failed = bind_mount(disk + "/" + scene.file_name, scene.old_file)).empty()) return failed;
  unmount_at_the_end(scene, scene.old_file);
  return "";
}

std::string writable_folder(Scene& scene) {
  unmount(scene.old_file);
  return remount(scene.watched, false, true);
}

std::string immutable_file(Scene& scene, const Bytes& old_contents) {
  std::string failed = mount_small_disk(scene, "disk", SMALL_DISK);
  if (!failed.empty()) return failed;
  scene.place_old_file(scene.scratch.path("disk"), old_contents);
  return set_immutable(scene.old_file, true);
}

std::string mutable_file(Scene& scene) {
  return set_immutable(scene.old_file, false);
}

// A file that is a mount point cannot be renamed over or moved aside: the new file is written
// whole and then cannot take the old one's name, as when another program holds it.
std::string busy_file(Scene& scene, const Bytes& old_contents) {
  std::string failed = mount_small_disk(scene, "disk", SMALL_DISK);
  if (!failed.empty()) return failed;
  scene.place_old_file(scene.scratch.path("disk"), old_contents);
  if (!(failed = bind_mount(scene.old_file, scene.old_file)).empty()) return failed;
  unmount_at_the_end(scene, scene.old_file);
  return "";
}

std::string free_file(Scene& scene) {
  unmount(scene.old_file);
  return "";
}

// A disk that takes the bytes into memory and fails only when they go on to the device: an ext4
// image on a loop device whose backing store, a small tmpfs, is full, as a thin-provisioned or
// network disk that runs out of room. Writing and closing the file succeed; only a flush to the
// disk finds out.
std::string failing_write_back(Scene& scene, const Bytes& old_contents) {
  std::string failed = mount_small_disk(scene, "backing", "size=1m");
  if (!failed.empty()) return failed;
  const std::string disk = scene.make_folder("disk");
  scene.skip_reason = mount_ext4_image(scene.scratch.path("backing/disk.img"), 16ul << 20, disk);
  if (!scene.skip_reason.empty()) return scene.skip_reason;
  unmount_at_the_end(scene, disk);
  scene.place_old_file(disk, old_contents);
  if (!(failed = flush_file_system(disk)).empty()) return failed;
  return fill_the_disk(scene.scratch.path("backing/filler"));
}

std::string room_in_backing_store(Scene& scene) {
  return remove_everything_at(scene.scratch.path("backing/filler"));
}

}  // namespace

const std::vector<WriteFault> WRITE_FAULTS = {
    {"DiskFull", "disk full", full_disk, remove_filler, false, false},
    {"NoFileEntriesLeft", "disk out of file entries", no_entries_left, remove_filler, false, true},
    {"FileSizeLimit", "file size limit mid-write", size_limit, nothing_to_lift, true, false},
    {"ReadOnlyDisk", "read-only disk", read_only_disk, writable_disk, false, true},
    {"ReadOnlyFolder", "read-only folder, file writable", read_only_folder, writable_folder, false,
     true},
    {"ImmutableFile", "read-only file (immutable)", immutable_file, mutable_file, false, true},
    {"WriteBackFails", "disk full only on write-back", failing_write_back, room_in_backing_store,
     false, false},
    {"RenameRefused", "file in use, rename refused", busy_file, free_file, false, false},
    {"FolderAtTarget", "a folder has the file's name", folder_at_target, remove_folder_at_target,
     false, true},
    {"FolderVanished", "folder gone before the save", vanished_folder, folder_back, false, true},
};
