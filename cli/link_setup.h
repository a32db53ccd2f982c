#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

class SimulatedKeyerLink;

// How the command line reaches the keyer.
struct LinkOptions {
  std::string port;        // "COMn", "\\.\COMn" or a device path; "" for the remembered port
  bool sim = false;        // an in-process simulated keyer instead of a port
  std::string trace_path;  // "" for no trace
};

// What the command line has set up around the link for this run, one instance.
struct CliLinkState {
  std::string port_name;  // the keyer's port as the user named it, for messages
  std::unique_ptr<SimulatedKeyerLink> sim;
  std::FILE* trace = nullptr;
  std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
};
extern CliLinkState cli_link_state;

// The port number of a COM name ("COM3", "com3", "\\.\COM12"), or nothing for any other text.
std::optional<int32_t> parse_com_port_name(const std::string& name);

// Where the Windows utility's configuration file may lie: the current folder, then the folder of
// the running program.
std::vector<std::string> config_file_candidates(const std::string& exe_path);

// EXIT_OK when the options name at most one keyer; otherwise EXIT_USAGE after saying so.
int check_link_options(const LinkOptions& options, std::ostream& err);

// Chooses the port (setting com_port_number) and installs the serial port factory that the link
// will use. Returns EXIT_OK, or an exit status after telling `err` what to do.
int setup_link(const LinkOptions& options, std::ostream& err);
// Closes the link and the trace, and gives the link back its platform port.
void teardown_link();
