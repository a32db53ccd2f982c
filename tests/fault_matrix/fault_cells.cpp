#include "tests/fault_matrix/fault_cells.h"

#include <algorithm>
#include <cstdio>

#include "link/link.h"

namespace {

constexpr const char* NO_RESPONSE = "Ostrel Fail:no response";
constexpr const char* ECHO_MISMATCH = "Ostrel Fail:echo mismatch";
constexpr const char* CLI_IMAGE_CUT =
    "ostrel: the keyer did not send its whole settings image (288 bytes); nothing was saved.";
constexpr const char* CLI_VERIFY_CUT =
    "ostrel: verify: the keyer did not send its settings image back.";

// What the uploader shows for each refusal code of the frame; 0x00 has a text of its own, since
// stored as a status it would read as "no result yet".
struct Refusal {
  Fault fault;
  const char* name;
  const char* code;
  const char* text;
};
constexpr Refusal REFUSALS[] = {
    {Fault::refuse_00, "refuse 00", "0x00", "Error: OstrelUSB Refused a Block (reply 0) !"},
    {Fault::refuse_80, "refuse 80", "0x80", "Error: SOF Error !"},
    {Fault::refuse_81, "refuse 81", "0x81", "Error: Checksum !"},
    {Fault::refuse_82, "refuse 82", "0x82", "Error: Flash Verify !"},
    {Fault::refuse_84, "refuse 84", "0x84", "Error: OstrelUSB Timeout !"},
    // The byte of success, as a refusal, is a refusal like any other.
    {Fault::refuse_88, "refuse 88", "0x88", "Error: Restart failed !"},
    {Fault::refuse_89, "refuse 89", "0x89", "Error: OstrelUSB Sync !"},
    {Fault::refuse_other, "refuse 42", "0x42", "Error: Restart failed !"},
};

enum class Kind { test, read, write, upload, file_only };

Kind kind_of(Operation operation) {
  switch (operation) {
    case Operation::window_test:
    case Operation::cli_test:
      return Kind::test;
    case Operation::window_read:
    case Operation::cli_read:
      return Kind::read;
    case Operation::window_write:
    case Operation::cli_write:
      return Kind::write;
    case Operation::window_upload:
    case Operation::cli_upload:
      return Kind::upload;
    case Operation::cli_show:
    case Operation::cli_set:
      break;
  }
  return Kind::file_only;
}

// Where in each operation's exchange the line dies: Test as the echo test arrives, Read in the
// middle of the image (after the four replies of the interface test and 100 image bytes), Write
// as the first revision query arrives, Upload after 50 acknowledged frames.
std::vector<std::string> hang_up_switches(Kind kind) {
  std::vector<std::string> switches;
  switch (kind) {
    case Kind::test:
      switches = {"--hangup-after-rx", "3"};
      break;
    case Kind::read:
      switches = {"--hangup-after-tx", "104"};
      break;
    case Kind::write:
      switches = {"--hangup-after-rx", "5"};
      break;
    case Kind::upload:
      switches = {"--hangup-after-tx", "55"};
      break;
    case Kind::file_only:
      break;
  }
  switches.push_back("--replug-after");
  switches.push_back(std::to_string(REPLUG_AFTER_MS));
  return switches;
}

// A failure of the interface test: how the window and the ostrel program show it.
void interface_failure(Cell& cell, const char* reason) {
  cell.reason = reason;
  cell.status = is_cli(cell.operation) ? std::string("ostrel: ") + reason : ">Ostrel ERR";
}

// The image transfer failed after a good interface test.
void transfer_failure(Cell& cell) {
  cell.reason = HEALTHY_REVISION;
  if (!is_cli(cell.operation)) {
    cell.status = ">Read failed";
  } else {
    cell.status = kind_of(cell.operation) == Kind::read ? CLI_IMAGE_CUT : CLI_VERIFY_CUT;
  }
}

void upload_failure(Cell& cell, const char* text) {
  cell.status = is_cli(cell.operation) ? std::string("ostrel: ") + text : text;
}

}  // namespace

const char* operation_name(Operation operation) {
  switch (operation) {
    case Operation::window_test:
      return "Test";
    case Operation::window_read:
      return "Read";
    case Operation::window_write:
      return "Write";
    case Operation::window_upload:
      return "Upload";
    case Operation::cli_test:
      return "ostrel test";
    case Operation::cli_read:
      return "ostrel read -o";
    case Operation::cli_write:
      return "ostrel write --verify";
    case Operation::cli_show:
      return "ostrel show";
    case Operation::cli_set:
      return "ostrel set";
    case Operation::cli_upload:
      return "ostrel upload";
  }
  return "?";
}

const char* fault_name(Fault fault) {
  switch (fault) {
    case Fault::silent:
      return "silent";
    case Fault::wrong_echo:
      return "wrong echo";
    case Fault::garbage:
      return "garbage";
    case Fault::short_reply:
      return "short";
    case Fault::late_reply:
      return "late";
    case Fault::hang_up:
      return "hang-up";
    default:
      break;
  }
  for (const Refusal& refusal : REFUSALS) {
    if (refusal.fault == fault) return refusal.name;
  }
  return "?";
}

bool is_cli(Operation operation) {
  return operation >= Operation::cli_test;
}

