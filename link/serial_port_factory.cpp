#include "link/platform_serial_port.h"
#include "link/serial_port.h"

namespace {
SerialPortFactory current_factory;
}  // namespace

void set_serial_port_factory(SerialPortFactory factory) {
  current_factory = std::move(factory);
}

std::unique_ptr<SerialPort> make_serial_port() {
  return current_factory ? current_factory() : make_platform_serial_port();
}
