#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// One serial device, as the link needs it. Implementations: Win32 (link/win32_port_win32.cpp),
// POSIX termios (link/posix_port.cpp) and the in-process simulated keyer (sim/in_process_port.h).
class SerialPort {
 public:
  virtual ~SerialPort() = default;

  // Opens the device: "COM3", "\\.\COM12", or a device path. False when it cannot be opened.
  virtual bool open(const std::string& name) = 0;
  // Reads the device's current line settings and keeps them (GetCommState).
  virtual bool read_settings() = 0;
  // Changes the kept settings to the link's line: the given baud rate, 8 data bits, no parity,
  // one stop bit, DTR raised, RTS lowered, no XON/XOFF, null bytes kept, DSR ignored; applies
  // them (SetCommState) and sets the read time-outs. False when the device refuses the settings.
  virtual bool apply_line_settings(uint32_t baud_rate) = 0;
  // Changes only the baud rate of the kept settings and applies them again.
  virtual bool set_baud_rate(uint32_t baud_rate) = 0;
  // Discards bytes received and not yet read; bytes waiting to be sent are kept.
  virtual bool purge_input() = 0;
  // Sends all count bytes within wait_ms. On a time-out the transfer is cancelled and the cancel
  // awaited, for a few seconds at most, before returning. True only when every byte went out.
  virtual bool write(const uint8_t* data, size_t count, int wait_ms) = 0;
  // Receives exactly count bytes within wait_ms, in one transfer. On a time-out the transfer is
  // cancelled and the cancel awaited: nothing writes into data after the return. A cancel that
  // does not finish within a few seconds closes the port, and every later transfer fails.
  virtual bool read(uint8_t* data, size_t count, int wait_ms) = 0;
  // Waits, at most wait_ms, until every byte handed to write has left the port: a send may
  // complete once its bytes are queued in the driver or an adapter. True when nothing is left
  // to send. A port that cannot tell (a pseudo-terminal, the in-process keyer) returns at once.
  virtual bool drain(int /*wait_ms*/) { return true; }
  virtual void close() = 0;
  // The system's own error code (errno, GetLastError) for the last of open, read_settings,
  // apply_line_settings and purge_input that failed, so that the user can be told why; 0 when
  // the port has none to give.
  virtual int last_error() const { return 0; }
};

using SerialPortFactory = std::function<std::unique_ptr<SerialPort>()>;

// The link asks this factory for a port at every link_open. The default makes the platform's
// port (Win32 on Windows, POSIX elsewhere); tests and the command-line tool install their own.
void set_serial_port_factory(SerialPortFactory factory);
std::unique_ptr<SerialPort> make_serial_port();
