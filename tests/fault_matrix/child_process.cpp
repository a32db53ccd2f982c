#include "tests/fault_matrix/child_process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <thread>

extern char** environ;

pid_t start_program(const std::vector<std::string>& argv, const std::string& output_path,
                    const std::string& error_path) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  const int flags = O_WRONLY | O_CREAT | O_TRUNC;
  if (!output_path.empty()) {
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output_path.c_str(), flags, 0644);
  }
  if (!error_path.empty()) {
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, error_path.c_str(), flags, 0644);
  }
  std::vector<char*> arguments;
  for (const std::string& argument : argv) arguments.push_back(const_cast<char*>(argument.c_str()));
  arguments.push_back(nullptr);
  pid_t pid = -1;
  const int status = posix_spawn(&pid, arguments[0], &actions, nullptr, arguments.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return status == 0 ? pid : -1;
}

std::string ProgramEnd::describe() const {
  if (!ended) return "did not end and was killed";
  if (exited) return "exit status " + std::to_string(exit_code);
  return "killed by signal " + std::to_string(signal);
}

namespace {
ProgramEnd ended_with(int status) {
  ProgramEnd end;
  end.ended = true;
  end.exited = WIFEXITED(status);
  end.exit_code = end.exited ? WEXITSTATUS(status) : -1;
  end.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  return end;
}
}  // namespace

bool program_ended(pid_t pid, ProgramEnd& end) {
  int status = 0;
  const pid_t done = waitpid(pid, &status, WNOHANG);
  if (done == pid) end = ended_with(status);
  // A pid that is not our child any more (or never was) will not end later either.
  return done == pid || done < 0;
}

ProgramEnd wait_for_program(pid_t pid, long wait_ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait_ms);
  ProgramEnd end;
  while (!program_ended(pid, end)) {
    if (std::chrono::steady_clock::now() >= deadline) {
      kill(pid, SIGKILL);
      int status = 0;
      waitpid(pid, &status, 0);
      return ProgramEnd{};
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return end;
}

ProgramEnd stop_program(pid_t pid, long wait_ms) {
  kill(pid, SIGTERM);
  return wait_for_program(pid, wait_ms);
}
