#pragma once

#include <cstdio>
#include <string>

// The steps of replacing a file that each system takes its own way: files/atomic_file_posix.cpp
// and files/atomic_file_win32.cpp.

// What a save is about to replace.
struct SaveTarget {
  std::string
      path;  // the file that gets the new bytes: the name asked for, or where its link leads
  bool refused = false;      // a link that cannot be followed, or one the system would break
  bool exists = false;       // something is there already (a folder too: the save refuses it later)
  unsigned permissions = 0;  // what the new file keeps of the old: mode bits, or Win32 attributes
  long owner = -1;           // POSIX: the old file's owner and group, kept where the system lets us
  long group = -1;
};

SaveTarget examine_save_target(const std::string& path);

enum class NewFileResult { created, name_taken, failed };

// Creates `path` for binary writing only if nothing has that name yet, a link of any kind
// included, so that nothing is ever written through a name someone else put there. The file gets
// the permissions of `like`, or the system's default for a new file when `like` does not exist.
NewFileResult create_new_file(const std::string& path, const SaveTarget& like, std::FILE*& file);

// Once a new name is in place, asks for the folder's entry to be on the device as well, so that
// after a power cut the name holds the new file rather than nothing.
void flush_folder_of(const std::string& path);
