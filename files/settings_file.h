#pragma once

#include <string>

#include "platform/dialog_controls.h"
#include "platform/file_chooser.h"

// Settings files: the 288 bytes of the settings image, raw, extension "eep". Both operations tell
// the user of every failure themselves ("Error" boxes): the window refreshes itself from the image
// whatever happened.

// What the Open and Save dialogs are asked for.
FileRequest settings_file_request(bool save);

// The name shown in the file name label: the part of the path after its last backslash, or its
// last '/', so that paths from either system read well.
std::string file_name_of(const std::string& path);

// Asks for a file and loads up to 288 bytes of it into the start of the image; a file of another
// length is loaded all the same and then named in an "Error" box. True when a file was read.
bool load_settings_file(DialogControls& window, FileChooser& chooser);
// Asks for a name and saves the image there; an old file is replaced only by a complete one.
void save_settings_file(DialogControls& window, FileChooser& chooser);
