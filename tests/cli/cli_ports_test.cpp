#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/port_list.h"

namespace fs = std::filesystem;

namespace {

// A small Linux file tree: a USB adapter known by id, built-in ports (one with a UART, one
// without, one that sysfs says nothing of), a modem, and names that are not serial ports.
class CliPortTree : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("ostrel-ports-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    for (const char* name :
         {"ttyS0", "ttyS10", "ttyS2", "ttyUSB0", "ttyACM1", "tty0", "ttyUSBx", "ttyS", "console"}) {
      touch(root_ / "dev" / name);
    }
    fs::create_directories(root_ / "dev/serial/by-id");
    fs::create_directory_symlink("../../ttyUSB0", root_ / "dev/serial/by-id/usb-FTDI_A5-if00");
    fs::create_directory_symlink("../../ttyUSB9", root_ / "dev/serial/by-id/usb-gone-if00");

    const fs::path usb = root_ / "sys/devices/pci0/usb1/1-1";
    fs::create_directories(usb / "1-1:1.0/ttyUSB0");
    std::ofstream(usb / "product") << "FT232R USB UART\n";
    fs::create_directories(root_ / "sys/class/tty/ttyUSB0");
    fs::create_directory_symlink("../../../devices/pci0/usb1/1-1/1-1:1.0/ttyUSB0",
                                 root_ / "sys/class/tty/ttyUSB0/device");
    // A 16550A behind ttyS0, no UART behind ttyS2 (type 0).
    touch(root_ / "sys/class/tty/ttyS0/type");
    std::ofstream(root_ / "sys/class/tty/ttyS0/type") << "4\n";
    touch(root_ / "sys/class/tty/ttyS2/type");
    std::ofstream(root_ / "sys/class/tty/ttyS2/type") << "0\n";
  }
  void TearDown() override { fs::remove_all(root_); }

  static void touch(const fs::path& path) {
    fs::create_directories(path.parent_path());
    std::ofstream{path};
  }

  fs::path root_;
};

TEST_F(CliPortTree, ListsSerialDevicesWithTheirProductAndIdNames) {
  const std::vector<PortEntry> ports = list_device_tree_ports(root_.string());
  std::ostringstream out;
  print_ports(ports, out);
  EXPECT_EQ(out.str(),
            "/dev/ttyACM1\n"
            "/dev/ttyS0\n"
            "/dev/ttyS10\n"
            "/dev/ttyUSB0  FT232R USB UART\n"
            "    stable name: /dev/serial/by-id/usb-FTDI_A5-if00\n");
}

TEST_F(CliPortTree, NothingToListIsSaidPlainly) {
  fs::remove_all(root_ / "dev");
  std::ostringstream out;
  print_ports(list_device_tree_ports(root_.string()), out);
  EXPECT_EQ(out.str(), "No serial ports found.\n");
}

}  // namespace
