#include "cli/port_list.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <system_error>

#include "cli/exit_status.h"

namespace fs = std::filesystem;

namespace {
bool is_listed_device(const std::string& name) {
  for (const char* prefix : {"ttyS", "ttyUSB", "ttyACM"}) {
    const std::string p = prefix;
    if (name.size() > p.size() && name.compare(0, p.size(), p) == 0 &&
        std::all_of(name.begin() + static_cast<long>(p.size()), name.end(),
                    [](char c) { return c >= '0' && c <= '9'; })) {
      return true;
    }
  }
  return false;
}

// "ttyS10" after "ttyS9": the trailing number compares as a number.
bool comes_before(const std::string& a, const std::string& b) {
  auto split = [](const std::string& s) {
    size_t digits = s.size();
    while (digits > 0 && s[digits - 1] >= '0' && s[digits - 1] <= '9') --digits;
    const std::string number = s.substr(digits);
    return std::make_pair(s.substr(0, digits), number.size() > 9 ? 0UL : std::stoul("0" + number));
  };
  return split(a) < split(b);
}

// The path as the system names it, without the root that the tree was read from.
std::string system_path(const fs::path& root, const fs::path& path) {
  std::string text(1, '/');
  text += path.lexically_relative(root).generic_string();
  return text;
}

// The USB product of a tty: sysfs links the tty to its device; the product file sits on the USB
// device, one or more levels above the interface.
std::string usb_product(const fs::path& root, const std::string& name) {
  std::error_code error;
  const fs::path sys = root / "sys";
  fs::path device = fs::canonical(sys / "class" / "tty" / name / "device", error);
  if (error) return "";
  for (int level = 0; level < 8 && device.native().size() > sys.native().size(); ++level) {
    std::ifstream product(device / "product");
    std::string text;
    if (product && std::getline(product, text) && !text.empty()) return text;
    device = device.parent_path();
  }
  return "";
}
}  // namespace

// Linux's serial8250 driver makes ttyS0..ttyS31 (as many as it is built for) whether or not a UART
// is behind them; sysfs gives each one's UART type, the same number as TIOCGSERIAL's, 0 for none
// (PORT_UNKNOWN). Such a device cannot be opened (ENXIO or EIO), so it is no port to offer.
bool uart_absent(const std::string& root, const std::string& name) {
  if (name.rfind("ttyS", 0) != 0) return false;
  std::ifstream type(fs::path(root) / "sys" / "class" / "tty" / name / "type");
  std::string text;
  // Without the file the type is not known, and the device is kept.
  return type && std::getline(type, text) && text == "0";
}

std::vector<PortEntry> list_device_tree_ports(const std::string& root_text) {
  const fs::path root = fs::path(root_text);
  std::error_code error;
  std::map<std::string, PortEntry> ports;  // by the device's own path

  const fs::path dev = root / "dev";
  for (fs::directory_iterator it(dev, error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (is_listed_device(name) && !uart_absent(root_text, name))
      ports[name].path = system_path(root, it->path());
  }
  for (fs::directory_iterator it(dev / "serial" / "by-id", error), end; !error && it != end;
       it.increment(error)) {
    std::error_code link_error;
    const fs::path target = fs::canonical(it->path(), link_error);
    if (link_error) continue;  // a link to a device that has gone
    const std::string name = target.filename().string();
    PortEntry& entry = ports[name];
    if (entry.path.empty()) entry.path = system_path(root, target);
    entry.aliases.push_back(system_path(root, it->path()));
  }

  std::vector<PortEntry> list;
  for (auto& [name, entry] : ports) {
    entry.description = usb_product(root, name);
    std::sort(entry.aliases.begin(), entry.aliases.end());
    list.push_back(entry);
  }
  std::sort(list.begin(), list.end(),
            [](const PortEntry& a, const PortEntry& b) { return comes_before(a.path, b.path); });
  return list;
}

#ifndef _WIN32
std::vector<PortEntry> list_serial_ports() {
  return list_device_tree_ports("/");
}
#endif

int print_ports(const std::vector<PortEntry>& ports, std::ostream& out) {
  if (ports.empty()) {
    out << "No serial ports found.\n";
    return EXIT_OK;
  }
  for (const PortEntry& port : ports) {
    out << port.path;
    if (!port.description.empty()) out << "  " << port.description;
    out << "\n";
    // The device's own name changes with the order of plugging in; this one does not.
    for (const std::string& alias : port.aliases) out << "    stable name: " << alias << "\n";
  }
  return EXIT_OK;
}
