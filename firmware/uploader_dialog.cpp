#include "firmware/uploader_dialog.h"

#include <cstdio>
#include <string>

#include "firmware/firmware_image.h"
#include "firmware/programming_file.h"
#include "firmware/unsent_data.h"
#include "firmware/upload_status.h"
#include "firmware/upload_worker.h"
#include "link/interface_test.h"
#include "link/keyer_operations.h"
#include "link/link.h"
#include "link/result_texts.h"
#include "resources/control_ids.h"

UploaderState uploader_state;

namespace {

void set_status(DialogControls& dialog, const std::string& text) {
  dialog.set_text(IDC_UPLOADER_STATUS, text);
}

void arm_program(DialogControls& dialog, bool armed) {
  uploader_state.program_armed = armed;
  dialog.enable(IDC_UPLOADER_PROGRAM, armed);
}

// Why the loaded image may not be programmed (upload_status.h), or 0 when it may.
int program_refusal() {
  const UploaderState& s = uploader_state;
  if (!s.file_loaded) return UPLOAD_REFUSED_NO_FILE;
  // A file whose data all lies where the upload never sends it has nothing to program either.
  if (s.load_result == 0 || (s.load_result > 0 && !upload_sends_file_data()))
    return UPLOAD_REFUSED_ZERO_LENGTH;
  // The image was reset by the failed load: what it holds is not the file that was shown.
  if (s.load_result < 0) return UPLOAD_REFUSED_LAST_LOAD_FAILED;
  // After an upload the file is loaded again before it is programmed again.
  if (!s.program_armed) return UPLOAD_REFUSED_NO_FILE;
  return 0;
}

// The edit box lists what the file holds that the upload will not program; a failed load has
// nothing to program at all.
void show_unsent_data(DialogControls& dialog, int load_result) {
  std::string text;
  if (load_result >= 0) {
    for (const std::string& line : unsent_data_lines()) text += (text.empty() ? "" : "\r\n") + line;
  }
  dialog.set_text(IDC_UPLOADER_LOG, text);
}

int variant_refusal() {
  const bool dip_image = uploader_state.fw_minor >= FIRMWARE_DIP_MINOR;
  if (keyer_values.ic_variant == IC_SMT && dip_image) return UPLOAD_REFUSED_DIP_IMAGE_ON_SMT;
  if (keyer_values.ic_variant == IC_DIP && !dip_image) return UPLOAD_REFUSED_SMT_IMAGE_ON_DIP;
  return 0;
}

// Ends a Program command that did not start the worker.
bool refuse(DialogControls& dialog, int status) {
  uploader_state.upload_result = status;
  set_status(dialog, upload_status_text(status));
  return false;
}

}  // namespace

void uploader_open(DialogControls& dialog) {
  reset_firmware_image();
  uploader_state.file_loaded = false;
  upload_status.store(0);
  upload_stop_requested.store(false);
  dialog.enable(IDC_UPLOADER_LOAD, true);
  arm_program(dialog, false);
  dialog.enable(IDC_UPLOADER_EXIT, true);
  // Every outcome of the dialog is told in its status line.
  dialog.mark_live(IDC_UPLOADER_STATUS);
  set_status(dialog, "");
  dialog.set_text(IDC_UPLOADER_PATH, "");
  dialog.set_text(IDC_UPLOADER_LOG, "");
  dialog.set_progress(IDC_UPLOADER_PROGRESS, 0);
}

void uploader_load(DialogControls& dialog, FileChooser& chooser) {
  // The worker reads the image until it reports; Escape reaches here even then.
  if (uploader_state.uploading) return;
  std::string path;
  if (!choose_programming_file(chooser, path)) return;
  set_status(dialog, "Opening File");
  dialog.set_text(IDC_UPLOADER_PATH, path);

  uploader_state.load_result = load_programming_file(dialog, path);
  show_unsent_data(dialog, uploader_state.load_result);
  if (uploader_state.load_result <= 0) {
    set_status(dialog, "File Error");
    // A file of no records leaves "Program OstrelUSB" as it was, so that after a good file it
    // says "Error: Zero Length File !". After a broken file the image holds only what was read
    // before the failure: programming is disabled until a file loads again.
    if (uploader_state.load_result < 0) arm_program(dialog, false);
    return;
  }
  uploader_state.fw_major = firmware_major();
  uploader_state.fw_minor = firmware_minor();
  char text[96];
  std::snprintf(text, sizeof text, "Ostrel Version: %d.%02d Loaded, %d Records",
                uploader_state.fw_major, uploader_state.fw_minor, uploader_state.load_result);
  set_status(dialog, text);
  uploader_state.file_loaded = true;
  arm_program(dialog, true);
}

bool uploader_program(DialogControls& dialog) {
  if (uploader_state.uploading) return false;  // one worker at a time
  dialog.set_progress(IDC_UPLOADER_PROGRESS, 0);
  uploader_state.tested = KeyerResult{};
  if (const int refusal = program_refusal()) return refuse(dialog, refusal);
  // A fresh port at 1200 baud with an empty receive queue, and a fresh IC variant. The test's
  // outcome does not stop the upload: a keyer with only its bootloader fails it on purpose.
  if (link_is_open()) link_close();
  uploader_state.tested = run_interface_test();
  // But a port that could not be opened has nothing to upload through.
  if (uploader_state.tested.port_failed()) return refuse(dialog, UPLOAD_REFUSED_PORT);
  // And a reply the test waited for in vain may still come, or a byte after its last reply shows
  // its replies out of step; the upload would take such a byte for the sync probe's answer: the
  // keyer is not answering in time, so nothing is sent to it.
  if (link_reply_missed() || uploader_state.tested.status == KeyerStatus::late_reply ||
      !link_quiet_after_reply())
    return refuse(dialog, UPLOAD_REFUSED_LATE_REPLY);
  if (uploader_state.on_keyer_tested) uploader_state.on_keyer_tested(uploader_state.tested);
  if (const int refusal = variant_refusal()) return refuse(dialog, refusal);

  dialog.enable(IDC_UPLOADER_LOAD, false);
  arm_program(dialog, false);
  upload_progress.store(0);
  upload_status.store(0);
  uploader_state.upload_result = UPLOAD_NO_RESULT;
  set_status(dialog, "Programming OstrelUSB....");
  uploader_state.uploading = true;
  bool (*start)() =
      uploader_state.start_worker ? uploader_state.start_worker : &start_upload_worker;
  if (!start()) {
    uploader_state.uploading = false;
    dialog.enable(IDC_UPLOADER_LOAD, true);
    arm_program(dialog, true);
    return refuse(dialog, UPLOAD_REFUSED_NOT_STARTED);
  }
  return true;
}

bool uploader_tick(DialogControls& dialog) {
  if (!uploader_state.uploading) return true;
  // The status first: once it is set, the progress the worker wrote before it is final.
  const int status = upload_status.load();
  dialog.set_progress(IDC_UPLOADER_PROGRESS, upload_progress.load());
  if (status == UPLOAD_NO_RESULT) return false;
  uploader_state.uploading = false;
  uploader_state.upload_result = status;
  dialog.enable(IDC_UPLOADER_LOAD, true);
  set_status(dialog, upload_status_text(status));
  upload_status.store(0);
  return true;
}

bool uploader_exit(DialogControls& dialog) {
  if (!uploader_state.uploading) return true;
  set_status(dialog, "Programming OstrelUSB.... Please Wait, Then Exit");
  return false;
}
