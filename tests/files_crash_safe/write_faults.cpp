#include "tests/files_crash_safe/write_faults.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "tests/files_crash_safe/private_mounts.h"

namespace fs = std::filesystem;

Scene::~Scene() {
  for (auto mount = mounts.rbegin(); mount != mounts.rend(); ++mount) unmount(*mount);
}

std::string Scene::make_folder(const std::string& name) {
  const std::string folder = scratch.path(name);
  fs::create_directories(folder);
  return folder;
}

std::string Scene::mount_small_disk(const std::string& name, const std::string& options) {
  const std::string folder = make_folder(name);
  const std::string failed = mount_tmpfs(folder, options);
  if (failed.empty()) mounts.push_back(folder);
  return failed;
}

void Scene::aim_at(const std::string& folder, const Bytes& contents) {
  watched = folder;
  target = old_file = (fs::path(folder) / file_name).string();
  old_contents = contents;
}

void Scene::place_old_file(const std::string& folder, const Bytes& contents) {
  aim_at(folder, contents);
  write_file_bytes(old_file, contents);
}

std::vector<std::string> everything_below(const std::string& folder) {
  std::vector<std::string> paths;
  std::error_code error;
  for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    paths.push_back(fs::relative(it->path(), folder).string());
  }
  std::sort(paths.begin(), paths.end());
  return paths;
}

