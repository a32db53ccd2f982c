// The crash-safe file tests end with a summary table. On Linux they run in a mount namespace of
// their own, entered before GoogleTest starts (it has to happen while the process has one
// thread).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/files_crash_safe/cell_summary.h"
#ifndef _WIN32
#include "tests/files_crash_safe/private_mounts.h"
#endif

namespace {

struct Cell {
  std::string fault, kind, outcome, why_skipped;
};
std::vector<Cell> cells;

class SummaryPrinter : public ::testing::EmptyTestEventListener {
  void OnTestProgramEnd(const ::testing::UnitTest&) override { print_cell_summary(); }
};

}  // namespace

void record_cell(const std::string& fault, const std::string& kind, const std::string& outcome,
                 const std::string& why_skipped) {
  cells.push_back({fault, kind, outcome, why_skipped});
}

void print_cell_summary() {
  if (cells.empty()) return;
  std::vector<std::string> faults, kinds;
  for (const Cell& cell : cells) {
    if (std::find(faults.begin(), faults.end(), cell.fault) == faults.end()) {
      faults.push_back(cell.fault);
    }
    if (std::find(kinds.begin(), kinds.end(), cell.kind) == kinds.end()) {
      kinds.push_back(cell.kind);
    }
  }
  auto outcome_of = [](const std::string& fault, const std::string& kind) -> std::string {
    for (const Cell& cell : cells) {
      if (cell.fault == fault && cell.kind == kind) return cell.outcome;
    }
    return "-";
  };
  int survived = 0;
  int skipped = 0;
  std::vector<std::string> reasons;
  for (const Cell& cell : cells) {
    survived += cell.outcome == "yes";
    skipped += cell.outcome == "skipped";
    if (cell.outcome == "skipped" &&
        std::find(reasons.begin(), reasons.end(), cell.why_skipped) == reasons.end()) {
      reasons.push_back(cell.why_skipped);
    }
  }

  std::printf("\nWrite failures survived (old file intact, no temporary file left, user told):\n");
  std::printf("  %-34s", "way of failing");
  for (const std::string& kind : kinds) std::printf(" %-20s", kind.c_str());
  std::printf("\n");
  for (const std::string& fault : faults) {
    std::printf("  %-34s", fault.c_str());
    for (const std::string& kind : kinds) std::printf(" %-20s", outcome_of(fault, kind).c_str());
    std::printf("\n");
  }
  std::printf("  write failures survived: %d of %zu cells", survived, cells.size());
  if (skipped > 0) std::printf(", %d skipped", skipped);
  std::printf("\n");
  for (const std::string& reason : reasons) std::printf("  SKIP: %s\n", reason.c_str());
}

int main(int argc, char** argv) {
#ifndef _WIN32
  const std::string reason = enter_private_mount_namespace();
  if (!reason.empty()) std::printf("SKIP the cells that need mounts: %s\n", reason.c_str());
#endif
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::UnitTest::GetInstance()->listeners().Append(new SummaryPrinter);
  return RUN_ALL_TESTS();
}
