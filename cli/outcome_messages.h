#pragma once

#include <ostream>
#include <string>

#include "link/keyer_result.h"

// How the command line says that a keyer operation failed: a first line beginning "ostrel: "
// (the window's own text where it has one, so that both name a failure alike), then lines
// beginning "hint: " that say in plain words what happened and what to try.

// `port` is the keyer's port as the user knows it (a device path, COMn).
void explain_keyer_failure(const KeyerResult& result, const std::string& port, std::ostream& err);

// A Program command that did not end in success (firmware/upload_status.h); `tested` is the
// interface test it ran.
void explain_upload_failure(int status, const KeyerResult& tested, const std::string& port,
                            std::ostream& err);

// "31.04", as the status field shows a revision.
std::string revision_text(uint8_t major, uint8_t minor);
// "SMT", "DIP", "MINI", or "unknown (7)".
std::string ic_name(uint8_t ic_variant);
