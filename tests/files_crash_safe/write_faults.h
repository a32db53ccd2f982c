#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/temporary_folder.h"

using Bytes = std::vector<uint8_t>;

// One place where a save is made to fail for real. The scene holds the earlier file, the path the
// save is asked to go to, and the folder whose entries must all come through unchanged.
struct Scene {
  explicit Scene(std::string name) : file_name(std::move(name)) {}
  ~Scene();  // runs the undo steps, newest first, before the scratch folder is removed
  Scene(const Scene&) = delete;
  Scene& operator=(const Scene&) = delete;

  // A new empty folder inside the scratch folder.
  std::string make_folder(const std::string& name);
  // Aims the save at the file of that name in `folder`, which holds `contents` already.
  void aim_at(const std::string& folder, const Bytes& contents);
  // The same, writing the earlier file first.
  void place_old_file(const std::string& folder, const Bytes& contents);

  TemporaryFolder scratch;
  std::string file_name;
  std::string target;    // where the save is asked to go
  std::string watched;   // every entry in here (and below) must survive a failed save
  std::string old_file;  // the earlier file that must stay byte for byte; "" when there is none
  Bytes old_contents;
  std::vector<std::function<void()>> undo;  // mounts to drop, handles to close, ...
  std::string skip_reason;  // set by a fault that this machine cannot make (a tool missing, ...)
};

// A way of making a save fail, and of taking that cause away again.
struct WriteFault {
  const char* id;     // test name
  const char* label;  // row of the summary
  // Sets the scene up, the earlier file included; returns "" or what went wrong. A fault that
  // this machine cannot make sets the scene's skip reason (and may return it as well).
  std::string (*arrange)(Scene& scene, const Bytes& old_contents);
  // Takes the cause away, so that the next save can succeed; returns "" or what failed.
  std::string (*lift)(Scene& scene);
  bool size_limited;     // the save runs with a file size limit of half the new file
  bool refused_at_once;  // the target is refused before any byte is written
};

// The faults this system can make (write_faults_linux.cpp, write_faults_windows.cpp).
extern const std::vector<WriteFault> WRITE_FAULTS;

// Every file and folder below `folder`, as paths relative to it, sorted.
std::vector<std::string> everything_below(const std::string& folder);

// Removes the file or folder at `path` with everything in it; "" or what went wrong.
std::string remove_everything_at(const std::string& path);

// Writes into the new file `path` until the disk refuses a byte more; "" or what went wrong.
std::string fill_the_disk(const std::string& path);

// Faults that every system can make.
// The filler file of fill_the_disk in the watched folder, and its removal.
std::string filler_of(const Scene& scene);
std::string remove_filler(Scene& scene);
// A folder by the file's name, with something of its own inside.
std::string folder_at_target(Scene& scene, const Bytes& old_contents);
std::string remove_folder_at_target(Scene& scene);
// The folder chosen in the dialog is gone by the time of the save.
std::string vanished_folder(Scene& scene, const Bytes& old_contents);
std::string folder_back(Scene& scene);
