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

// The status field's text when the keyer stopped answering.
inline constexpr const char* NO_RESPONSE_TEXT = "Ostrel Fail:no response";

// Opens the link if needed, checks that the keyer's firmware answers, reads its revision and IC
// variant, and writes the outcome into the window's status field (4061) and IC label (4079).
// Returns fw_major (30 or more) on success, -1 on every failure.
int interface_test(DialogControls& window);
