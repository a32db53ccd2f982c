#pragma once

#include <deque>
#include <string>
#include <vector>

#include "link/serial_port.h"
#include "sim/keyer_sim.h"

// Failures of the port itself (not of the keyer), for the link's error paths.
struct PortFaults {
  bool fail_open = false;
  bool fail_read_settings = false;
  bool fail_apply_settings = false;
  bool fail_purge = false;
  bool fail_set_baud_rate = false;
  int write_accepts_at_most = -1;  // >= 0: a write moves only this many bytes
  int system_error = 0;            // the reason a failing step gives (last_error)
};

// Bytes from the keyer and the simulated time (ms from now) at which they arrive.
using InProcessLine = std::deque<std::pair<uint8_t, int>>;
// Lets `ms` of simulated time pass on the line: what is on its way comes that much closer.
void elapse(InProcessLine& line, int ms);

// A serial port wired straight to a KeyerSim in this process. Nothing sleeps: a read whose bytes
// are not there (or would arrive later than its wait) fails at once; late replies stay queued.
class InProcessPort : public SerialPort {
 public:
  // With a `line` of its own the port keeps what is still on its way when it closes, as a real
  // line does, for the next port; otherwise such bytes go with the port.
  InProcessPort(KeyerSim& keyer, PortFaults& faults, InProcessLine* line = nullptr)
      : keyer_(keyer), faults_(faults), input_(line != nullptr ? *line : own_line_) {}

  bool open(const std::string& name) override;
  bool read_settings() override;
  bool apply_line_settings(uint32_t baud_rate) override;
  bool set_baud_rate(uint32_t baud_rate) override;
  bool purge_input() override;
  bool write(const uint8_t* data, size_t count, int wait_ms) override;
  bool read(uint8_t* data, size_t count, int wait_ms) override;
  void close() override;
  int last_error() const override { return faults_.system_error; }

  std::string opened_name;                       // the name the link asked for
  std::vector<std::string>* name_log = nullptr;  // when set, every name asked for is appended

 private:
  KeyerSim& keyer_;
  PortFaults& faults_;
  bool open_ = false;
  uint32_t baud_ = 0;  // none until the link applies its line settings
  InProcessLine own_line_;
  InProcessLine& input_;
};

// One simulated keyer wired in as the link's port for a test: installs a factory that hands out
// InProcessPorts onto `keyer`, and restores the platform's factory when it goes out of scope.
// Also log every name opened in `opened_names`.
class SimulatedKeyerLink {
 public:
  explicit SimulatedKeyerLink(const KeyerSimConfig& config = {});
  ~SimulatedKeyerLink();
  SimulatedKeyerLink(const SimulatedKeyerLink&) = delete;
  SimulatedKeyerLink& operator=(const SimulatedKeyerLink&) = delete;

  KeyerSim keyer;
  PortFaults port_faults;
  // Set, late replies outlive the port that missed them and reach the next one opened.
  bool late_bytes_outlive_port = false;
  InProcessLine line;
  std::vector<std::string> opened_names;
};
