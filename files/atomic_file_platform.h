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

// Opens a FIFO or a device to write into it as a stream, as `cp` would, without waiting: a FIFO
// that no program reads is refused (ENXIO). nullptr with errno saying why.
std::FILE* open_stream_target(const std::string& path);

// Whether the stream target may be written, asked without opening it, so that nothing reading a
// FIFO sees its end before the bytes come.
bool may_write_stream(const std::string& path);

// Gives the complete file `from` the name `to` only if nothing has that name yet, however many
// programs try at once. On created `from` is gone; otherwise it is left to the caller.
NewFileResult take_free_name(const std::string& from, const std::string& to);
