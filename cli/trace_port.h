#pragma once

#include <chrono>
#include <cstdio>
#include <memory>

#include "link/serial_port.h"

// A serial port that writes everything passing through another one to a trace file: each line
// is the time in milliseconds since the trace started, the event and the bytes in hex.
class TracePort : public SerialPort {
 public:
  using Clock = std::chrono::steady_clock;

  TracePort(std::unique_ptr<SerialPort> inner, std::FILE* trace, Clock::time_point start)
      : inner_(std::move(inner)), trace_(trace), start_(start) {}

  bool open(const std::string& name) override;
  bool read_settings() override;
  bool apply_line_settings(uint32_t baud_rate) override;
  bool set_baud_rate(uint32_t baud_rate) override;
  bool purge_input() override;
  bool write(const uint8_t* data, size_t count, int wait_ms) override;
  bool read(uint8_t* data, size_t count, int wait_ms) override;
  bool drain(int wait_ms) override;
  void close() override;
  int last_error() const override { return inner_->last_error(); }

 private:
  void line(const char* event, const std::string& detail);

  std::unique_ptr<SerialPort> inner_;
  std::FILE* trace_;
  Clock::time_point start_;
};

// "00 04 55": the bytes in hex, separated by single spaces, a line break after every 16.
inline constexpr size_t HEX_BYTES_PER_LINE = 16;
std::string hex_bytes(const uint8_t* data, size_t count);
