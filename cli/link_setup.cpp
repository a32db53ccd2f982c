#include "cli/link_setup.h"

#include <filesystem>
#include <system_error>

#include "app/app_config.h"
#include "cli/demo_settings_image.h"
#include "cli/executable_path.h"
#include "cli/exit_status.h"
#include "cli/path_port.h"
#include "cli/trace_port.h"
#include "link/link.h"
#include "link/platform_serial_port.h"
#include "sim/in_process_port.h"

CliLinkState cli_link_state;

namespace {
constexpr const char* CONFIG_FILE_NAME = "Ostrel3tools.cfg";

bool equals_ignoring_case(const std::string& text, size_t at, const char* word) {
  for (size_t i = 0; word[i] != '\0'; ++i) {
    if (at + i >= text.size()) return false;
    char c = text[at + i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != word[i]) return false;
  }
  return true;
}

// Loads com_port_number from the first configuration file that exists: EXIT_OK, EXIT_FILE when it
// cannot be read, EXIT_USAGE when there is none. The file is never created here: the command line
// only borrows it.
int load_remembered_port(std::ostream& err) {
  for (const std::string& candidate : config_file_candidates(executable_path())) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(candidate, error)) continue;
    app_state.cfg_path = candidate;
    if (load_app_config() == 1) {
      cli_link_state.port_name = link_port_name(com_port_number);
      return EXIT_OK;
    }
    err << "ostrel: cannot read the port from " << candidate << "; pass one with --port\n";
    return EXIT_FILE;
  }
  err << "ostrel: no port given and no " << CONFIG_FILE_NAME
      << " found here or beside the program.\n"
         "hint: run `ostrel ports` to see the ports present, then pass one with -p "
         "(or use --sim for the built-in simulated keyer).\n";
  return EXIT_USAGE;
}
}  // namespace

std::optional<int32_t> parse_com_port_name(const std::string& name) {
  size_t at = equals_ignoring_case(name, 0, "\\\\.\\") ? 4 : 0;
  if (!equals_ignoring_case(name, at, "COM")) return std::nullopt;
  at += 3;
  if (at >= name.size() || name.size() - at > 9) return std::nullopt;
  int32_t number = 0;
  for (; at < name.size(); ++at) {
    if (name[at] < '0' || name[at] > '9') return std::nullopt;
    number = number * 10 + (name[at] - '0');
  }
  if (number < 1) return std::nullopt;
  return number;
}

std::vector<std::string> config_file_candidates(const std::string& exe_path) {
  std::vector<std::string> candidates{CONFIG_FILE_NAME};
  if (!exe_path.empty()) {
    const std::filesystem::path beside =
        std::filesystem::path(exe_path).parent_path() / CONFIG_FILE_NAME;
    candidates.push_back(beside.string());
  }
  return candidates;
}

int check_link_options(const LinkOptions& options, std::ostream& err) {
  if (!options.sim || options.port.empty()) return EXIT_OK;
  err << "ostrel: --sim and --port name two different keyers; give one of them\n";
  return EXIT_USAGE;
}

int setup_link(const LinkOptions& options, std::ostream& err) {
  cli_link_state.start = std::chrono::steady_clock::now();
  SerialPortFactory factory;
  if (int status = check_link_options(options, err); status != EXIT_OK) return status;
  cli_link_state.port_name = options.sim ? "the simulated keyer" : options.port;
  if (options.sim) {
    KeyerSimConfig demo;
    demo.image = DEMO_SETTINGS_IMAGE;
    cli_link_state.sim = std::make_unique<SimulatedKeyerLink>(demo);
    SimulatedKeyerLink* sim = cli_link_state.sim.get();
    com_port_number = 1;
    factory = [sim]() -> std::unique_ptr<SerialPort> {
      return std::make_unique<InProcessPort>(sim->keyer, sim->port_faults);
    };
  } else if (!options.port.empty()) {
    if (std::optional<int32_t> number = parse_com_port_name(options.port)) {
      com_port_number = *number;
    } else {
      const std::string path = options.port;
      com_port_number = 1;
      factory = [path]() -> std::unique_ptr<SerialPort> {
        return std::make_unique<PathPort>(make_platform_serial_port(), path);
      };
    }
  } else if (int status = load_remembered_port(err); status != EXIT_OK) {
    return status;
  }

  if (!options.trace_path.empty()) {
    cli_link_state.trace = std::fopen(options.trace_path.c_str(), "w");
    if (!cli_link_state.trace) {
      err << "ostrel: cannot create the trace file " << options.trace_path << "\n";
      teardown_link();
      return EXIT_FILE;
    }
    SerialPortFactory inner = factory ? factory : SerialPortFactory(make_platform_serial_port);
    std::FILE* trace = cli_link_state.trace;
    const auto start = cli_link_state.start;
    factory = [inner, trace, start]() -> std::unique_ptr<SerialPort> {
      return std::make_unique<TracePort>(inner(), trace, start);
    };
  }
  if (factory) set_serial_port_factory(factory);
  return EXIT_OK;
}

void teardown_link() {
  link_close();
  set_serial_port_factory(nullptr);
  // The simulated keyer goes only after the link has let go of its port.
  cli_link_state.sim.reset();
  if (cli_link_state.trace) std::fclose(cli_link_state.trace);
  cli_link_state.trace = nullptr;
}
