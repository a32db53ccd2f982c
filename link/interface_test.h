#pragma once

#include <cstdint>

#include "platform/dialog_controls.h"

inline constexpr uint8_t IC_SMT = 1;
inline constexpr uint8_t IC_DIP = 2;
inline constexpr uint8_t IC_MINI = 3;

// What the last interface test learnt; 0 before the first. They survive failed tests.
struct KeyerValues {
  uint8_t fw_major = 0;
  uint8_t fw_minor = 0;
  uint8_t ic_variant = 0;
};
extern KeyerValues keyer_values;

struct KeyerResult;

// The interface test as the window shows it: "Testing Ostrel Interface    " in the status field
// (4061), then run_interface_test (link/keyer_operations.h), then its outcome in the status field
// and the IC label (4079). Returns fw_major (30 or more) on success, -1 on every failure.
int interface_test(DialogControls& window);
// The outcome's texts alone.
void show_interface_test(DialogControls& window, const KeyerResult& result);

inline constexpr const char* TESTING_TEXT = "Testing Ostrel Interface    ";
