#include "fuzzing/fuzzed_port.h"

#include <utility>

#include "firmware/upload_worker.h"
#include "fuzzing/fuzz_support.h"
#include "link/link.h"

FuzzedKeyer fuzzed_keyer;

namespace {

bool failing(uint8_t failure) {
  return (fuzzed_keyer.failures & failure) != 0;
}

// The next byte the keyer sends, or false when it stays silent.
bool next_reply_byte(uint8_t& byte) {
  FuzzedKeyer& keyer = fuzzed_keyer;
  if (keyer.replies_left == 0) return false;
  byte = *keyer.replies++;
  --keyer.replies_left;
  if (byte != REPLY_ESCAPE) return true;
  if (keyer.replies_left == 0) return false;
  const uint8_t escaped = *keyer.replies++;
  --keyer.replies_left;
  return escaped != 0;
}

}  // namespace

void start_fuzzed_dialogue(uint8_t failures, const uint8_t* replies, size_t size) {
  fuzzed_keyer = FuzzedKeyer{};
  fuzzed_keyer.failures = failures;
  fuzzed_keyer.replies = replies;
  fuzzed_keyer.replies_left = size;
  set_serial_port_factory([] { return std::make_unique<FuzzedPort>(); });
}

bool FuzzedPort::open(const std::string&) {
  ++fuzzed_keyer.opens;
  open_ = !failing(PORT_FAIL_OPEN);
  return open_;
}

bool FuzzedPort::read_settings() {
  FUZZ_CHECK(open_);
  return !failing(PORT_FAIL_GET_STATE);
}

bool FuzzedPort::apply_line_settings(uint32_t baud_rate) {
  FUZZ_CHECK(open_);
  FUZZ_CHECK(baud_rate == LINK_BAUD_RATE);
  if (failing(PORT_FAIL_SET_STATE)) return false;
  fuzzed_keyer.baud_rate = baud_rate;
  return true;
}

bool FuzzedPort::set_baud_rate(uint32_t baud_rate) {
  FUZZ_CHECK(configured_);
  const int change = fuzzed_keyer.baud_changes++;
  if (failing(change == 0 ? PORT_FAIL_FIRST_BAUD_CHANGE : PORT_FAIL_SECOND_BAUD_CHANGE))
    return false;
  fuzzed_keyer.baud_rate = baud_rate;
  return true;
}

bool FuzzedPort::purge_input() {
  FUZZ_CHECK(open_ && fuzzed_keyer.baud_rate == LINK_BAUD_RATE);
  // What the keyer sends from now on is still to come: a purge does not shorten the stream.
  if (failing(PORT_FAIL_PURGE)) return false;
  // Late replies that had come by now are gone; the model takes it that all had, unless the
  // fuzzer has them still on their way.
  if (!failing(PORT_LATE_AFTER_PURGE)) fuzzed_keyer.late_bytes_owed = 0;
  configured_ = true;
  return true;
}

bool FuzzedPort::write(const uint8_t* data, size_t count, int wait_ms) {
  FUZZ_CHECK(configured_);
  FUZZ_CHECK(count > 0 && data != nullptr);
  FUZZ_CHECK(wait_ms >= LINK_WRITE_WAIT_MS);
  fuzzed_keyer.writes.push_back(
      {std::vector<uint8_t>(data, data + count), fuzzed_keyer.baud_rate, upload_progress.load()});
  return !failing(PORT_FAIL_WRITES);
}

bool FuzzedPort::read(uint8_t* data, size_t count, int wait_ms) {
  FUZZ_CHECK(configured_);
  FUZZ_CHECK(count > 0 && data != nullptr);
  // The wait after a last reply, and the drain's (its bytes come as the stream has them).
  const bool quiet_wait = wait_ms == link_quiet_ms();
  const bool drain_wait = wait_ms == LINK_DRAIN_QUIET_MS;
  FUZZ_CHECK(wait_ms == LINK_READ_WAIT_MS || ((quiet_wait || drain_wait) && count == 1));
  FuzzedKeyer& keyer = fuzzed_keyer;
  PortRead read;
  read.answer = !quiet_wait && !drain_wait;
  if (!keyer.writes.empty()) read.request = keyer.writes.back().bytes;
  read.after_missed_reply = keyer.late_bytes_owed > 0;
  if (quiet_wait && keyer.late_bytes_owed > 0) {
    // An owed reply is on its way: the line is not quiet.
    --keyer.late_bytes_owed;
    data[0] = 0;
    read.bytes = {0};
    read.late_bytes = 1;
    read.complete = true;
    keyer.reads.push_back(std::move(read));
    return true;
  }
  uint8_t byte = 0;
  while (read.bytes.size() < count && next_reply_byte(byte)) {
    data[read.bytes.size()] = byte;
    read.bytes.push_back(byte);
    if (keyer.late_bytes_owed > 0) {
      --keyer.late_bytes_owed;
      ++read.late_bytes;
    }
  }
  read.complete = read.bytes.size() == count;
  // What of its own reply did not come (in time, or at all, behind an earlier one's bytes) is
  // still on its way. A quiet wait asked for nothing.
  if (read.answer) keyer.late_bytes_owed += count - (read.bytes.size() - read.late_bytes);
  keyer.reads.push_back(std::move(read));
  return keyer.reads.back().complete;
}

void FuzzedPort::close() {
  open_ = false;
  configured_ = false;
}
