#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Replacing a file so that it is never left half-written: the bytes go to a temporary file beside
// the target, and only once all of them are on disk does that file take the target's name. On any
// failure the old file, if there was one, is left exactly as it was. The new file keeps the old
// one's permissions. A target that is a symbolic link stays one: the file it leads to is replaced
// (on Windows such a target is refused instead, as cannot_create).

enum class FileWriteResult {
  ok,
  cannot_create,  // the target cannot be written (read-only, a folder, no such folder, ...)
  write_failed,   // the bytes could not all be written, or the replacement failed
};

FileWriteResult replace_file_contents(const std::string& path, const uint8_t* data, size_t size);

// Whether replace_file_contents could replace `path` now: the target can be written and a
// temporary file can be made beside it (it is removed again). Nothing else is changed.
FileWriteResult check_file_replaceable(const std::string& path);

// The same, as a plain yes or no.
bool write_file_atomically(const std::string& path, const uint8_t* data, size_t size);
