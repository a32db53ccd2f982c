#pragma once

#include <optional>
#include <string>
#include <vector>

// The fault matrix: every keyer operation against every way a keyer (or its adapter) can
// misbehave. The table here is the one place that says what each cell must show; the runners
// (in-process window operations, the ostrel program, the Win32 port under Wine) only carry it out.

enum class Operation {
  window_test,
  window_read,
  window_write,
  window_upload,
  cli_test,
  cli_read,
  cli_write,
  cli_show,
  cli_set,
  cli_upload,
};

enum class Fault {
  silent,
  wrong_echo,
  garbage,
  short_reply,
  late_reply,
  hang_up,
  refuse_00,
  refuse_80,
  refuse_81,
  refuse_82,
  refuse_84,
  refuse_88,
  refuse_89,
  refuse_other,
};

inline constexpr Operation ALL_OPERATIONS[] = {
    Operation::window_test,   Operation::window_read, Operation::window_write,
    Operation::window_upload, Operation::cli_test,    Operation::cli_read,
    Operation::cli_write,     Operation::cli_show,    Operation::cli_set,
    Operation::cli_upload,
};
inline constexpr Fault ALL_FAULTS[] = {
    Fault::silent,    Fault::wrong_echo, Fault::garbage,   Fault::short_reply,  Fault::late_reply,
    Fault::hang_up,   Fault::refuse_00,  Fault::refuse_80, Fault::refuse_81,    Fault::refuse_82,
    Fault::refuse_84, Fault::refuse_88,  Fault::refuse_89, Fault::refuse_other,
};

// The upload frame that the refusing keyers turn down (0 is the first frame).
inline constexpr int REFUSED_FRAME = 5;
// How long an unplugged keyer stays away before it is back on the same path.
inline constexpr int REPLUG_AFTER_MS = 300;
// A late reply comes this long after the read wait has run out.
inline constexpr int LATE_BY_MS = 500;

const char* operation_name(Operation operation);
const char* fault_name(Fault fault);
bool is_cli(Operation operation);

// What one cell asks of the keyer and expects of the operation.
struct Cell {
  Operation operation;
  Fault fault;
  std::vector<std::string> sim_switches;  // the fault, as ostrel-keyer-sim's switches
  // Window operations: the status line (Test, Read, Write) or the uploader status line (Upload).
  // The ostrel program: the first line of its error output.
  std::string status;
  // Window Test, Read and Write: the status field, which says why.
  std::string reason;
  int expired_waits = 0;            // read waits that run out on the way to the failure
  bool keyer_stores_image = false;  // the keyer holds the written image despite the failure
};

// The cell, or nothing when the fault cannot happen to the operation ("n/a").
std::optional<Cell> fault_cell(Operation operation, Fault fault);

// The cells run through the Win32 port under Wine: Test, Read and Write against a silent keyer,
// a wrong echo, a short reply and a hang-up, where they apply. Their order is the COM port order
// (the first cell's keyer is COM1).
std::vector<Cell> wine_cells();

// The healthy outcome that the follow-up operation must show.
inline constexpr const char* HEALTHY_REVISION = "Ostrel F/W revision 31.04";

// How a cell came out.
struct CellOutcome {
  bool ran = false;
  std::vector<std::string> problems;  // empty when the cell passed
  long elapsed_ms = 0;
  long bound_ms = 0;
  bool passed() const { return ran && problems.empty(); }
};

// The shortest and longest time an operation may take: every expired wait in full, plus the
// protocol's fixed pauses, plus `margin_ms` for the machine.
long lower_bound_ms(const Cell& cell);
long upper_bound_ms(const Cell& cell, long pauses_ms, long margin_ms);

// One printed matrix: operations down, faults across, each cell PASS, FAIL or n/a.
struct MatrixResult {
  Operation operation;
  Fault fault;
  CellOutcome outcome;
};
std::string matrix_table(const std::vector<Operation>& operations, const std::vector<Fault>& faults,
                         const std::vector<MatrixResult>& results);
