#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "files/atomic_file_platform.h"

// Replacing a file so that it is never left half-written: the bytes go to a temporary file beside
// the target, and only once all of them are on disk does that file take the target's name. On any
// failure the old file, if there was one, is left exactly as it was. The new file keeps the old
// one's permissions. A target that is a symbolic link stays one: the file it leads to is replaced
// (on Windows such a target is refused instead, as cannot_create). A FIFO or a device (or a link
// to one) is never replaced: the bytes are written into it as a stream.

enum class FileWriteResult {
  ok,
  cannot_create,  // the target cannot be written (read-only, a folder, no such folder, ...)
  write_failed,   // the bytes could not all be written, or the replacement failed
};

// On failure `reason`, when given, gets the system's words for why: "permission denied",
// "is a socket".
FileWriteResult replace_file_contents(const std::string& path, const uint8_t* data, size_t size,
                                      std::string* reason = nullptr);

// Whether replace_file_contents could replace `path` now: the target can be written and a
// temporary file can be made beside it (it is removed again). Nothing else is changed.
FileWriteResult check_file_replaceable(const std::string& path, std::string* reason = nullptr);

// The same, as a plain yes or no.
bool write_file_atomically(const std::string& path, const uint8_t* data, size_t size);

// Saves a new file under `path` only if nothing has that name yet, a name another program takes
// meanwhile included: name_taken then, and nothing of that file is touched. The file appears whole
// or not at all.
NewFileResult write_new_file(const std::string& path, const uint8_t* data, size_t size);
