#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tests/files_crash_safe/write_faults.h"

// A kind of file the program saves, driven the way the user drives it: the settings file through
// the main window's "Write Config File", the configuration file through save_app_config.
class SavedFile {
 public:
  virtual ~SavedFile() = default;

  struct Outcome {
    bool reported_success = false;
    std::vector<std::string> boxes;  // the "Error" boxes shown, in order
  };

  virtual const char* file_name() const = 0;
  virtual Bytes old_contents() const = 0;  // what an earlier save left
  virtual Bytes new_contents() const = 0;  // what this save should leave
  virtual Outcome save(const std::string& path) = 0;
  // The box a failed save shows; `refused_at_once` when the target was refused before writing.
  virtual std::string expected_box(bool refused_at_once) const = 0;
  // What the program holds in memory is what it held before the save.
  virtual bool memory_unchanged() const = 0;
};

enum class FileKind { settings, configuration };

const char* label_of(FileKind kind);
const char* id_of(FileKind kind);
std::unique_ptr<SavedFile> make_saved_file(FileKind kind);
