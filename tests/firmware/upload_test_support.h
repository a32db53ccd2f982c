#pragma once

#include <memory>
#include <vector>

#include "firmware/upload_worker.h"
#include "link/interface_test.h"
#include "link/link.h"
#include "link/serial_port.h"
#include "platform/pause.h"
#include "sim/in_process_port.h"

// The pauses the code asked for, in order; none of them sleeps.
inline std::vector<int>& recorded_pauses() {
  static std::vector<int> pauses;
  return pauses;
}

// Link, keyer values and the upload's shared values as at program start, pauses free.
inline void reset_upload_globals() {
  link_close();
  link_state = LinkState{};
  keyer_values = KeyerValues{};
  com_port_number = 1;
  upload_status = 0;
  upload_progress = 0;
  upload_stop_requested = false;
  recorded_pauses().clear();
  set_pause_function([](int ms) { recorded_pauses().push_back(ms); });
}

// A port onto the simulated keyer that notes upload_progress as each 20-byte frame goes out,
// can refuse rate changes after the first few, and can request a stop once some frames are out.
class ObservedPort : public SerialPort {
 public:
  ObservedPort(SimulatedKeyerLink& sim, std::vector<int>& log, int rate_changes_allowed = -1,
               size_t stop_after_frames = 0)
      : inner_(sim.keyer, sim.port_faults),
        log_(log),
        rate_changes_left_(rate_changes_allowed),
        stop_after_frames_(stop_after_frames) {}
  bool open(const std::string& name) override { return inner_.open(name); }
  bool read_settings() override { return inner_.read_settings(); }
  bool apply_line_settings(uint32_t baud) override { return inner_.apply_line_settings(baud); }
  bool set_baud_rate(uint32_t baud) override {
    if (rate_changes_left_ == 0) return false;
    if (rate_changes_left_ > 0) --rate_changes_left_;
    return inner_.set_baud_rate(baud);
  }
  bool purge_input() override { return inner_.purge_input(); }
  bool write(const uint8_t* data, size_t count, int wait_ms) override {
    if (count == BOOTLOADER_FRAME_SIZE) log_.push_back(upload_progress.load());
    const bool written = inner_.write(data, count, wait_ms);
    // While the keyer still owes its reply, as a Ctrl-C would come.
    if (count == BOOTLOADER_FRAME_SIZE && log_.size() == stop_after_frames_)
      upload_stop_requested = true;
    return written;
  }
  bool read(uint8_t* data, size_t count, int wait_ms) override {
    return inner_.read(data, count, wait_ms);
  }
  void close() override { inner_.close(); }

 private:
  InProcessPort inner_;
  std::vector<int>& log_;
  int rate_changes_left_;     // -1: no limit
  size_t stop_after_frames_;  // 0: never
};
