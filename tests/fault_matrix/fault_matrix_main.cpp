// The fault matrix on Linux: every cell in a process of its own (its keyer on a pty of its own,
// the link's state its own), run side by side since most of their time is spent in waits; then
// the matrix printed and written to a file.
//
//   fault_matrix --sim SIM --ostrel OSTREL --sample EEP --out TABLE [--jobs N]
//   fault_matrix --cell OPERATION FAULT --sim SIM --ostrel OSTREL --sample EEP   (one cell)
//   fault_matrix --wine-plan   (the Wine subset: one line per cell, its simulator switches)
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "cli/path_port.h"
#include "link/link.h"
#include "link/platform_serial_port.h"
#include "tests/fault_matrix/child_process.h"
#include "tests/fault_matrix/cli_cells.h"
#include "tests/fault_matrix/window_cells.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// What the machine may add to an operation's waits: the program's own start under the
// sanitizers, and other tests running beside this one.
constexpr long WINDOW_MARGIN_MS = 1500;
constexpr long CLI_MARGIN_MS = 3500;
constexpr long CELL_LIMIT_MS = 120000;

struct Options {
  std::string sim;
  std::string ostrel;
  std::string sample;
  std::string out;
  int jobs = 8;
  int cell_operation = -1;
  int cell_fault = -1;
  bool wine_plan = false;
};

bool parse_options(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (arg == "--wine-plan") {
      options.wine_plan = true;
    } else if (arg == "--cell" && i + 2 < argc) {
      options.cell_operation = std::atoi(argv[++i]);
      options.cell_fault = std::atoi(argv[++i]);
    } else if (arg == "--sim" && has_value) {
      options.sim = argv[++i];
    } else if (arg == "--ostrel" && has_value) {
      options.ostrel = argv[++i];
    } else if (arg == "--sample" && has_value) {
      options.sample = argv[++i];
    } else if (arg == "--out" && has_value) {
      options.out = argv[++i];
    } else if (arg == "--jobs" && has_value) {
      options.jobs = std::max(1, std::atoi(argv[++i]));
    } else {
      std::fprintf(stderr, "fault_matrix: unknown or incomplete argument %s\n", arg.c_str());
      return false;
    }
  }
  return true;
}

std::string self_path() {
  std::error_code error;
  return fs::read_symlink("/proc/self/exe", error).string();
}

bool load_sample(const std::string& path, SettingsImage& image) {
  std::string bytes;
  if (!read_whole_file(path, bytes) || bytes.size() != image.size()) return false;
  std::copy(bytes.begin(), bytes.end(), image.begin());
  return true;
}

