#include "link/interface_test.h"

#include "link/keyer_operations.h"
#include "link/result_texts.h"
#include "resources/control_ids.h"

KeyerValues keyer_values;

void show_interface_test(DialogControls& window, const KeyerResult& result) {
  window.set_text(IDC_STATUS_FIELD, status_field_text(result));
  // A test that failed leaves the label alone, and so does an IC byte the program does not know.
  if (!result.ok()) return;
  if (const char* label = ic_label_text(result.ic_variant)) window.set_text(IDC_IC_LABEL, label);
}

int interface_test(DialogControls& window) {
  window.set_text(IDC_STATUS_FIELD, TESTING_TEXT);
  const KeyerResult result = run_interface_test();
  show_interface_test(window, result);
  return result.ok() ? result.fw_major : -1;
}
