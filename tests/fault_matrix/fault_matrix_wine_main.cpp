// The Wine subset of the fault matrix: Test, Read and Write through the Win32 port. The script
// run_fault_matrix_wine.sh serves one simulated keyer per cell, as COM1, COM2, ... in the order of
// wine_cells(), each with its files in the work folder given here.
//
//   fault_matrix_wine.exe WORK_FOLDER SAMPLE_EEP
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "link/link.h"
#include "tests/fault_matrix/window_cells.h"

namespace {

// Wine's serial layer and process start add to the waits.
constexpr long WINE_MARGIN_MS = 2500;

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: fault_matrix_wine WORK_FOLDER SAMPLE_EEP\n");
    return 2;
  }
  const std::string work = argv[1];
  std::string sample;
  SettingsImage keyer_image{};
  if (!read_whole_file(argv[2], sample) || sample.size() != keyer_image.size()) {
    std::fprintf(stderr, "fault_matrix_wine: cannot read the settings file %s\n", argv[2]);
    return 2;
  }
  std::copy(sample.begin(), sample.end(), keyer_image.begin());
  const std::string firmware = work + "\\firmware.hex";
  write_whole_file(firmware, dip_programming_file());

  const auto start = std::chrono::steady_clock::now();
  std::vector<MatrixResult> results;
  const std::vector<Cell> cells = wine_cells();
  for (size_t i = 0; i < cells.size(); ++i) {
    const std::string n = std::to_string(i);
    const KeyerPlace place{"", work + "\\heal" + n, work + "\\keyer" + n + ".eep"};
    com_port_number = static_cast<int32_t>(i + 1);
    link_close();
    const CellOutcome outcome =
        run_window_cell(cells[i], place, keyer_image, firmware, WINE_MARGIN_MS);
    std::printf("%-6s %-10s %s (%ld ms, bound %ld ms)\n", operation_name(cells[i].operation),
                fault_name(cells[i].fault), outcome.passed() ? "PASS" : "FAIL", outcome.elapsed_ms,
                outcome.bound_ms);
    for (const std::string& problem : outcome.problems) std::printf("  %s\n", problem.c_str());
    std::fflush(stdout);
    results.push_back({cells[i].operation, cells[i].fault, outcome});
  }
  link_close();
  const long wall_ms = static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                             std::chrono::steady_clock::now() - start)
                                             .count());

  size_t passed = 0;
  for (const MatrixResult& result : results) passed += result.outcome.passed() ? 1 : 0;
  const std::string table =
      matrix_table({Operation::window_test, Operation::window_read, Operation::window_write},
                   {Fault::silent, Fault::wrong_echo, Fault::short_reply, Fault::hang_up}, results);
  std::printf(
      "\nFault matrix through the Win32 port under Wine (operations by faults):\n%s\n"
      "%zu of %zu cells passed; %ld.%ld s.\n",
      table.c_str(), passed, results.size(), wall_ms / 1000, wall_ms % 1000 / 100);
  return passed == results.size() ? 0 : 1;
}
