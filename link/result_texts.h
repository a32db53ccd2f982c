#pragma once

#include <cstdint>
#include <string>

#include "link/keyer_result.h"

// The one table of the window's texts for what an operation ended with. The window and the page
// show these; the command line decides from the results themselves and says it in its own words.

// The status field (4061) after an interface test: "Ostrel F/W revision 31.04", or the reason it
// failed ("Ostrel Fail:comm open", ...).
std::string status_field_text(const KeyerResult& result);
// The IC label (4079) for a variant, or nullptr for a byte the program does not know (the label
// then keeps what it showed).
const char* ic_label_text(uint8_t ic_variant);

// The status line (4059) when Test, Read or Write ends, or nullptr when it is left as it was (a
// Write whose settings were refused has shown its "Error" box instead).
enum class KeyerOperation { test, read, write };
const char* status_line_text(KeyerOperation operation, KeyerStatus status);

// Test's fields: "PotValue: 77", and "5.04 Volts" (a reading of 0 has no voltage: "no reading").
std::string pot_value_text(uint8_t pot_value);
std::string supply_voltage_text(uint8_t reading);

// The uploader's status line for how a Program command ended (firmware/upload_status.h).
const char* upload_status_text(int status);
