#pragma once

#include <cstdint>
#include <functional>

#include "link/keyer_result.h"
#include "platform/dialog_controls.h"
#include "platform/file_chooser.h"

// The uploader dialog's state for the whole run of the program.
struct UploaderState {
  bool file_loaded = false;    // a load has succeeded since the dialog opened
  bool program_armed = false;  // "Program OstrelUSB" is enabled: the image holds a good load
  bool uploading = false;      // a worker was started and has not reported yet
  int load_result = 0;         // of the last load_programming_file
  uint8_t fw_major = 0;        // version of the last good load
  uint8_t fw_minor = 0;
  // How the last Program command ended (upload_status.h): a refusal, or the worker's status once
  // it has reported; 0 while the worker runs and before the first Program.
  int upload_result = 0;
  KeyerResult tested;  // the interface test that the last Program command ran
  // Starts the upload worker; false when it could not. Tests put in their own.
  bool (*start_worker)() = nullptr;
  // Told of the keyer that answered the interface test, before its IC is checked against the
  // image and the upload starts; the command line says there what it is about to program.
  std::function<void(const KeyerResult&)> on_keyer_tested;
};
extern UploaderState uploader_state;

// The dialog's commands, driven by its window procedure.
void uploader_open(DialogControls& dialog);
void uploader_load(DialogControls& dialog, FileChooser& chooser);
// True when the worker has been started: the caller then ticks uploader_tick every 100 ms.
// Otherwise uploader_state.upload_result says why not.
bool uploader_program(DialogControls& dialog);
// True once the upload has ended and its outcome is shown: the caller stops ticking.
bool uploader_tick(DialogControls& dialog);
// True when the dialog may close. While an upload runs it may not: the worker still uses the
// link and the image, and the main window would start using the link at once.
bool uploader_exit(DialogControls& dialog);
