#pragma once

#include <memory>
#include <string>

#include "link/serial_port.h"

// The serial port of the platform the program runs on: the Win32 port on Windows
// (link/win32_port_win32.cpp), the termios port elsewhere (link/posix_port.cpp).
std::unique_ptr<SerialPort> make_platform_serial_port();

#ifndef _WIN32
// The device path that the termios port opens for a port name: "COMn" and "\\.\COMn" (n from 1)
// become /dev/ttyS(n-1), so that port numbers work on Linux too; any other "COM" name gives an
// empty path, which does not open; every other name is taken as a path.
std::string posix_device_path(const std::string& name);
#endif
