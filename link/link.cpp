#include "link/link.h"

#include <chrono>
#include <climits>
#include <cstdio>
#include <utility>

#include "platform/pause.h"

LinkState link_state;
int32_t com_port_number = 0;

namespace {

// Reads and drops bytes until none has come for LINK_DRAIN_QUIET_MS; gives up after
// LINK_DRAIN_LIMIT_MS, or after as many bytes as the line carries in that time (a port whose
// time is simulated has no clock to run out). True when the line went quiet.
bool drop_until_quiet() {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(LINK_DRAIN_LIMIT_MS);
  const uint64_t most_bytes = uint64_t{link_state.baud_rate} * LINK_DRAIN_LIMIT_MS / 10000;
  uint8_t byte = 0;
  for (uint64_t dropped = 0; link_state.port->read(&byte, 1, LINK_DRAIN_QUIET_MS); ++dropped) {
    if (dropped >= most_bytes || Clock::now() >= deadline) return false;
  }
  return true;
}

}  // namespace

std::string link_port_name(int32_t port_number) {
  // Ports from 10 on are reachable only through the device namespace; the short form is kept
  // for everything below, including numbers that name no port at all.
  char name[32];
  std::snprintf(name, sizeof name, port_number < 10 ? "COM%d" : "\\\\.\\COM%d",
                static_cast<int>(port_number));
  return name;
}

int link_open(int32_t port_number) {
  // A second open would otherwise drop the held port without closing it, and an exclusive
  // device cannot be opened twice anyway.
  if (link_state.port || link_state.is_open) link_close();

  // A reply missed on another port's line cannot reach this one.
  if (port_number != link_state.port_number) link_state.reply_missed = false;
  link_state.port_number = port_number;
  link_state.open_error = 0;
  std::unique_ptr<SerialPort> port = make_serial_port();
  if (!port) return LINK_ERR_OPEN;
  if (!port->open(link_port_name(port_number))) {
    link_state.open_error = port->last_error();
    return LINK_ERR_OPEN;
  }

  // From here on the device is held, so every later failure leaves it for link_close.
  link_state.port = std::move(port);
  link_state.is_open = true;
  link_state.baud_rate = LINK_BAUD_RATE;

  // The step's own status, with the system's reason kept for whoever tells the user.
  const auto failed = [](int status) {
    link_state.open_error = link_state.port->last_error();
    return status;
  };
  if (!link_state.port->read_settings()) return failed(LINK_ERR_GET_STATE);
  if (!link_state.port->apply_line_settings(LINK_BAUD_RATE)) return failed(LINK_ERR_SET_STATE);
  // Let bytes that were already on their way land before they are thrown away.
  pause_ms(100);
  if (!link_state.port->purge_input()) return failed(LINK_ERR_PURGE);
  // A late reply may still be on its way, the purge having taken only what had come.
  if (link_state.reply_missed && drop_until_quiet()) link_state.reply_missed = false;
  return LINK_OK;
}

void link_close() {
  if (link_state.port) link_state.port->close();
  link_state.port.reset();
  link_state.is_open = false;
  link_state.baud_rate = LINK_BAUD_RATE;
}

void link_release() {
  if (link_state.reply_missed) {
    if (link_state.port) {
      drop_until_quiet();
    } else {
      link_open(link_state.port_number);
    }
  }
  link_close();
}

bool link_quiet_after_reply() {
  if (!link_state.port) return true;
  uint8_t byte = 0;
  if (!link_state.port->read(&byte, 1, link_quiet_ms())) return true;
  link_state.reply_missed = true;
  return false;
}

bool link_is_open() {
  return link_state.is_open;
}

bool link_reply_missed() {
  return link_state.reply_missed;
}

int link_open_error() {
  return link_state.open_error;
}

int link_line_ms(uint32_t count) {
  const uint64_t baud = link_state.baud_rate ? link_state.baud_rate : LINK_BAUD_RATE;
  const uint64_t line_ms = (uint64_t{count} * 10 * 1000 + baud - 1) / baud;
  return line_ms > INT_MAX - LINK_WRITE_WAIT_MS ? INT_MAX - LINK_WRITE_WAIT_MS
                                                : static_cast<int>(line_ms);
}

int link_quiet_ms() {
  return link_line_ms(4) + LINK_ADAPTER_HOLD_MS;
}

int link_write_wait_ms(uint32_t count) {
  return LINK_WRITE_WAIT_MS + link_line_ms(count);
}

bool link_write(const uint8_t* data, uint32_t count) {
  if (!link_state.port || (data == nullptr && count > 0)) return false;
  return link_state.port->write(data, count, link_write_wait_ms(count));
}

bool link_read(uint8_t* buffer, uint32_t count) {
  if (!link_state.port || (buffer == nullptr && count > 0)) return false;
  if (link_state.port->read(buffer, count, LINK_READ_WAIT_MS)) return true;
  link_state.reply_missed = true;
  return false;
}

bool link_drain(int wait_ms) {
  return link_state.port && link_state.port->drain(wait_ms);
}

bool link_set_baud_rate(uint32_t baud_rate) {
  if (!link_state.port) return false;
  if (!link_state.port->set_baud_rate(baud_rate)) return false;
  link_state.baud_rate = baud_rate;
  return true;
}
