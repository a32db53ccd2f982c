#pragma once

#include <ctime>
#include <string>

#include "settings/settings_image.h"

// Dated copies of the settings image, so that a mistake can be undone: each Read from the keyer
// keeps what the keyer held, each Write what was sent. A copy is a settings file like any other,
// named by the time it was made, in UTC, and by what it was: 20261207-154501-read.eep. A second
// one in the same second gets -2 (then -3, ...) before the extension.

enum class BackupKind { read, write };

// The newest this many of our copies are kept; older ones are removed, other files never.
inline constexpr int BACKUPS_KEPT = 200;

struct BackupState {
  std::string folder;                // where the copies go, made when missing; "" keeps none
  std::time_t (*clock)() = nullptr;  // the time the names carry; nullptr: the system's clock
};
extern BackupState backup_state;

// Saves a copy of `image` and removes the oldest beyond BACKUPS_KEPT. False when a copy was due
// and could not be saved; the operation it belongs to goes on exactly as it would without.
bool keep_backup(BackupKind kind, const SettingsImage& image);

// The window's folder: "backups" beside the configuration file.
std::string backups_folder_beside(const std::string& file_path);
// ostrel's: $XDG_DATA_HOME/ostrel/backups, by default ~/.local/share/ostrel/backups;
// %LOCALAPPDATA%\ostrel\backups on Windows. "" when the environment names no such place.
std::string user_backups_folder();
