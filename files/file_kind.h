#pragma once

#include <string>

// What a name leads to, told without opening it: opening a FIFO that nobody writes to waits for
// ever, and a device may do something on being opened.

enum class FileKind {
  missing,  // nothing there, or nothing the system lets us look at: opening says why
  regular,
  directory,
  fifo,
  socket,
  character_device,
  block_device,
  other,
};

// Follows links to what they lead to.
FileKind file_kind(const std::string& path);

// "is a FIFO", "is a directory", ... in the words of a message; "" for a missing or regular file.
std::string kind_reason(FileKind kind);

// The system's words for error code `error`, as a message goes on: "permission denied". "" for 0.
std::string system_reason(int error);