// One cell, in this process: its own folder, keyer and files.
int run_one_cell(const Options& options) {
  if (options.cell_operation < 0 || options.cell_operation >= int(std::size(ALL_OPERATIONS)) ||
      options.cell_fault < 0 || options.cell_fault >= int(std::size(ALL_FAULTS))) {
    std::printf("RESULT FAIL 0 0\nproblem: no such cell\n");
    return 1;
  }
  const std::optional<Cell> cell =
      fault_cell(ALL_OPERATIONS[options.cell_operation], ALL_FAULTS[options.cell_fault]);
  SettingsImage keyer_image{};
  if (!cell || !load_sample(options.sample, keyer_image)) {
    std::printf("RESULT FAIL 0 0\nproblem: no such cell, or no sample image\n");
    return 1;
  }

  char pattern[] = "/tmp/ostrel_fault_matrix.XXXXXX";
  if (mkdtemp(pattern) == nullptr) {
    std::printf("RESULT FAIL 0 0\nproblem: no temporary folder\n");
    return 1;
  }
  const std::string dir = pattern;
  const std::string files = dir + "/files";
  fs::create_directory(files);
  KeyerPlace place{dir + "/keyer", dir + "/heal", dir + "/keyer_image.eep"};
  const std::string firmware = files + "/firmware.hex";
  write_whole_file(firmware, dip_programming_file());
  write_whole_file(files + "/in.eep", as_bytes(host_settings(keyer_image)));
  write_whole_file(files + "/out.eep", std::string(SETTINGS_IMAGE_SIZE, '\x5A'));

  std::vector<std::string> sim{options.sim,    "--link",      place.link_path,       "--image",
                               options.sample, "--image-out", place.keyer_image_out, "--heal-file",
                               place.heal_file};
  sim.insert(sim.end(), cell->sim_switches.begin(), cell->sim_switches.end());
  const pid_t sim_pid = start_program(sim, dir + "/sim.out", dir + "/sim.err");
  for (int i = 0; i < 250 && !fs::exists(place.link_path); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));

  CellOutcome outcome;
  if (sim_pid < 0 || !fs::exists(place.link_path)) {
    outcome.ran = true;
    outcome.problems.push_back("the simulated keyer did not start");
  } else if (is_cli(cell->operation)) {
    outcome = run_cli_cell(*cell, place, options.ostrel, files, keyer_image, CLI_MARGIN_MS);
  } else {
    const std::string device = place.link_path;
    set_serial_port_factory([device]() -> std::unique_ptr<SerialPort> {
      return std::make_unique<PathPort>(make_platform_serial_port(), device);
    });
    com_port_number = 1;
    outcome = run_window_cell(*cell, place, keyer_image, firmware, WINDOW_MARGIN_MS);
    link_close();
  }

  if (sim_pid >= 0) {
    const ProgramEnd end = stop_program(sim_pid, 5000);
    if (!end.exited || end.exit_code != 0) {
      std::string log;
      read_whole_file(dir + "/sim.err", log);
      outcome.problems.push_back("the simulated keyer " + end.describe() + ": " + log);
    }
  }
  std::error_code error;
  fs::remove_all(dir, error);

  std::printf("RESULT %s %ld %ld\n", outcome.passed() ? "PASS" : "FAIL", outcome.elapsed_ms,
              outcome.bound_ms);
  for (const std::string& problem : outcome.problems) std::printf("problem: %s\n", problem.c_str());
  std::fflush(stdout);
  // An upload worker that never ended may still hold the link: leave without tidying up.
  std::_Exit(outcome.passed() ? 0 : 1);
}

struct Running {
  size_t index;
  std::string output;
  Clock::time_point start;
};

// The cell's result from its process's output.
CellOutcome read_outcome(const std::string& output_path, const ProgramEnd& end) {
  CellOutcome outcome;
  outcome.ran = true;
  std::string text;
  read_whole_file(output_path, text);
  size_t at = 0;
  bool found = false;
  while (at < text.size()) {
    const size_t line_end = std::min(text.find('\n', at), text.size());
    const std::string line = text.substr(at, line_end - at);
    at = line_end + 1;
    char verdict[8] = {};
    if (std::sscanf(line.c_str(), "RESULT %7s %ld %ld", verdict, &outcome.elapsed_ms,
                    &outcome.bound_ms) == 3) {
      found = true;
      if (std::string(verdict) != "PASS" && outcome.problems.empty())
        outcome.problems.push_back("failed");
    } else if (line.rfind("problem: ", 0) == 0) {
      if (outcome.problems.size() == 1 && outcome.problems[0] == "failed") outcome.problems.clear();
      outcome.problems.push_back(line.substr(9));
    }
  }
  if (!found || !end.exited) {
    outcome.problems.push_back("the cell's process " + end.describe() + "; its output:\n" + text);
  }
  return outcome;
}