namespace {

constexpr const char* SMALL_DISK = "size=64k";

std::string filler_of(const Scene& scene) {
  return (fs::path(scene.watched) / "filler").string();
}

// Writes into one more file until the disk refuses a byte more.
std::string fill_the_disk(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return std::string("creating the filler: ") + std::strerror(errno);
  const std::vector<char> chunk(1024, 'F');
  int refusal = 0;
  for (int n = 0; n < 4096 && refusal == 0; ++n) {
    if (std::fwrite(chunk.data(), 1, chunk.size(), file) != chunk.size() ||
        std::fflush(file) != 0) {
      refusal = errno;
    }
  }
  std::fclose(file);
  if (refusal != ENOSPC) return "the disk did not fill up: " + std::string(std::strerror(refusal));
  return "";
}

std::string full_disk(Scene& scene, const Bytes& old_contents) {
  std::string failed = scene.mount_small_disk("disk", SMALL_DISK);
  if (!failed.empty()) return failed;
  scene.place_old_file(scene.mounts.back(), old_contents);
  return fill_the_disk(filler_of(scene));
}

std::string remove_filler(Scene& scene) {
  std::error_code error;
  fs::remove(filler_of(scene), error);
  return error ? "removing the filler: " + error.message() : "";
}

// A disk with room for bytes but none for another file: the temporary file cannot be created.
std::string no_entries_left(Scene& scene, const Bytes& old_contents) {
  std::string failed = scene.mount_small_disk("disk", "size=64k,nr_inodes=16");
  if (!failed.empty()) return failed;
  scene.place_old_file(scene.mounts.back(), old_contents);
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

std::string remove_fillers(Scene& scene) {
  std::error_code error;
  fs::remove_all(filler_of(scene), error);
  return error ? "removing the fillers: " + error.message() : "";
}

std::string size_limit(Scene& scene, const Bytes& old_contents) {
  scene.place_old_file(scene.make_folder("disk"), old_contents);
  return "";
}

std::string nothing_to_lift(Scene&) {
  return "";
}

std::string read_only_disk(Scene& scene, const Bytes& old_contents) {
  std::string failed = scene.mount_small_disk("disk", SMALL_DISK);
  if (!failed.empty()) return failed;
  scene.place_old_file(scene.mounts.back(), old_contents);
  return remount(scene.watched, true, false);
}

std::string writable_disk(Scene& scene) {
  return remount(scene.watched, false, false);
}

// The earlier file may be written, the folder it lies in may not: a writable bind mount of the
// file inside a read-only view of its folder.
std::string read_only_folder(Scene& scene, const Bytes& old_contents) {
  std::string failed = scene.mount_small_disk("disk", SMALL_DISK);
  if (!failed.empty()) return failed;
  const std::string disk = scene.mounts.back();
  write_file_bytes((fs::path(disk) / scene.file_name).string(), old_contents);
  const std::string view = scene.make_folder("view");
  if (!(failed = bind_mount(disk, view)).empty()) return failed;
  scene.mounts.push_back(view);
  if (!(failed = remount(view, true, true)).empty()) return failed;
  scene.aim_at(view, old_contents);
  if (!(failed = bind_mount(disk + "/" + scene.file_name, scene.old_file)).empty()) return failed;
  scene.mounts.push_back(scene.old_file);
  return "";
}

std::string writable_folder(Scene& scene) {
  unmount(scene.old_file);
  return remount(scene.watched, false, true);
}

std::string immutable_file(Scene& scene, const Bytes& old_contents) {
  std::string failed = scene.mount_small_disk("disk", SMALL_DISK);
  if (!failed.empty()) return failed;
  scene.place_old_file(scene.mounts.back(), old_contents);
  return set_immutable(scene.old_file, true);
}

std::string mutable_file(Scene& scene) {
  return set_immutable(scene.old_file, false);
}

// A file that is a mount point cannot be renamed over or moved aside: the new file is written
// whole and then cannot take the old one's name, as when another program holds it.
std::string busy_file(Scene& scene, const Bytes& old_contents) {
  std::string failed = scene.mount_small_disk("disk", SMALL_DISK);
  if (!failed.empty()) return failed;
  scene.place_old_file(scene.mounts.back(), old_contents);
  if (!(failed = bind_mount(scene.old_file, scene.old_file)).empty()) return failed;
  scene.mounts.push_back(scene.old_file);
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
  std::string failed = scene.mount_small_disk("backing", "size=1m");
  if (!failed.empty()) return failed;
  const std::string disk = scene.make_folder("disk");
  scene.skip_reason = mount_ext4_image(scene.mounts.back() + "/disk.img", 16ul << 20, disk);
  if (!scene.skip_reason.empty()) return "";
  scene.mounts.push_back(disk);
  scene.place_old_file(disk, old_contents);
  if (!(failed = flush_file_system(disk)).empty()) return failed;
  return fill_the_disk(scene.scratch.path("backing/filler"));
}

std::string room_in_backing_store(Scene& scene) {
  std::error_code error;
  fs::remove(scene.scratch.path("backing/filler"), error);
  return error ? "removing the filler: " + error.message() : "";
}

// A folder by the file's name, with something of its own inside that must stay.
std::string folder_at_target(Scene& scene, const Bytes&) {
  scene.watched = scene.make_folder("disk");
  scene.target = scene.make_folder("disk/" + scene.file_name);
  write_file_bytes(scene.target + "/inside", {1, 2, 3});
  return "";
}

std::string remove_folder_at_target(Scene& scene) {
  std::error_code error;
  fs::remove_all(scene.target, error);
  return error ? "removing the folder: " + error.message() : "";
}

// The folder chosen in the dialog is gone by the time of the save (a stick pulled out, a folder
// deleted by another program); it must not come back.
std::string vanished_folder(Scene& scene, const Bytes& old_contents) {
  scene.place_old_file(scene.make_folder("stick"), old_contents);
  fs::remove_all(scene.watched);
  scene.watched = scene.scratch.root;
  scene.old_file.clear();
  return "";
}

std::string folder_back(Scene& scene) {
  scene.make_folder("stick");
  return "";
}

}  // namespace

const std::vector<WriteFault> WRITE_FAULTS = {
    {"DiskFull", "disk full", full_disk, remove_filler, true, false, false},
    {"NoFileEntriesLeft", "disk out of file entries", no_entries_left, remove_fillers, true, false,
     true},
    {"FileSizeLimit", "file size limit mid-write", size_limit, nothing_to_lift, false, true, false},
    {"ReadOnlyDisk", "read-only disk", read_only_disk, writable_disk, true, false, true},
    {"ReadOnlyFolder", "read-only folder, file writable", read_only_folder, writable_folder, true,
     false, true},
    {"ImmutableFile", "read-only file (immutable)", immutable_file, mutable_file, true, false,
     true},
    {"WriteBackFails", "disk full only on write-back", failing_write_back, room_in_backing_store,
     true, false, false},
    {"RenameRefused", "file in use, rename refused", busy_file, free_file, true, false, false},
    {"FolderAtTarget", "a folder has the file's name", folder_at_target, remove_folder_at_target,
     false, false, true},
    {"FolderVanished", "folder gone before the save", vanished_folder, folder_back, false, false,
     true},
};