std::optional<Cell> fault_cell(Operation operation, Fault fault) {
  const Kind kind = kind_of(operation);
  // show and set work on files alone: no keyer is ever asked.
  if (kind == Kind::file_only) return std::nullopt;
  Cell cell{operation, fault, {}, {}, {}, 0, false};

  const auto refusal = std::find_if(std::begin(REFUSALS), std::end(REFUSALS),
                                    [fault](const Refusal& r) { return r.fault == fault; });
  if (refusal != std::end(REFUSALS)) {
    // Only an upload sends frames.
    if (kind != Kind::upload) return std::nullopt;
    cell.sim_switches = {"--refuse-frame", std::to_string(REFUSED_FRAME), "--refuse-code",
                         refusal->code};
    upload_failure(cell, refusal->text);
    return cell;
  }

  switch (fault) {
    case Fault::silent:
      cell.sim_switches = {"--silent"};
      if (kind == Kind::upload) {
        // The uploader's own interface test waits once; a keyer that did not answer it is not
        // sent the upload at all.
        cell.expired_waits = 1;
        upload_failure(cell, "Error: OstrelUSB Timeout !");
      } else {
        cell.expired_waits = 1;
        interface_failure(cell, NO_RESPONSE);
      }
      break;
    case Fault::wrong_echo:
      if (kind == Kind::upload) {
        // The upload's echo is the sync probe: a firmware answer where the bootloader's belongs.
        cell.sim_switches = {"--sync", "0x55"};
        upload_failure(cell, "Error: Restart failed !");
      } else {
        cell.sim_switches = {"--echo", "0x54"};
        interface_failure(cell, ECHO_MISMATCH);
      }
      break;
    case Fault::garbage:
      cell.sim_switches = {"--garble"};
      if (kind == Kind::upload) {
        upload_failure(cell, "Error: Restart failed !");
      } else {
        interface_failure(cell, ECHO_MISMATCH);
      }
      break;
    case Fault::short_reply:
      // Only the settings image is longer than one byte: a Read, or the read-back of a verify.
      if (kind == Kind::test || kind == Kind::upload) return std::nullopt;
      if (kind == Kind::write && !is_cli(operation)) return std::nullopt;
      cell.sim_switches = {"--short", "100"};
      cell.expired_waits = 1;
      transfer_failure(cell);
      cell.keyer_stores_image = kind == Kind::write;
      break;
    case Fault::late_reply: {
      // Read and Upload: the interface test goes well, then the image or the sync answer comes
      // late. Test and Write: the echo test's answer comes late.
      const bool after_test = kind == Kind::read || kind == Kind::upload;
      cell.sim_switches = {"--delay", std::to_string(LINK_READ_WAIT_MS + LATE_BY_MS),
                           "--delay-after", after_test ? "4" : "0"};
      cell.expired_waits = 1;
      if (kind == Kind::upload) {
        upload_failure(cell, "Error: OstrelUSB Timeout !");
      } else if (kind == Kind::read) {
        transfer_failure(cell);
      } else {
        interface_failure(cell, NO_RESPONSE);
      }
      break;
    }
    case Fault::hang_up:
      cell.sim_switches = hang_up_switches(kind);
      if (kind == Kind::upload) {
        upload_failure(cell, "Error: OstrelUSB Timeout !");
      } else if (kind == Kind::read) {
        transfer_failure(cell);
      } else {
        interface_failure(cell, NO_RESPONSE);
      }
      break;
    default:
      return std::nullopt;
  }
  return cell;
}

std::vector<Cell> wine_cells() {
  std::vector<Cell> cells;
  for (Operation operation :
       {Operation::window_test, Operation::window_read, Operation::window_write}) {
    for (Fault fault : {Fault::silent, Fault::wrong_echo, Fault::short_reply, Fault::hang_up}) {
      if (std::optional<Cell> cell = fault_cell(operation, fault)) cells.push_back(*cell);
    }
  }
  return cells;
}

long lower_bound_ms(const Cell& cell) {
  return static_cast<long>(cell.expired_waits) * LINK_READ_WAIT_MS;
}

long upper_bound_ms(const Cell& cell, long pauses_ms, long margin_ms) {
  return lower_bound_ms(cell) + pauses_ms + margin_ms;
}

std::string matrix_table(const std::vector<Operation>& operations, const std::vector<Fault>& faults,
                         const std::vector<MatrixResult>& results) {
  size_t first_width = 0;
  for (Operation operation : operations)
    first_width = std::max(first_width, std::string(operation_name(operation)).size());
  std::string table = std::string(first_width, ' ');
  std::vector<size_t> widths;
  for (Fault fault : faults) {
    const std::string name = fault_name(fault);
    widths.push_back(std::max<size_t>(name.size(), 4));
    table += " | " + name + std::string(widths.back() - name.size(), ' ');
  }
  table += "\n" + std::string(first_width, '-');
  for (size_t width : widths) table += "-+-" + std::string(width, '-');
  table += "\n";
  for (Operation operation : operations) {
    const std::string name = operation_name(operation);
    table += name + std::string(first_width - name.size(), ' ');
    for (size_t i = 0; i < faults.size(); ++i) {
      std::string mark = "n/a";
      for (const MatrixResult& result : results) {
        if (result.operation == operation && result.fault == faults[i])
          mark = result.outcome.passed() ? "PASS" : "FAIL";
      }
      table += " | " + mark + std::string(widths[i] - mark.size(), ' ');
    }
    table += "\n";
  }
  return table;
}
