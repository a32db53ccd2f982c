#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "link/serial_port.h"

// Port failures the fuzzer picks, one bit each, in the input's second byte.
inline constexpr uint8_t PORT_FAIL_OPEN = 0x01;
inline constexpr uint8_t PORT_FAIL_GET_STATE = 0x02;
inline constexpr uint8_t PORT_FAIL_SET_STATE = 0x04;
inline constexpr uint8_t PORT_FAIL_PURGE = 0x08;
inline constexpr uint8_t PORT_FAIL_WRITES = 0x10;
inline constexpr uint8_t PORT_FAIL_FIRST_BAUD_CHANGE = 0x20;
inline constexpr uint8_t PORT_FAIL_SECOND_BAUD_CHANGE = 0x40;
// Not a failure of the port's own: replies still owed at a purge come after it (they were on
// their way), so that the next operation's first reads get them.
inline constexpr uint8_t PORT_LATE_AFTER_PURGE = 0x80;

// In the keyer's reply stream, REPLY_ESCAPE followed by 0 is a read that runs out of time (the
// bytes a longer read already got stay in its buffer); followed by any other byte it is the
// byte REPLY_ESCAPE itself. The end of the stream is silence.
inline constexpr uint8_t REPLY_ESCAPE = 0xE5;

struct PortWrite {
  std::vector<uint8_t> bytes;
  uint32_t baud_rate = 0;   // the port's rate when they went out
  int upload_progress = 0;  // what the upload worker had reported by then
};

// One read of the host's. The keyer answers every request in turn: a reply that ran out of time
// is still sent, before the replies to whatever is asked after it, so the bytes a read gets may
// belong to an earlier request, and its own reply is then still owed. While any reply is owed
// the keyer is sending: the wait for a quiet line after a last reply gets a byte.
struct PortRead {
  std::vector<uint8_t> request;     // the last write before it, whose answer it waits for
  std::vector<uint8_t> bytes;       // what it delivered, complete or not
  size_t late_bytes = 0;            // how many of them belong to an earlier request's reply
  bool after_missed_reply = false;  // it began while an earlier reply was still to come
  bool complete = false;
  bool answer = true;               // it waited for a reply, not for a quiet line
};

// The keyer behind the port, as the fuzzer plays it, and everything the host did to the port.
struct FuzzedKeyer {
  uint8_t failures = 0;  // PORT_FAIL_* bits
  const uint8_t* replies = nullptr;
  size_t replies_left = 0;
  uint32_t baud_rate = 0;  // 0 until the link applies its line settings
  int baud_changes = 0;
  int opens = 0;
  std::vector<PortWrite> writes;
  std::vector<PortRead> reads;  // every read since the dialogue started
  size_t late_bytes_owed = 0;   // bytes of replies that ran out of time, still to come
};
extern FuzzedKeyer fuzzed_keyer;

// Starts a dialogue: the failures and the reply stream come from the fuzzer's input.
void start_fuzzed_dialogue(uint8_t failures, const uint8_t* replies, size_t size);

// A serial port that answers from fuzzed_keyer's reply stream at once, never waiting. It stops
// the run when the host uses it against the link's rules: a transfer on a port that is not open
// and configured, a read of nothing or with another wait than the link's.
class FuzzedPort : public SerialPort {
 public:
  bool open(const std::string& name) override;
  bool read_settings() override;
  bool apply_line_settings(uint32_t baud_rate) override;
  bool set_baud_rate(uint32_t baud_rate) override;
  bool purge_input() override;
  bool write(const uint8_t* data, size_t count, int wait_ms) override;
  bool read(uint8_t* data, size_t count, int wait_ms) override;
  void close() override;

 private:
  bool open_ = false;
  bool configured_ = false;  // line settings applied and the receive queue purged
};
