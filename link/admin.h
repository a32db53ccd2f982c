#pragma once

#include <cstdint>

// Admin sub-commands (host sends 0x00, sub-command[, argument]).
inline constexpr uint8_t ADMIN_ECHO_TEST = 0x04;
inline constexpr uint8_t ADMIN_ECHO_ARGUMENT = 0x55;
inline constexpr uint8_t ADMIN_FW_MAJOR = 0x09;
inline constexpr uint8_t ADMIN_FW_MINOR = 0x17;
inline constexpr uint8_t ADMIN_IC_TYPE = 0x18;
inline constexpr uint8_t ADMIN_POT_VALUE = 0x06;
inline constexpr uint8_t ADMIN_SUPPLY_VOLTAGE = 0x15;
inline constexpr uint8_t ADMIN_AUX_VALUE = 0x05;
inline constexpr uint8_t ADMIN_READ_IMAGE = 0x0C;
inline constexpr uint8_t ADMIN_WRITE_IMAGE = 0x0D;
inline constexpr uint8_t ADMIN_BOOTLOADER_ENTRY = 0x10;
inline constexpr uint8_t ADMIN_BOOTLOADER_ARGUMENT = 0x9B;

inline constexpr uint8_t ECHO_REPLY_FIRMWARE = 0x55;
inline constexpr uint8_t ECHO_REPLY_BOOTLOADER = 0xAA;

// Sends 0x00, sub_command and reads one byte into reply; false when no reply came.
bool admin_request(uint8_t sub_command, uint8_t& reply);
// Sends 0x00, sub_command and reads one byte: that byte, or 0 when no reply came.
uint8_t admin_query(uint8_t sub_command);
uint8_t query_pot_value();
uint8_t query_supply_voltage();
uint8_t query_ic_type();
uint8_t query_aux_value();

// 0x00 0x0C, then 288 bytes into `image` (the settings image unless a caller gives a scratch
// buffer of its own, so that a failed read leaves the image as it was).
bool read_settings_image(uint8_t* image);
bool read_settings_image();
// 0x00 0x0D, then the 288 bytes of the settings image; the result is that of the second send.
bool write_settings_image();

// The keyer's time to store an image once the last byte of it has arrived.
inline constexpr int IMAGE_STORE_PAUSE_MS = 500;

// Write as the window and `ostrel write` make it: write_settings_image, then wait until the port
// has sent everything (within the send's own wait) and in no case less than the frame's time on
// the line since the send began, then IMAGE_STORE_PAUSE_MS. On return the keyer can have stored
// the image. True only when every byte was sent and has left the port.
bool write_settings_image_and_wait();
