#pragma once

#include <ostream>
#include <string>
#include <vector>

// A serial port present on this system, as `ostrel ports` lists it.
struct PortEntry {
  std::string path;                  // what --port takes: /dev/ttyUSB0, COM3
  std::string description;           // the USB product, "" when the system has none
  std::vector<std::string> aliases;  // other names of the same device (/dev/serial/by-id/...)
};

// The ports of a Linux system whose file tree starts at `root` ("/" normally): the devices of
// /dev/serial/by-id and the ttyS*, ttyUSB* and ttyACM* devices of /dev, with the USB product
// that sysfs gives for each; a ttyS device with no UART behind it is left out. Sorted by name,
// numbers in numeric order.
std::vector<PortEntry> list_device_tree_ports(const std::string& root);

// Whether sysfs under `root` says that no UART is behind the ttyS device `device_name` ("ttyS1").
bool uart_absent(const std::string& root, const std::string& device_name);

// The ports of the system the program runs on.
std::vector<PortEntry> list_serial_ports();

// `ostrel ports`.
int print_ports(const std::vector<PortEntry>& ports, std::ostream& out);
