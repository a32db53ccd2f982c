#pragma once

#include <memory>
#include <string>

#include "link/serial_port.h"

// A port that opens one given device whatever name the link asks for, so that `--port PATH`
// reaches a device that has no COM number (a pseudo-terminal, /dev/ttyUSB0, ...).
class PathPort : public SerialPort {
 public:
  PathPort(std::unique_ptr<SerialPort> inner, std::string path)
      : inner_(std::move(inner)), path_(std::move(path)) {}

  bool open(const std::string&) override { return inner_->open(path_); }
  bool read_settings() override { return inner_->read_settings(); }
  bool apply_line_settings(uint32_t baud_rate) override {
    return inner_->apply_line_settings(baud_rate);
  }
  bool set_baud_rate(uint32_t baud_rate) override { return inner_->set_baud_rate(baud_rate); }
  bool purge_input() override { return inner_->purge_input(); }
  bool write(const uint8_t* data, size_t count, int wait_ms) override {
    return inner_->write(data, count, wait_ms);
  }
  bool read(uint8_t* data, size_t count, int wait_ms) override {
    return inner_->read(data, count, wait_ms);
  }
  bool drain(int wait_ms) override { return inner_->drain(wait_ms); }
  void close() override { inner_->close(); }
  int last_error() const override { return inner_->last_error(); }

 private:
  std::unique_ptr<SerialPort> inner_;
  std::string path_;
};
