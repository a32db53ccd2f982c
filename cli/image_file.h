#pragma once

#include <ostream>
#include <string>

#include "settings/settings_image.h"

// A settings file for the command line must hold one whole image: a shorter or longer file is
// refused rather than mixed with whatever the image held. EXIT_OK, or EXIT_FILE after telling
// `err` why.
int load_image_file(const std::string& path, SettingsImage& image, std::ostream& err);

// Replaces the file at `path` with the image; the old file stays as it was on any failure.
int save_image_file(const std::string& path, const SettingsImage& image, std::ostream& err);

// Whether save_image_file could replace `path` now (the folder exists and can be written, the
// file is not read-only); EXIT_OK, or EXIT_FILE after telling `err` why.
int check_image_file_writable(const std::string& path, std::ostream& err);
