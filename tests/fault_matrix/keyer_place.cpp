#include "tests/fault_matrix/keyer_place.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "link/link.h"
#include "tests/fault_matrix/fault_cells.h"
#include "tests/firmware/firmware_test_support.h"

namespace {

using Clock = std::chrono::steady_clock;

// Polls `done` until it holds or `wait_ms` has passed.
template <typename Condition>
bool wait_until(Condition done, int wait_ms) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(wait_ms);
  while (!done()) {
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

bool exists(const std::string& path) {
  std::error_code error;
  return std::filesystem::exists(path, error);
}

}  // namespace

bool heal_keyer(const KeyerPlace& place, std::string& problem) {
  if (!write_whole_file(place.heal_file, "heal\n")) {
    problem = "cannot create " + place.heal_file;
    return false;
  }
  // The keyer may be sleeping out a late reply before it looks.
  if (!wait_until([&] { return !exists(place.heal_file); },
                  LINK_READ_WAIT_MS + LATE_BY_MS + 3000)) {
    problem = "the simulated keyer did not restart when asked";
    return false;
  }
  return true;
}

bool keyer_plugged_in(const KeyerPlace& place) {
  if (!place.link_path.empty()) return exists(place.link_path);
  // Where the device's name cannot be looked at (a COM port under Wine), opening it tells.
  const bool opened = link_open(com_port_number) == LINK_OK;
  link_close();
  return opened;
}

bool wait_for_replug(const KeyerPlace& place, std::string& problem) {
  if (!wait_until([&] { return keyer_plugged_in(place); }, REPLUG_AFTER_MS + 5000)) {
    problem = "the unplugged keyer did not come back";
    return false;
  }
  return true;
}

bool read_whole_file(const std::string& path, std::string& bytes) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  return !file.bad();
}

bool write_whole_file(const std::string& path, const std::string& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  file.close();
  return !file.fail();
}

std::string dip_programming_file() {
  return data_record(0, {0, 0, 0, 0, 0, 0, 31, 48}) + "\n" + data_record(0, {}, 1) + "\n";
}

SettingsImage host_settings(const SettingsImage& keyer_image) {
  SettingsImage image = keyer_image;
  image[REL_WEIGHT] = image[REL_WEIGHT] == 45 ? 55 : 45;
  return image;
}

std::string as_bytes(const SettingsImage& image) {
  return std::string(image.begin(), image.end());
}
