#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "link/serial_port.h"

inline constexpr int LINK_OK = 0;
inline constexpr int LINK_ERR_OPEN = -4;
inline constexpr int LINK_ERR_GET_STATE = -5;
inline constexpr int LINK_ERR_SET_STATE = -6;
inline constexpr int LINK_ERR_PURGE = -10;

inline constexpr uint32_t LINK_BAUD_RATE = 1200;
inline constexpr int LINK_WRITE_WAIT_MS = 2000;
inline constexpr int LINK_READ_WAIT_MS = 4000;
// How long a USB adapter may hold a received byte before passing it on.
inline constexpr int LINK_ADAPTER_HOLD_MS = 16;
inline constexpr int LINK_DRAIN_QUIET_MS = 1000;
inline constexpr int LINK_DRAIN_LIMIT_MS = 4000;

// The one serial link of the program.
struct LinkState {
  std::unique_ptr<SerialPort> port;     // none while closed
  bool is_open = false;                 // set once the device opened, even if configuring it failed
  uint32_t baud_rate = LINK_BAUD_RATE;  // the rate currently applied, for the write wait
  // A read ran out of time, or a byte came that nothing had asked for: a reply may still arrive
  // and would be taken for the answer to whatever is asked next. It outlives link_close, so that
  // the next link_open drains the line first.
  bool reply_missed = false;
  int32_t port_number = 0;  // the port last opened: the line a missed reply is on
  // The system's error code (errno, GetLastError) of the step at which the last link_open failed;
  // 0 after an open that succeeded.
  int open_error = 0;
};
extern LinkState link_state;

// The keyer's COM port number: loaded from the configuration file at start-up, changed by the
// Comm Port Setup dialog, read by the interface test.
extern int32_t com_port_number;

// "COM%d" below 10 (also for 0 and negative numbers), "\\.\COM%d" from 10 on.
std::string link_port_name(int32_t port_number);

// Opens and sets up the port; after a missed reply it first waits for the line to go quiet
// (LINK_DRAIN_QUIET_MS without a byte, LINK_DRAIN_LIMIT_MS at most), dropping what comes.
int link_open(int32_t port_number);
void link_close();
// Before the program ends: when a reply was missed, drains the line (opening the port again if
// need be) so that the next program does not read it, then closes the link.
void link_release();
// After the last reply an exchange expects, the keyer has nothing more to send: true when no byte
// comes within link_quiet_ms(). A byte there means the replies were out of step with the
// questions (an earlier reply came late); it is dropped and the reply counted missed.
bool link_quiet_after_reply();
bool link_write(const uint8_t* data, uint32_t count);
bool link_read(uint8_t* buffer, uint32_t count);
bool link_set_baud_rate(uint32_t baud_rate);
// Waits, at most wait_ms, until everything sent has left the port; true when it has.
bool link_drain(int wait_ms);
bool link_is_open();
bool link_reply_missed();
int link_open_error();

// The send wait for count bytes at the current rate: 2000 ms plus the bytes' time on the line
// (ten bits a byte), so that a 288-byte image at 1200 baud is not cut off.
int link_write_wait_ms(uint32_t count);
// The quiet wait after a last reply: four bytes' time on the line plus LINK_ADAPTER_HOLD_MS
// (50 ms at 1200 baud).
int link_quiet_ms();
// The time count bytes need on the line at the current rate (ten bits a byte), rounded up.
int link_line_ms(uint32_t count);
