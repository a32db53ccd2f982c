#pragma once

#include <string>

// A full firmware image in which every frame carries data: each block's 16 bytes are eight
// 14-bit program words from a fixed pseudo-random sequence, the same on every run.
void fill_firmware_with_pattern();

// The firmware image as a programming file: one data record of 16 bytes per block (1024 records
// covering byte addresses 0..0x3FFF), then the end record. False when the file cannot be
// written whole.
bool write_programming_file(const std::string& path);
