#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "link/serial_port.h"

// What one keyer operation asked of the line, counted as it happened: the bytes moved each way at
// the rate in force at that moment, and the fixed pauses taken. From it comes the operation's
// floor, the time the line itself needs, against which the wall time is set.
//
// A send on a pseudo-terminal (and through Wine onto one) completes when its bytes are queued,
// not when they have left, so a pause that follows a send runs while those bytes are still on
// the line: only the part of it that outlasts them adds to the floor. (Write's wait for its image's
// time on the line thus adds nothing to the bytes, and its 500 ms, which follow, count whole.)
struct LineMeter {
  uint64_t bytes_sent = 0;
  uint64_t bytes_received = 0;
  std::map<uint32_t, uint64_t> bytes_at_rate;  // baud rate -> bytes moved both ways
  int64_t pause_ms = 0;                        // every pause taken
  double pause_under_line_s = 0;               // the part of them that ran while bytes were out
  double unanswered_line_s = 0;                // line time of the sends since the last read
  uint32_t baud_rate = 0;                      // as last applied to the port
};
extern LineMeter line_meter;

inline constexpr int LINE_BITS_PER_BYTE = 10;  // start bit, 8 data bits, stop bit

// Seconds the counted bytes need on the line plus the counted pauses.
double line_floor_seconds(const LineMeter& meter);
// The floor's parts, e.g. "303 B at 1200 baud + 100 ms of pauses (+500 under the line)".
std::string line_floor_parts(const LineMeter& meter);

// Prints one run as a line that bench/all reads:
//   RUN op=OP run=N ok=0|1 wall_ms=W floor_ms=F sent=S received=R pause_ms=P parts="..."
//       [shown_ms=D]
// with the floor and its parts taken from `meter`; shown_ms (when not negative) is when the
// window showed the result, if the keyer was still receiving then.
void print_run(const std::string& op, int run, bool ok, double wall_seconds, const LineMeter& meter,
               double shown_seconds = -1);

// Passes every call to `inner` and counts in line_meter what went through. A read that fails
// counts nothing: the bytes it got are unknown, and the run is not a success anyway.
class MeteredPort : public SerialPort {
 public:
  explicit MeteredPort(std::unique_ptr<SerialPort> inner) : inner_(std::move(inner)) {}

  bool open(const std::string& name) override { return inner_->open(name); }
  bool read_settings() override { return inner_->read_settings(); }
  bool apply_line_settings(uint32_t baud_rate) override;
  bool set_baud_rate(uint32_t baud_rate) override;
  bool purge_input() override { return inner_->purge_input(); }
  bool write(const uint8_t* data, size_t count, int wait_ms) override;
  bool read(uint8_t* data, size_t count, int wait_ms) override;
  bool drain(int wait_ms) override { return inner_->drain(wait_ms); }
  void close() override { inner_->close(); }

 private:
  std::unique_ptr<SerialPort> inner_;
};

// Makes the protocol's pauses count into line_meter while still sleeping for real. The bench
// runs every operation, the upload worker too, on its one thread.
void meter_pauses();
