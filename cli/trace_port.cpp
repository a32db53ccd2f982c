#include "cli/trace_port.h"

#include <string>

std::string hex_bytes(const uint8_t* data, size_t count) {
  static const char digits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(count * 3);
  for (size_t i = 0; i < count; ++i) {
    if (i > 0) text += i % HEX_BYTES_PER_LINE == 0 ? '\n' : ' ';
    text += digits[data[i] >> 4];
    text += digits[data[i] & 0x0F];
  }
  return text;
}

void TracePort::line(const char* event, const std::string& detail) {
  const auto elapsed =
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start_).count();
  char head[48];
  const int width =
      std::snprintf(head, sizeof head, "%8lld ms  %-9s ", static_cast<long long>(elapsed), event);
  // Continuation lines of a long transfer stand under its first bytes.
  std::string text = head;
  for (char c : detail) {
    text += c;
    if (c == '\n') text.append(static_cast<size_t>(width), ' ');
  }
  std::fprintf(trace_, "%s\n", text.c_str());
  // Flushed line by line: a trace is most wanted when the program does not end normally.
  std::fflush(trace_);
}

namespace {
const char* outcome(bool ok) {
  return ok ? "" : "  FAILED";
}
}  // namespace

bool TracePort::open(const std::string& name) {
  const bool ok = inner_->open(name);
  line("open", name + outcome(ok));
  return ok;
}

bool TracePort::read_settings() {
  const bool ok = inner_->read_settings();
  if (!ok) line("settings", "cannot be read  FAILED");
  return ok;
}

bool TracePort::apply_line_settings(uint32_t baud_rate) {
  const bool ok = inner_->apply_line_settings(baud_rate);
  line("line", std::to_string(baud_rate) + " baud 8N1" + outcome(ok));
  return ok;
}

bool TracePort::set_baud_rate(uint32_t baud_rate) {
  const bool ok = inner_->set_baud_rate(baud_rate);
  line("baud", std::to_string(baud_rate) + outcome(ok));
  return ok;
}

bool TracePort::purge_input() {
  const bool ok = inner_->purge_input();
  line("purge", outcome(ok));
  return ok;
}

bool TracePort::write(const uint8_t* data, size_t count, int wait_ms) {
  const bool ok = inner_->write(data, count, wait_ms);
  line("sent", hex_bytes(data, count) + outcome(ok));
  return ok;
}

bool TracePort::read(uint8_t* data, size_t count, int wait_ms) {
  const bool ok = inner_->read(data, count, wait_ms);
  // A failed read leaves no count of what arrived, so its buffer is not shown.
  if (ok)
    line("received", hex_bytes(data, count));
  else
    line("received", "nothing: " + std::to_string(count) + " byte(s) not there within " +
                         std::to_string(wait_ms) + " ms  FAILED");
  return ok;
}

bool TracePort::drain(int wait_ms) {
  const bool ok = inner_->drain(wait_ms);
  line("drained", ok ? "" : "bytes still queued after " + std::to_string(wait_ms) + " ms  FAILED");
  return ok;
}

void TracePort::close() {
  inner_->close();
  line("close", "");
}
