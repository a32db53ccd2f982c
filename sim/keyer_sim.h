#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "settings/settings_image.h"

// Flash as the bootloader keeps it: 8192 program words, two bytes each, low byte first, so that
// byte offset 2w holds word w (the same byte addressing as a programming file). Erased words
// read 0x3FFF.
inline constexpr int SIM_FLASH_WORDS = 8192;
inline constexpr int SIM_FLASH_BYTES = SIM_FLASH_WORDS * 2;

struct KeyerSimConfig {
  uint8_t fw_major = 31;
  uint8_t fw_minor = 4;
  uint8_t ic_type = 2;  // reply to 0x00 0x18: 1 SMT, 2 DIP, 3 MINI (any byte allowed)
  uint8_t pot_value = 128;
  uint8_t supply_reading = 52;  // 262.144 / 52 = 5.04 V
  uint8_t aux_value = 0;
  bool no_firmware = false;  // start in the bootloader, as a keyer without firmware
  SettingsImage image{};     // the settings the keyer starts with
};

// Ways to make the keyer misbehave, for tests.
struct KeyerFaults {
  bool silent = false;  // never answers anything (it still hears and stores)
  int echo_reply = -1;  // >= 0: the firmware answers the echo test with this byte
  int sync_reply = -1;  // >= 0: the bootloader answers the sync probe with this byte
  // Admin sub-commands that get no reply; 0x04 also silences the bootloader's sync probe.
  std::vector<uint8_t> unanswered_sub_commands;
  int short_reply = -1;          // >= 0: every reply longer than this is cut to this many bytes
  int reply_delay_ms = 0;        // every reply arrives this long after its request
  int refuse_frame = -1;         // >= 0: the upload frame of this index (0 = first) is refused
  uint8_t refuse_code = 0x81;    //   with this byte (0x00 allowed)
  long silent_after_bytes = -1;  // >= 0: stops answering once it has sent this many bytes
  // Line noise: every reply byte arrives changed, never as itself nor as its complement, so a
  // garbled 0x55 never reads as 0xAA or the other way round.
  bool garble = false;
  long delay_after_bytes = 0;  // reply_delay_ms holds only for replies begun after this many bytes
  // >= 0: every reply to this admin sub-command arrives late_reply_ms after its request, the
  // other replies on time (0x04 also delays the bootloader's sync probe).
  int late_sub_command = -1;
  int late_reply_ms = 0;
  // The adapter pulled out: the line goes dead once the keyer has heard (or sent) this many
  // bytes; nothing it would answer to the last byte heard goes out.
  long hangup_after_received = -1;
  long hangup_after_sent = -1;
};

// The keyer: its firmware's admin commands and its bootloader, as one state machine fed with
// the bytes that the host sends. Used in-process by the tests (sim/in_process_port.h) and over a
// pseudo-terminal by the ostrel-keyer-sim program.
class KeyerSim {
 public:
  enum class Mode { firmware, bootloader };

  explicit KeyerSim(const KeyerSimConfig& config = {});

  // Bytes from the host, sent at host_baud. Bytes sent at a rate other than the keyer's own
  // arrive garbled: they are dropped and the keyer answers nothing. Returns the reply bytes
  // (possibly none), already shortened by the faults.
  std::vector<uint8_t> receive(const uint8_t* data, size_t count, uint32_t host_baud);

  // A restart, as after power came back: the firmware (or the bootloader when there is none)
  // at 1200 baud, halfway commands and byte counts forgotten; the stored image and flash kept.
  void power_cycle();

  Mode mode() const { return mode_; }
  // The line has gone dead (hangup_after_*): nothing more is heard or answered.
  bool hung_up() const { return hung_up_; }
  // How long after its request the reply of the last receive() arrives.
  int reply_delay_ms() const { return last_reply_delay_ms_; }
  // The keyer's line rate: 1200, or 9600 when switched.
  uint32_t baud_rate() const { return baud_; }

  KeyerSimConfig config;
  KeyerFaults faults;
  SettingsImage image;                         // what the keyer stores (written by 0x0D)
  std::array<uint8_t, SIM_FLASH_BYTES> flash;  // what the bootloader has programmed
  std::vector<uint8_t> received;               // every byte the host sent, in order
  std::vector<std::vector<uint8_t>> frames;    // every upload frame received, in order
  int frames_accepted = 0;
  int image_writes = 0;  // settings images stored
  int restarts = 0;      // restarts (0x5A) after an upload

 private:
  void take_firmware_byte(uint8_t byte, std::vector<uint8_t>& reply);
  void take_bootloader_byte(uint8_t byte, std::vector<uint8_t>& reply);
  void take_upload_frame(std::vector<uint8_t>& reply);
  void enter_bootloader();
  // Appends a reply of one command to `reply`, as the faults let it out.
  void answer(const uint8_t* bytes, size_t count, std::vector<uint8_t>& reply);
  void answer_byte(uint8_t byte, std::vector<uint8_t>& reply) { answer(&byte, 1, reply); }
  bool answers_sub_command(uint8_t sub_command) const;
  // Called before the reply to `sub_command` is given, so that it can be made late.
  void replying_to(uint8_t sub_command) {
    if (faults.late_sub_command == sub_command) late_reply_ = true;
  }

  Mode mode_;
  uint32_t baud_ = 1200;
  std::vector<uint8_t> pending_;  // bytes of the command being received
  long bytes_sent_ = 0;
  long bytes_received_ = 0;
  bool hung_up_ = false;
  int last_reply_delay_ms_ = 0;
  bool late_reply_ = false;     // the reply of the receive() under way answers late_sub_command
  int upload_frame_index_ = 0;  // frames since the bootloader last started, for refuse_frame
};
