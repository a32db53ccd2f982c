#pragma once

#include <functional>

#include "link/keyer_result.h"
#include "settings/settings_image.h"

// The keyer operations as every front-end runs them, each on a freshly opened port (the link is
// closed first) and each returning what happened. They show nothing themselves: a front-end that
// wants to show the stages as they pass gives a KeyerProgress.
class KeyerProgress {
 public:
  virtual ~KeyerProgress() = default;
  virtual void testing() {}                    // the interface test begins
  virtual void tested(const KeyerResult&) {}   // its outcome, before anything else is sent
  virtual void transferring() {}               // the image is about to be read or sent
};

// Opens the link if it is not open, checks that the keyer's firmware answers, reads its revision
// and IC variant into keyer_values. A reply that did not come in time ends the test there, before
// it keeps any value, so that a late reply is never taken for the next question's.
KeyerResult run_interface_test();

// Test: the interface test, then the pot value, the aux value (not for a MINI keyer) and the
// supply voltage reading; the first one missing ends it as no_response. Test and Read end with
// a wait for a quiet line, Write's interface test too: a byte there ends them as late_reply.
KeyerResult keyer_test(KeyerProgress& progress);

// Read: the interface test, then the whole image into `received`, only when it all went well;
// the settings image is not touched.
KeyerResult keyer_read(SettingsImage& received, KeyerProgress& progress);

// Write: the interface test, then `prepare` (which fills the settings image and may refuse:
// settings_refused, nothing sent), then the image, waiting until the keyer can have stored it.
KeyerResult keyer_write(const std::function<bool()>& prepare, KeyerProgress& progress);
