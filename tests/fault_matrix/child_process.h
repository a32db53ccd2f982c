#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

// Starts a program with its output and error output in files (an empty path keeps this
// process's). -1 when it cannot be started.
pid_t start_program(const std::vector<std::string>& argv, const std::string& output_path,
                    const std::string& error_path);

// How a program ended.
struct ProgramEnd {
  bool ended = false;  // false: still running when the wait ran out (it has been killed)
  bool exited = false;
  int exit_code = -1;
  int signal = 0;
  std::string describe() const;
};

// Whether the program has ended, without waiting; `end` says how when it has.
bool program_ended(pid_t pid, ProgramEnd& end);

// Waits up to wait_ms for the program to end; kills it (SIGKILL) if it does not.
ProgramEnd wait_for_program(pid_t pid, long wait_ms);

// Asks a program to stop (SIGTERM) and waits up to wait_ms for it.
ProgramEnd stop_program(pid_t pid, long wait_ms);
