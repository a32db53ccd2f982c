#pragma once

#include <fstream>
#include <iostream>
#include <string>

#include "settings/settings_image.h"

// A settings file for the command line must hold one whole image: a shorter or longer file is
// refused rather than mixed with whatever the image held. EXIT_OK, or EXIT_FILE after telling
// `err` why.
int load_image_file(const std::string& path, SettingsImage& image, std::ostream& err);

// The name that stands for the standard output where a file is written.
inline constexpr const char* STANDARD_STREAM = "-";

// Replaces the file at `path` with the image; the old file stays as it was on any failure. A FIFO
// or a device gets the bytes as a stream; STANDARD_STREAM writes them to `standard_output`.
int save_image_file(const std::string& path, const SettingsImage& image, std::ostream& err,
                    std::ostream& standard_output = std::cout);

// Opens the file at `path` for reading, or tells `err` why not: "ostrel: cannot open PATH: is a
// FIFO". Anything but a plain file is refused without being opened.
bool open_to_read(const std::string& path, std::ifstream& file, std::ostream& err);

// Whether save_image_file could replace `path` now (the folder exists and can be written, the
// file is not read-only, or it is STANDARD_STREAM); EXIT_OK, or EXIT_FILE after telling `err` why.
int check_image_file_writable(const std::string& path, std::ostream& err);
