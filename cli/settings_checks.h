#pragma once

#include <ostream>
#include <string>

#include "settings/settings_image.h"

// Before `ostrel write`: whether the image holds only what the window could have stored, so that
// a file from elsewhere cannot put into the keyer what the window would never send. Both user
// banks' checked fields are looked at as stored bytes (a sidetone divisor of 15, which a typed
// 4000 Hz stores, passes although it shows as 4166), and the messages must decode whole and fit.
// EXIT_OK, or EXIT_USAGE after naming each field, bank and value that fails.
int refuse_unstorable_image(const std::string& path, const SettingsImage& image,
                            std::ostream& err);
