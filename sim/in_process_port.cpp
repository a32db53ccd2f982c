#include "sim/in_process_port.h"

#include <algorithm>

#include "link/link.h"

namespace {

// Bytes that have arrived are in the port's receive queue; the rest are still on the line.
void drop_arrived(InProcessLine& line) {
  while (!line.empty() && line.front().second <= 0) line.pop_front();
}

}  // namespace

void elapse(InProcessLine& line, int ms) {
  for (auto& byte : line) byte.second = std::max(0, byte.second - ms);
}

bool InProcessPort::open(const std::string& name) {
  if (name_log != nullptr) name_log->push_back(name);
  if (faults_.fail_open) return false;
  opened_name = name;
  open_ = true;
  return true;
}

bool InProcessPort::read_settings() {
  return open_ && !faults_.fail_read_settings;
}

bool InProcessPort::apply_line_settings(uint32_t baud_rate) {
  if (!open_ || faults_.fail_apply_settings) return false;
  baud_ = baud_rate;
  return true;
}

bool InProcessPort::set_baud_rate(uint32_t baud_rate) {
  if (!open_ || faults_.fail_set_baud_rate) return false;
  baud_ = baud_rate;
  return true;
}

bool InProcessPort::purge_input() {
  if (!open_ || faults_.fail_purge) return false;
  drop_arrived(input_);
  return true;
}

bool InProcessPort::write(const uint8_t* data, size_t count, int /*wait_ms*/) {
  if (!open_ || (count > 0 && data == nullptr)) return false;
  size_t moved = count;
  if (faults_.write_accepts_at_most >= 0) {
    moved = std::min(count, static_cast<size_t>(faults_.write_accepts_at_most));
  }
  // A dead line takes nothing, as a port whose adapter was pulled out fails its writes.
  if (keyer_.hung_up()) return false;
  const std::vector<uint8_t> reply = keyer_.receive(data, moved, baud_);
  const int arrival = std::max(0, keyer_.reply_delay_ms());
  for (uint8_t byte : reply) input_.emplace_back(byte, arrival);
  return moved == count;
}

// Time here is simulated: a read lasts until its last byte arrives, or for its whole wait when
// it fails, and whatever is still queued comes that much closer.
bool InProcessPort::read(uint8_t* data, size_t count, int wait_ms) {
  if (!open_ || (count > 0 && data == nullptr)) return false;
  size_t taken = 0;
  int elapsed = 0;
  while (taken < count && !input_.empty() && input_.front().second <= wait_ms) {
    data[taken++] = input_.front().first;
    elapsed = std::max(elapsed, input_.front().second);
    input_.pop_front();
  }
  const bool complete = taken == count;
  if (!complete) elapsed = std::max(0, wait_ms);
  elapse(input_, elapsed);
  return complete;
}

void InProcessPort::close() {
  open_ = false;
  drop_arrived(input_);
}

SimulatedKeyerLink::SimulatedKeyerLink(const KeyerSimConfig& config) : keyer(config) {
  set_serial_port_factory([this]() -> std::unique_ptr<SerialPort> {
    auto port = std::make_unique<InProcessPort>(keyer, port_faults,
                                                late_bytes_outlive_port ? &line : nullptr);
    port->name_log = &opened_names;
    return port;
  });
}

SimulatedKeyerLink::~SimulatedKeyerLink() {
  // Close first: the link's port refers to this keyer, which is about to go.
  link_close();
  set_serial_port_factory(nullptr);
}
