#include "tests/fault_matrix/cli_cells.h"

#include <chrono>
#include <filesystem>
#include <map>
#include <thread>

#include "tests/fault_matrix/child_process.h"

namespace {

using Clock = std::chrono::steady_clock;

// The command line's fixed pauses on any path: 100 ms before the purge of the open, 500 ms
// after a settings write, 200 ms for the bootloader's rate switch.
constexpr long CLI_PAUSES_MS = 100 + 500 + 200;
// A write also waits out the image frame's 290 bytes on the line at 1200 baud before its 500 ms,
// however fast the simulated keyer takes them.
constexpr long WRITE_LINE_WAIT_MS = 2417;
constexpr int EXIT_KEYER_FAILURE = 1;

struct Run {
  ProgramEnd end;
  std::string out;
  std::string err;
  long elapsed_ms = 0;
};

std::string first_line(const std::string& text) {
  return text.substr(0, text.find('\n'));
}

// Every file of the folder with its bytes, to see that a failure left all of them alone and
// left nothing behind.
std::map<std::string, std::string> snapshot(const std::string& folder) {
  std::map<std::string, std::string> files;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    std::string bytes;
    read_whole_file(entry.path().string(), bytes);
    files[entry.path().filename().string()] = bytes;
  }
  return files;
}

struct CliRig {
  const Cell& cell;
  const KeyerPlace& place;
  std::string ostrel;
  std::string files;
  std::vector<std::string>& problems;

  std::string file(const char* name) const { return files + "/" + name; }
  void problem(const std::string& text) { problems.push_back(text); }

  std::vector<std::string> command() const {
    std::vector<std::string> argv{ostrel, "--port", place.link_path};
    switch (cell.operation) {
      case Operation::cli_test:
        argv.push_back("test");
        break;
      case Operation::cli_read:
        argv.insert(argv.end(), {"read", "-o", file("out.eep")});
        break;
      case Operation::cli_write:
        argv.insert(argv.end(), {"write", file("in.eep"), "--verify"});
        break;
      default:
        argv.insert(argv.end(), {"upload", file("firmware.hex")});
        break;
    }
    return argv;
  }

  Run run(long limit_ms) {
    Run run;
    const std::string out_path = files + "/../ostrel.out";
    const std::string err_path = files + "/../ostrel.err";
    const auto start = Clock::now();
    const pid_t pid = start_program(command(), out_path, err_path);
    if (pid < 0) {
      problem("cannot start " + ostrel);
      return run;
    }
    run.end = wait_for_program(pid, limit_ms);
    run.elapsed_ms = static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
    read_whole_file(out_path, run.out);
    read_whole_file(err_path, run.err);
    return run;
  }
};

void check_follow_up(CliRig& rig, const SettingsImage& keyer_image) {
  std::string problem;
  if (rig.cell.fault == Fault::hang_up && !wait_for_replug(rig.place, problem)) {
    rig.problem(problem);
    return;
  }
  if (!heal_keyer(rig.place, problem)) {
    rig.problem(problem);
    return;
  }
  const Run run = rig.run(60000);
  if (!run.end.exited || run.end.exit_code != 0) {
    rig.problem("follow-up: " + run.end.describe() + ": " + first_line(run.err));
    return;
  }
  std::string bytes;
  switch (rig.cell.operation) {
    case Operation::cli_test:
      if (first_line(run.out) != HEALTHY_REVISION) rig.problem("follow-up: " + first_line(run.out));
      break;
    case Operation::cli_read:
      if (!read_whole_file(rig.file("out.eep"), bytes) || bytes != as_bytes(keyer_image))
        rig.problem("follow-up: the file read is not the keyer's image");
      break;
    case Operation::cli_write: {
      std::string written;
      read_whole_file(rig.file("in.eep"), written);
      if (run.out.find("Verified") == std::string::npos) rig.problem("follow-up: not verified");
      if (!read_whole_file(rig.place.keyer_image_out, bytes) || bytes != written)
        rig.problem("follow-up: the keyer did not store the file");
      break;
    }
    default:
      if (run.out.find("Upload Completed Successfully") == std::string::npos)
        rig.problem("follow-up: the upload did not complete");
      break;
  }
}

}  // namespace

CellOutcome run_cli_cell(const Cell& cell, const KeyerPlace& place, const std::string& ostrel,
                         const std::string& files_dir, const SettingsImage& keyer_image,
                         long margin_ms) {
  CellOutcome outcome;
  outcome.ran = true;
  CliRig rig{cell, place, ostrel, files_dir, outcome.problems};

  const auto files_before = snapshot(files_dir);
  const long pauses_ms =
      CLI_PAUSES_MS + (cell.operation == Operation::cli_write ? WRITE_LINE_WAIT_MS : 0);
  outcome.bound_ms = upper_bound_ms(cell, pauses_ms, margin_ms);
  const Run run = rig.run(outcome.bound_ms + 10000);
  outcome.elapsed_ms = run.elapsed_ms;

  if (!run.end.exited || run.end.exit_code != EXIT_KEYER_FAILURE) {
    rig.problem(run.end.describe() + ", wanted exit status 1");
  }
  if (first_line(run.err) != cell.status) {
    rig.problem("said \"" + first_line(run.err) + "\", wanted \"" + cell.status + "\"");
  }
  if (outcome.elapsed_ms > outcome.bound_ms) {
    rig.problem("took " + std::to_string(outcome.elapsed_ms) + " ms, more than " +
                std::to_string(outcome.bound_ms) + " ms");
  }
  if (outcome.elapsed_ms < lower_bound_ms(cell) - 50) {
    rig.problem("gave up after " + std::to_string(outcome.elapsed_ms) + " ms, before its wait");
  }
  if (snapshot(files_dir) != files_before) rig.problem("the files changed");
  std::string stored;
  const bool keyer_stored = read_whole_file(place.keyer_image_out, stored);
  std::string written;
  read_whole_file(rig.file("in.eep"), written);
  if (keyer_stored != cell.keyer_stores_image) {
    rig.problem(keyer_stored ? "the keyer stored an image" : "the keyer stored nothing");
  } else if (keyer_stored && stored != written) {
    rig.problem("the keyer stored something else than the file");
  }
  check_follow_up(rig, keyer_image);
  return outcome;
}
