#pragma once

#include <string>

#include "settings/settings_image.h"

// Where one cell's simulated keyer lives, as paths that this process can open (Unix paths
// natively, Z:\ paths under Wine).
struct KeyerPlace {
  // The keyer's device, gone while the adapter is unplugged; empty where only the link can
  // reach it (COMn under Wine).
  std::string link_path;
  std::string heal_file;        // created to get a healthy keyer back; the keyer removes it
  std::string keyer_image_out;  // the settings image the keyer stored, once it stored one
};

// Asks the keyer to restart without faults and waits until it has. False with a problem text.
bool heal_keyer(const KeyerPlace& place, std::string& problem);
// Waits until an unplugged keyer is back under its name. False with a problem text.
bool wait_for_replug(const KeyerPlace& place, std::string& problem);

// The bytes of a file, or nothing (an empty optional) when it cannot be read.
bool read_whole_file(const std::string& path, std::string& bytes);
bool write_whole_file(const std::string& path, const std::string& bytes);

// A programming file for the DIP keyer: version 31.48 in block 0, one data record.
std::string dip_programming_file();

// The settings the host holds before an operation: the keyer's, with User 1's weight changed,
// so that an image taken from the keyer, or kept, can be told apart.
SettingsImage host_settings(const SettingsImage& keyer_image);

std::string as_bytes(const SettingsImage& image);
