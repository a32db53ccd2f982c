#include "bench/support/line_meter.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

#include "platform/pause.h"

LineMeter line_meter;

namespace {

double line_seconds(uint64_t bytes, uint32_t rate) {
  return rate > 0 ? static_cast<double>(bytes) * LINE_BITS_PER_BYTE / rate : 0;
}

void count_bytes(uint64_t bytes) {
  line_meter.bytes_at_rate[line_meter.baud_rate] += bytes;
}

void metered_sleep(int milliseconds) {
  if (milliseconds <= 0) return;
  line_meter.pause_ms += milliseconds;
  const double under_line = std::min(milliseconds / 1000.0, line_meter.unanswered_line_s);
  line_meter.pause_under_line_s += under_line;
  line_meter.unanswered_line_s -= under_line;
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace

double line_floor_seconds(const LineMeter& meter) {
  double seconds = meter.pause_ms / 1000.0 - meter.pause_under_line_s;
  for (const auto& [rate, bytes] : meter.bytes_at_rate) seconds += line_seconds(bytes, rate);
  return seconds;
}

std::string line_floor_parts(const LineMeter& meter) {
  std::string parts;
  for (const auto& [rate, bytes] : meter.bytes_at_rate) {
    if (!parts.empty()) parts += " + ";
    parts += std::to_string(bytes) + " B at " + std::to_string(rate) + " baud";
  }
  if (!parts.empty()) parts += " + ";
  char pauses[80];
  const double under_line_ms = meter.pause_under_line_s * 1000;
  std::snprintf(pauses, sizeof pauses, "%.0f ms of pauses", meter.pause_ms - under_line_ms);
  parts += pauses;
  if (under_line_ms >= 0.5) {
    std::snprintf(pauses, sizeof pauses, " (+%.0f under the line)", under_line_ms);
    parts += pauses;
  }
  return parts;
}

void print_run(const std::string& op, int run, bool ok, double wall_seconds, const LineMeter& meter,
               double shown_seconds) {
  std::printf(
      "RUN op=%s run=%d ok=%d wall_ms=%.3f floor_ms=%.3f sent=%llu received=%llu pause_ms=%lld "
      "parts=\"%s\"",
      op.c_str(), run, ok ? 1 : 0, wall_seconds * 1000, line_floor_seconds(meter) * 1000,
      static_cast<unsigned long long>(meter.bytes_sent),
      static_cast<unsigned long long>(meter.bytes_received), static_cast<long long>(meter.pause_ms),
      line_floor_parts(meter).c_str());
  if (shown_seconds >= 0) std::printf(" shown_ms=%.3f", shown_seconds * 1000);
  std::printf("\n");
  std::fflush(stdout);
}

bool MeteredPort::apply_line_settings(uint32_t baud_rate) {
  if (!inner_->apply_line_settings(baud_rate)) return false;
  line_meter.baud_rate = baud_rate;
  return true;
}

bool MeteredPort::set_baud_rate(uint32_t baud_rate) {
  if (!inner_->set_baud_rate(baud_rate)) return false;
  line_meter.baud_rate = baud_rate;
  return true;
}

bool MeteredPort::write(const uint8_t* data, size_t count, int wait_ms) {
  // Bytes handed over go out even when the send's wait runs out, so they count either way.
  const bool sent = inner_->write(data, count, wait_ms);
  line_meter.bytes_sent += count;
  count_bytes(count);
  line_meter.unanswered_line_s += line_seconds(count, line_meter.baud_rate);
  return sent;
}

bool MeteredPort::read(uint8_t* data, size_t count, int wait_ms) {
  // A reply comes after the request has left, and a read that waited in vain outlasted it too.
  line_meter.unanswered_line_s = 0;
  if (!inner_->read(data, count, wait_ms)) return false;
  line_meter.bytes_received += count;
  count_bytes(count);
  return true;
}

void meter_pauses() {
  set_pause_function(&metered_sleep);
}
