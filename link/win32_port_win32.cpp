// The serial port on Windows: a COM device opened for overlapped transfers, each transfer
// waited for with its own event.
#include <windows.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "link/platform_serial_port.h"

namespace {

class Win32SerialPort : public SerialPort {
 public:
  ~Win32SerialPort() override { close(); }

  bool open(const std::string& name) override {
    close();
    error_ = 0;
    handle_ = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                          FILE_FLAG_OVERLAPPED | FILE_ATTRIBUTE_NORMAL, nullptr);
    return succeeded(handle_ != INVALID_HANDLE_VALUE);
  }

  bool read_settings() override {
    dcb_ = DCB{};
    dcb_.DCBlength = sizeof dcb_;
    return succeeded(GetCommState(handle_, &dcb_) != 0);
  }

  bool apply_line_settings(uint32_t baud_rate) override {
    // Only the members the keyer's line depends on; the rest stay as the port reported them.
    dcb_.BaudRate = baud_rate;
    dcb_.ByteSize = 8;
    dcb_.Parity = NOPARITY;
    dcb_.StopBits = ONESTOPBIT;
    dcb_.fDtrControl = DTR_CONTROL_ENABLE;
    dcb_.fDsrSensitivity = FALSE;
    dcb_.fOutX = FALSE;
    dcb_.fInX = FALSE;
    dcb_.fNull = FALSE;
    dcb_.fRtsControl = RTS_CONTROL_DISABLE;
    if (!succeeded(SetCommState(handle_, &dcb_) != 0)) return false;
    // A read ends when its bytes are in or 4.5 s after it began; sends have no limit of their
    // own. Whether the port took these is not checked: the transfers keep their own waits.
    COMMTIMEOUTS timeouts{0, 0, 4500, 0, 0};
    SetCommTimeouts(handle_, &timeouts);
    return true;
  }

  bool set_baud_rate(uint32_t baud_rate) override {
    dcb_.BaudRate = baud_rate;
    return SetCommState(handle_, &dcb_) != 0;
  }

  bool purge_input() override { return succeeded(PurgeComm(handle_, PURGE_RXCLEAR) != 0); }

  bool write(const uint8_t* data, size_t count, int wait_ms) override {
    return transfer(true, const_cast<uint8_t*>(data), count, wait_ms);
  }

  bool read(uint8_t* data, size_t count, int wait_ms) override {
    return transfer(false, data, count, wait_ms);
  }

  // FlushFileBuffers would wait without a limit (a port held back by flow control never
  // empties), so the driver's output count is watched until it reaches zero or the wait ends.
  bool drain(int wait_ms) override {
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(wait_ms < 0 ? 0 : wait_ms);
    for (;;) {
      DWORD errors = 0;
      COMSTAT status{};
      if (handle_ == INVALID_HANDLE_VALUE || !ClearCommError(handle_, &errors, &status))
        return false;
      if (status.cbOutQue == 0) return true;
      if (GetTickCount64() >= deadline) return false;
      Sleep(5);
    }
  }

  void close() override {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
  }

  int last_error() const override { return static_cast<int>(error_); }

 private:
  // Keeps the system's reason for a call that failed, for the user.
  bool succeeded(bool ok) {
    if (!ok) error_ = GetLastError();
    return ok;
  }

  // How long a cancelled transfer may take to let go. A driver that never completes a cancel
  // would otherwise hold the window for good.
  static constexpr DWORD CANCEL_WAIT_MS = 3000;

  // What the driver works on while a transfer is under way: the control block and a copy of the
  // bytes, apart from the caller's buffer, so that a transfer the driver never gives back can be
  // abandoned without leaving it able to write into memory that is in use again.
  struct Transfer {
    OVERLAPPED overlapped{};
    std::vector<uint8_t> bytes;
  };

  bool transfer(bool sending, uint8_t* data, size_t count, int wait_ms) {
    if (handle_ == INVALID_HANDLE_VALUE || count > MAXDWORD) return false;
    auto t = std::make_unique<Transfer>();
    t->overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (t->overlapped.hEvent == nullptr) return false;
    if (sending) {
      t->bytes.assign(data, data + count);
    } else {
      t->bytes.resize(count);
    }

    const DWORD wanted = static_cast<DWORD>(count);
    DWORD moved = 0;
    const BOOL done = sending ? WriteFile(handle_, t->bytes.data(), wanted, &moved, &t->overlapped)
                              : ReadFile(handle_, t->bytes.data(), wanted, &moved, &t->overlapped);
    bool ok = false;
    if (done) {
      ok = moved == wanted;
    } else if (GetLastError() == ERROR_IO_PENDING) {
      const DWORD wait = wait_ms < 0 ? 0 : static_cast<DWORD>(wait_ms);
      if (WaitForSingleObject(t->overlapped.hEvent, wait) == WAIT_OBJECT_0) {
        ok = GetOverlappedResult(handle_, &t->overlapped, &moved, FALSE) && moved == wanted;
      } else {
        // Stop the transfer and give the driver a bounded time to let go of the block.
        CancelIoEx(handle_, &t->overlapped);
        if (WaitForSingleObject(t->overlapped.hEvent, CANCEL_WAIT_MS) != WAIT_OBJECT_0) {
          // The driver still owns the control block, the bytes and the event and may write
          // into them at any time: they are left allocated for good. The port is closed, so
          // that every later transfer fails at once and the next operation opens it afresh.
          [[maybe_unused]] Transfer* abandoned = t.release();
          close();
          return false;
        }
        GetOverlappedResult(handle_, &t->overlapped, &moved, FALSE);
      }
    }
    if (ok && !sending) std::copy(t->bytes.begin(), t->bytes.end(), data);
    CloseHandle(t->overlapped.hEvent);
    return ok;
  }

  HANDLE handle_ = INVALID_HANDLE_VALUE;
  DWORD error_ = 0;
  DCB dcb_{};
};

}  // namespace

std::unique_ptr<SerialPort> make_platform_serial_port() {
  return std::make_unique<Win32SerialPort>();
}
