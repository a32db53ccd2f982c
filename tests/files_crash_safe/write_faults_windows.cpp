#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/files_crash_safe/write_faults.h"

namespace fs = std::filesystem;

namespace {

// A file marked read-only, as its properties page or a copy from a CD leave it.
std::string read_only_attribute(Scene& scene, const Bytes& old_contents) {
  scene.place_old_file(scene.make_folder("disk"), old_contents);
  if (_chmod(scene.old_file.c_str(), _S_IREAD) != 0) return "marking the file read-only failed";
  scene.undo.push_back([path = scene.old_file] { _chmod(path.c_str(), _S_IREAD | _S_IWRITE); });
  // Wine run by root marks the file but lets every program write it all the same.
  HANDLE probe = CreateFileA(scene.old_file.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  if (probe != INVALID_HANDLE_VALUE) {
    CloseHandle(probe);
    scene.skip_reason = "the read-only attribute is not enforced here (Wine run by root)";
  }
  return scene.skip_reason;
}

std::string writable_attribute(Scene& scene) {
  return _chmod(scene.old_file.c_str(), _S_IREAD | _S_IWRITE) == 0 ? "" : "clearing read-only";
}

HANDLE held_file = INVALID_HANDLE_VALUE;

void let_go_of_the_file() {
  if (held_file != INVALID_HANDLE_VALUE) CloseHandle(held_file);
  held_file = INVALID_HANDLE_VALUE;
}

// Another program has the file open and lets others read and write it but not rename or delete
// it: the new file is written whole and then cannot take the old one's name.
std::string held_open(Scene& scene, const Bytes& old_contents) {
  scene.place_old_file(scene.make_folder("disk"), old_contents);
  held_file = CreateFileA(scene.old_file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (held_file == INVALID_HANDLE_VALUE) return "opening the file failed";
  scene.undo.push_back(let_go_of_the_file);
  return "";
}

std::string let_go(Scene&) {
  let_go_of_the_file();
  return "";
}

// The small disks come from run_wine_crash_safe_test.sh, which mounts them and names them in
// the environment; a run without it skips these cells.
std::string prepared_disk(Scene& scene, const char* variable) {
  const char* folder = std::getenv(variable);
  if (folder == nullptr || *folder == '\0') {
    scene.skip_reason = std::string("no disk in ") + variable + " (run_wine_crash_safe_test.sh)";
  }
  return folder == nullptr ? "" : folder;
}

// A folder of its own on a prepared disk, removed again at the end.
std::string folder_on(Scene& scene, const std::string& disk) {
  static int count = 0;
  const std::string folder = (fs::path(disk) / ("cell" + std::to_string(count++))).string();
  fs::create_directories(folder);
  scene.undo.push_back([folder] { remove_everything_at(folder); });
  return folder;
}

std::string full_disk(Scene& scene, const Bytes& old_contents) {
  const std::string disk = prepared_disk(scene, "OSTREL_FULL_DISK");
  if (!scene.skip_reason.empty()) return scene.skip_reason;
  scene.place_old_file(folder_on(scene, disk), old_contents);
  return fill_the_disk(filler_of(scene));
}

// The same folder seen twice: writable, to place the earlier file, and through a read-only
// mount, where the save is made.
std::string read_only_disk(Scene& scene, const Bytes& old_contents) {
  const std::string writable = prepared_disk(scene, "OSTREL_WRITABLE_DISK");
  const std::string read_only = prepared_disk(scene, "OSTREL_READ_ONLY_DISK");
  if (!scene.skip_reason.empty()) return scene.skip_reason;
  const std::string folder = folder_on(scene, writable);
  write_file_bytes((fs::path(folder) / scene.file_name).string(), old_contents);
  scene.aim_at((fs::path(read_only) / fs::path(folder).filename()).string(), old_contents);
  return "";
}

// The save goes to the writable view of the same folder.
std::string through_the_writable_view(Scene& scene) {
  const char* writable = std::getenv("OSTREL_WRITABLE_DISK");
  scene.aim_at((fs::path(writable) / fs::path(scene.watched).filename()).string(),
               scene.old_contents);
  return "";
}

}  // namespace

const std::vector<WriteFault> WRITE_FAULTS = {
    {"DiskFull", "disk full (drive Z:)", full_disk, remove_filler, false, false},
    {"ReadOnlyDisk", "read-only disk (drive Z:)", read_only_disk, through_the_writable_view, false,
     true},
    {"ReadOnlyAttribute", "read-only file (attribute)", read_only_attribute, writable_attribute,
     false, true},
    {"HeldOpen", "file held open, rename refused", held_open, let_go, false, false},
    {"FolderAtTarget", "a folder has the file's name", folder_at_target, remove_folder_at_target,
     false, true},
    {"FolderVanished", "folder gone before the save", vanished_folder, folder_back, false, true},
};