int run_matrix(const Options& options) {
  struct Planned {
    int operation;
    int fault;
  };
  std::vector<Planned> planned;
  for (size_t o = 0; o < std::size(ALL_OPERATIONS); ++o)
    for (size_t f = 0; f < std::size(ALL_FAULTS); ++f)
      if (fault_cell(ALL_OPERATIONS[o], ALL_FAULTS[f])) planned.push_back({int(o), int(f)});

  char pattern[] = "/tmp/ostrel_fault_matrix_runs.XXXXXX";
  if (mkdtemp(pattern) == nullptr) return 1;
  const std::string runs = pattern;
  const std::string self = self_path();
  std::vector<MatrixResult> results;
  std::map<pid_t, Running> running;
  size_t next = 0;
  const auto start = Clock::now();
  while (next < planned.size() || !running.empty()) {
    while (next < planned.size() && static_cast<int>(running.size()) < options.jobs) {
      const Planned& p = planned[next];
      const std::string output = runs + "/cell" + std::to_string(next) + ".txt";
      const pid_t pid = start_program(
          {self, "--cell", std::to_string(p.operation), std::to_string(p.fault), "--sim",
           options.sim, "--ostrel", options.ostrel, "--sample", options.sample},
          output, "");
      if (pid < 0) {
        CellOutcome failed;
        failed.ran = true;
        failed.problems.push_back("cannot start " + self);
        results.push_back({ALL_OPERATIONS[p.operation], ALL_FAULTS[p.fault], failed});
      } else {
        running[pid] = {next, output, Clock::now()};
      }
      ++next;
    }
    for (auto it = running.begin(); it != running.end();) {
      const bool overdue =
          Clock::now() - it->second.start > std::chrono::milliseconds(CELL_LIMIT_MS);
      ProgramEnd end;
      if (overdue) {
        end = wait_for_program(it->first, 0);
      } else if (!program_ended(it->first, end)) {
        ++it;
        continue;
      }
      const Planned& p = planned[it->second.index];
      results.push_back(
          {ALL_OPERATIONS[p.operation], ALL_FAULTS[p.fault], read_outcome(it->second.output, end)});
      it = running.erase(it);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  // In the matrix's order, whatever order the cells ended in.
  std::sort(results.begin(), results.end(), [](const MatrixResult& a, const MatrixResult& b) {
    return a.operation != b.operation ? a.operation < b.operation : a.fault < b.fault;
  });
  const long wall_ms = static_cast<long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
  std::error_code error;
  fs::remove_all(runs, error);

  std::vector<Operation> operations(std::begin(ALL_OPERATIONS), std::end(ALL_OPERATIONS));
  std::vector<Fault> faults(std::begin(ALL_FAULTS), std::end(ALL_FAULTS));
  size_t passed = 0;
  std::string details;
  for (const MatrixResult& result : results) {
    if (result.outcome.passed()) {
      ++passed;
      continue;
    }
    details += std::string("FAIL ") + operation_name(result.operation) + " / " +
               fault_name(result.fault) + ":\n";
    for (const std::string& problem : result.outcome.problems) details += "  " + problem + "\n";
  }
  const size_t all_cells = std::size(ALL_OPERATIONS) * std::size(ALL_FAULTS);
  std::string report = "Fault matrix on the POSIX port (operations by faults):\n" +
                       matrix_table(operations, faults, results) + "\n" + std::to_string(passed) +
                       " of " + std::to_string(results.size()) + " cells passed, " +
                       std::to_string(all_cells - results.size()) + " n/a; wall time " +
                       std::to_string(wall_ms / 1000) + "." + std::to_string(wall_ms % 1000 / 100) +
                       " s with " + std::to_string(options.jobs) + " cells at a time.\n";
  if (!details.empty()) report += "\n" + details;
  report += "\nTime of each faulty operation, and its bound (expired waits + pauses + margin):\n";
  for (const MatrixResult& result : results) {
    char line[160];
    std::snprintf(line, sizeof line, "  %-22s %-11s %6ld ms  (bound %ld ms)\n",
                  operation_name(result.operation), fault_name(result.fault),
                  result.outcome.elapsed_ms, result.outcome.bound_ms);
    report += line;
  }
  std::fputs(report.c_str(), stdout);
  if (!options.out.empty() && !write_whole_file(options.out, report)) {
    std::fprintf(stderr, "fault_matrix: cannot write %s\n", options.out.c_str());
  }
  return passed == results.size() ? 0 : 1;
}

void print_wine_plan() {
  for (const Cell& cell : wine_cells()) {
    std::string line;
    for (const std::string& s : cell.sim_switches) line += s + " ";
    std::printf("%s\n", line.c_str());
  }
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!parse_options(argc, argv, options)) return 2;
  if (options.wine_plan) {
    print_wine_plan();
    return 0;
  }
  if (options.sim.empty() || options.ostrel.empty() || options.sample.empty()) {
    std::fprintf(stderr, "fault_matrix: --sim, --ostrel and --sample are needed\n");
    return 2;
  }
  if (options.cell_operation >= 0) return run_one_cell(options);
  return run_matrix(options);
}
