// The keyer operations against a keyer whose every reply, short reply and silence the fuzzer
// picks, as do failures of the port itself. Input: one byte choosing the operation (or a Read
// and a second operation after it), one byte of PORT_FAIL_* bits, then the keyer's reply stream
// (see fuzzed_port.h).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "firmware/firmware_image.h"
#include "firmware/upload_status.h"
#include "firmware/upload_worker.h"
#include "fuzzing/fuzz_support.h"
#include "fuzzing/fuzzed_port.h"
#include "link/admin.h"
#include "link/interface_test.h"
#include "link/link.h"
#include "messages/message_codec.h"
#include "messages/message_editor.h"
#include "platform/recording_controls.h"
#include "resources/control_ids.h"
#include "settings/main_window.h"
#include "settings/settings_image.h"

namespace {

// What the program knew before the dialogue: values of an earlier test and an image that is not
// all zero, so that a failure which overwrites either shows.
constexpr KeyerValues EARLIER_VALUES{41, 7, 9};
constexpr const char* IC_LABEL_BEFORE = "Ostrel IC:";
constexpr int COMMAND_CONTROL_COUNT = 9;
constexpr int UPLOAD_FRAMES = 964;

SettingsImage earlier_image() {
  SettingsImage image;
  for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 37 + 11);
  return image;
}

bool same_values(const KeyerValues& a, const KeyerValues& b) {
  return a.fw_major == b.fw_major && a.fw_minor == b.fw_minor && a.ic_variant == b.ic_variant;
}

bool is_write_of(const PortWrite& write, std::vector<uint8_t> bytes) {
  return write.bytes == bytes;
}

bool was_sent(const std::vector<uint8_t>& bytes) {
  const std::vector<PortWrite>& writes = fuzzed_keyer.writes;
  return std::any_of(writes.begin(), writes.end(),
                     [&](const PortWrite& write) { return write.bytes == bytes; });
}

// No read began while an earlier reply was still on its way, so none can have taken another
// request's reply for its own.
bool no_reply_taken_for_another() {
  const std::vector<PortRead>& reads = fuzzed_keyer.reads;
  return std::none_of(reads.begin(), reads.end(),
                      [](const PortRead& read) { return read.answer && read.after_missed_reply; });
}

// A byte came after the last reply expected: the replies were out of step.
bool line_was_not_quiet() {
  const std::vector<PortRead>& reads = fuzzed_keyer.reads;
  return std::any_of(reads.begin(), reads.end(),
                     [](const PortRead& read) { return !read.answer && read.complete; });
}

// The keyer's own whole reply to the last `request` sent, or nullptr when it gave none.
const PortRead* own_reply_to(const std::vector<uint8_t>& request) {
  const std::vector<PortRead>& reads = fuzzed_keyer.reads;
  for (auto read = reads.rbegin(); read != reads.rend(); ++read) {
    if (!read->answer || read->request != request) continue;
    return read->complete && read->late_bytes == 0 ? &*read : nullptr;
  }
  return nullptr;
}

// The byte the keyer answered the query with; the run stops when it gave none of its own.
uint8_t own_answer(uint8_t sub_command) {
  const PortRead* read = own_reply_to({0x00, sub_command});
  FUZZ_CHECK(read != nullptr && read->bytes.size() == 1);
  return read->bytes[0];
}

// What a successful interface test kept is what the keyer answered to each of its queries.
void check_values_are_answers() {
  FUZZ_CHECK(keyer_values.fw_major == own_answer(ADMIN_FW_MAJOR));
  FUZZ_CHECK(keyer_values.fw_minor == own_answer(ADMIN_FW_MINOR));
  if (keyer_values.fw_minor > 3) FUZZ_CHECK(keyer_values.ic_variant == own_answer(ADMIN_IC_TYPE));
}

// The text the status field must show when the port itself failed, or nullptr when it did not.
const char* port_failure_text() {
  const uint8_t failures = fuzzed_keyer.failures;
  if (failures & PORT_FAIL_OPEN) return "Ostrel Fail:comm open";
  if (failures & PORT_FAIL_GET_STATE) return "Ostrel Fail:get comm state";
  if (failures & PORT_FAIL_SET_STATE) return "Ostrel Fail:set comm state";
  if (failures & PORT_FAIL_PURGE) return "Ostrel Fail:comm purge";
  return nullptr;
}

// The status field, the IC label, the result and the kept values after an interface test that
// started from the values `before` and the label IC_LABEL_BEFORE, its first write being the
// port's write number `first_write`.
void check_interface_test_outcome(RecordingControls& window, int result,
                                  const KeyerValues& before = EARLIER_VALUES,
                                  size_t first_write = 0) {
  const std::string status = window.text(IDC_STATUS_FIELD);
  const std::string label = window.text(IDC_IC_LABEL);
  const KeyerValues& values = keyer_values;
  if (const char* expected = port_failure_text()) {
    FUZZ_CHECK(result == -1 && status == expected);
    FUZZ_CHECK(fuzzed_keyer.writes.empty());
  }
  if (result < 0) {
    FUZZ_CHECK(result == -1);
    FUZZ_CHECK(label == IC_LABEL_BEFORE);
    if (status == "Only Ostrel3 only") {
      FUZZ_CHECK(values.fw_major < 30 && values.ic_variant == before.ic_variant);
      return;
    }
    FUZZ_CHECK(same_values(values, before));
    static const char* const failures[] = {
        "Ostrel Fail:comm open",    "Ostrel Fail:get comm state", "Ostrel Fail:set comm state",
        "Ostrel Fail:comm purge",   "Ostrel Fail:no response",    "Ostrel Fail:No O/S",
        "Ostrel Fail:echo mismatch"};
    FUZZ_CHECK(std::any_of(std::begin(failures), std::end(failures),
                           [&](const char* text) { return status == text; }));
    return;
  }
  FUZZ_CHECK(result == values.fw_major && result >= 30);
  FUZZ_CHECK(is_write_of(fuzzed_keyer.writes.at(first_write),
                         {0x00, ADMIN_ECHO_TEST, ADMIN_ECHO_ARGUMENT}));
  char revision[64];
  std::snprintf(revision, sizeof revision, "Ostrel F/W revision %u.%02u", unsigned{values.fw_major},
                unsigned{values.fw_minor});
  FUZZ_CHECK(status == revision);
  if (values.fw_minor <= 3) FUZZ_CHECK(values.ic_variant == IC_SMT);
  static const char* const labels[] = {"Ostrel IC:SMT", "Ostrel IC:DIP", "Ostrel IC:MINI"};
  const bool known = values.ic_variant >= IC_SMT && values.ic_variant <= IC_MINI;
  FUZZ_CHECK(label == (known ? labels[values.ic_variant - IC_SMT] : IC_LABEL_BEFORE));
}

void run_interface_test(bool twice) {
  RecordingControls window;
  window.set_text(IDC_IC_LABEL, IC_LABEL_BEFORE);
  const int result = interface_test(window);
  check_interface_test_outcome(window, result);
  FUZZ_CHECK(no_reply_taken_for_another());
  if (result >= 0) check_values_are_answers();
  // The test leaves the link open whatever its outcome, once the device itself opened.
  FUZZ_CHECK(fuzzed_keyer.opens == 1);
  FUZZ_CHECK(link_is_open() == !(fuzzed_keyer.failures & PORT_FAIL_OPEN));
  // A port left open but not usable is never tested again: every caller closes it first.
  if (!twice || port_failure_text() != nullptr) return;

  // Again on the port that is still open: no second open, no purge of what the keyer sent late.
  const KeyerValues before = keyer_values;
  const size_t first_write = fuzzed_keyer.writes.size();
  RecordingControls again;
  again.set_text(IDC_IC_LABEL, IC_LABEL_BEFORE);
  check_interface_test_outcome(again, interface_test(again), before, first_write);
  FUZZ_CHECK(fuzzed_keyer.opens == 1);
}

// The main window, freshly opened, with its buttons clicked one after another.
struct WindowRun {
  RecordingControls window;
  QuietHost host;
  FixedFileChooser chooser;

  explicit WindowRun(std::initializer_list<int> clicked) {
    main_window_init(window, host, chooser);
    window.set_text(IDC_IC_LABEL, IC_LABEL_BEFORE);
    for (int id : clicked) main_window_command(id, NOTIFY_CLICKED);
  }

  void check_finished() {
    const std::string& line = window.text(IDC_STATUS_LINE);
    if (line == ">Ostrel ERR" && line_was_not_quiet()) {
      // None of the answers out of step is kept.
      FUZZ_CHECK(window.text(IDC_STATUS_FIELD) == "Ostrel Fail:no response");
      FUZZ_CHECK(same_values(keyer_values, EARLIER_VALUES));
    } else if (line == ">Ostrel ERR" && was_sent({0x00, ADMIN_POT_VALUE})) {
      // Test's own queries, after an interface test that went well: one was not answered.
      FUZZ_CHECK(window.text(IDC_STATUS_FIELD) == "Ostrel Fail:no response");
      FUZZ_CHECK(keyer_values.fw_major >= 30);
      check_values_are_answers();
    } else {
      check_interface_test_outcome(window, line == ">Ostrel ERR" ? -1 : keyer_values.fw_major);
    }
    // Whatever happened, the window is usable again: every command enabled, nothing busy.
    FUZZ_CHECK(!main_window_state.busy_flag);
    FUZZ_CHECK(window.enable_log.size() >= COMMAND_CONTROL_COUNT);
    FUZZ_CHECK(std::all_of(window.enable_log.end() - COMMAND_CONTROL_COUNT, window.enable_log.end(),
                           [](const auto& call) { return call.second; }));
  }
  const std::string& status_line() { return window.text(IDC_STATUS_LINE); }
};

// "%.2f Volts" of the reading, 262.144 / reading, or "no reading" for 0.
bool is_voltage_text(const std::string& text, uint8_t reading) {
  if (reading == 0) return text == "no reading";
  double volts = 0;
  char unit[8] = {};
  return std::sscanf(text.c_str(), "%lf %7s", &volts, unit) == 2 &&
         std::strcmp(unit, "Volts") == 0 && std::fabs(volts - 262.144 / reading) <= 0.005001;
}

void run_test_command() {
  WindowRun run({IDC_TEST});
  run.check_finished();
  const std::string& status = run.status_line();
  FUZZ_CHECK(status == ">Ostrel ERR" || status == ">Ostrel OK");
  FUZZ_CHECK(no_reply_taken_for_another());
  if (status == ">Ostrel ERR") {
    FUZZ_CHECK(run.window.text(IDC_POT_VALUE).empty());
    return;
  }
  // Each value shown is the keyer's answer to its own query.
  check_values_are_answers();
  FUZZ_CHECK(run.window.text(IDC_POT_VALUE) ==
             "PotValue: " + std::to_string(own_answer(ADMIN_POT_VALUE)));
  // A MINI keyer has no aux value to ask for.
  if (keyer_values.ic_variant == IC_MINI) {
    FUZZ_CHECK(!was_sent({0x00, ADMIN_AUX_VALUE}));
  } else {
    FUZZ_CHECK(run.window.text(IDC_AUX_VALUE) == std::to_string(own_answer(ADMIN_AUX_VALUE)));
  }
  FUZZ_CHECK(
      is_voltage_text(run.window.text(IDC_SUPPLY_VOLTAGE), own_answer(ADMIN_SUPPLY_VOLTAGE)));
}

void run_read_command(bool first_of_two = false) {
  const SettingsImage before = earlier_image();
  settings_image = before;
  WindowRun run({IDC_READ});
  // The first of two operations is checked no further: it leaves a reply missed, or not.
  if (first_of_two) return;
  run.check_finished();
  const std::string& status = run.status_line();
  FUZZ_CHECK(status == ">Ostrel ERR" || status == ">Read failed" || status == ">Done");
  FUZZ_CHECK(no_reply_taken_for_another());
  if (status != ">Done") {
    // Nothing of a reply that broke off reaches the image.
    FUZZ_CHECK(settings_image == before);
    return;
  }
  // The image is the keyer's own 288 bytes, sent in reply to the image read, with nothing of an
  // earlier reply in front of them.
  check_values_are_answers();
  const PortRead* image = own_reply_to({0x00, ADMIN_READ_IMAGE});
  FUZZ_CHECK(image != nullptr && std::equal(settings_image.begin(), settings_image.end(),
                                            image->bytes.begin(), image->bytes.end()));
  // The boxes show what the image holds.
  const MessageTexts texts = decode_messages();
  for (int slot = 0; slot < MESSAGE_SLOTS; ++slot)
    FUZZ_CHECK(run.window.text(MESSAGE_BOX_IDS[slot]) == texts[slot]);
}

void run_write_command() {
  settings_image = earlier_image();
  // Defaults make the panel valid, so that the write goes as far as the keyer lets it.
  WindowRun run({IDC_RESET_DEFAULTS, IDC_WRITE});
  run.check_finished();
  FUZZ_CHECK(run.window.error_boxes.empty());
  const std::string& status = run.status_line();
  const std::vector<PortWrite>& writes = fuzzed_keyer.writes;
  const bool image_sent = was_sent({0x00, ADMIN_WRITE_IMAGE});
  FUZZ_CHECK(no_reply_taken_for_another());
  if (status == ">Ostrel ERR") {
    FUZZ_CHECK(!image_sent);
    return;
  }
  check_values_are_answers();
  FUZZ_CHECK(status == (fuzzed_keyer.failures & PORT_FAIL_WRITES ? ">Write failed" : "Done"));
  FUZZ_CHECK(writes.size() >= 2 &&
             is_write_of(writes[writes.size() - 2], {0x00, ADMIN_WRITE_IMAGE}));
  FUZZ_CHECK(is_write_of(writes.back(),
                         std::vector<uint8_t>(settings_image.begin(), settings_image.end())));
}

// After a Read that may have missed its replies, in the same program or in a new one that knows
// nothing of it: whatever of them comes late, the second operation succeeds only with the
// keyer's own answers to its own questions.
void run_after_a_read(int second, bool new_program) {
  run_read_command(true);
  if (new_program) {
    link_close();
    link_state = LinkState{};
  }
  static constexpr int SECOND[] = {IDC_TEST, IDC_READ, IDC_WRITE};
  settings_image = earlier_image();
  const size_t reads_before = fuzzed_keyer.reads.size();
  keyer_values = EARLIER_VALUES;
  WindowRun run({IDC_RESET_DEFAULTS, SECOND[second]});
  const std::string& status = run.status_line();
  if (status != ">Ostrel OK" && status != ">Done" && status != "Done") return;
  FUZZ_CHECK(fuzzed_keyer.reads.size() > reads_before);
  check_values_are_answers();
  FUZZ_CHECK(keyer_values.ic_variant >= IC_SMT && keyer_values.ic_variant <= IC_MINI);
  if (second == 0) {
    FUZZ_CHECK(run.window.text(IDC_POT_VALUE) ==
               "PotValue: " + std::to_string(own_answer(ADMIN_POT_VALUE)));
  } else if (second == 1) {
    const PortRead* image = own_reply_to({0x00, ADMIN_READ_IMAGE});
    FUZZ_CHECK(image != nullptr && std::equal(settings_image.begin(), settings_image.end(),
                                              image->bytes.begin(), image->bytes.end()));
  }
}

// Block indices in the order the frames must go out.
std::vector<int> frame_order() {
  std::vector<int> order = {1012, 1013, 1014, 1015, 1000, 1001, 1002, 1003};
  for (int block = 4; block <= 955; ++block) order.push_back(block);
  for (int block = 0; block <= 3; ++block) order.push_back(block);
  return order;
}

bool is_known_upload_status(int status) {
  if (status == UPLOAD_ERR_ZERO_REPLY || status == UPLOAD_ERR_SUCCESS_REPLY) return true;
  // Any refusal byte of the keyer, but never "no result" and never the acknowledgement.
  return status > 0 && status <= 0xFF && status != BOOTLOADER_FRAME_ACCEPTED;
}

void run_upload() {
  if (link_open(com_port_number) != LINK_OK) return;  // the interface test's affair
  reset_firmware_image();
  upload_worker();
  const int status = upload_status.load();
  FUZZ_CHECK(is_known_upload_status(status));
  FUZZ_CHECK(upload_status_text(status) != nullptr && *upload_status_text(status) != '\0');
  // The first reply missing ends the upload: a late one is never read as a frame's answer.
  FUZZ_CHECK(no_reply_taken_for_another());

  static const std::vector<int> order = frame_order();
  int frames = 0;
  int progress = 0;
  bool restart_sent = false;
  for (const PortWrite& write : fuzzed_keyer.writes) {
    FUZZ_CHECK(write.upload_progress >= progress && write.upload_progress <= 99);
    progress = write.upload_progress;
    FUZZ_CHECK(!restart_sent);  // the restart is the last thing sent
    if (is_write_of(write, {BOOTLOADER_RESTART})) restart_sent = true;
    if (write.bytes.size() != BOOTLOADER_FRAME_SIZE) continue;
    FUZZ_CHECK(write.baud_rate == BOOTLOADER_FAST_BAUD && frames < UPLOAD_FRAMES);
    const FirmwareBlock& block = firmware_image.blocks[order[frames]];
    ++frames;
    FUZZ_CHECK(write.bytes[0] == (frames == UPLOAD_FRAMES ? BOOTLOADER_SOF_LAST : BOOTLOADER_SOF));
    FUZZ_CHECK(std::equal(block.begin(), block.end(), write.bytes.begin() + 1));
    uint8_t sum = 0;
    for (uint8_t byte : write.bytes) sum = static_cast<uint8_t>(sum + byte);
    FUZZ_CHECK(sum == 0);
  }
  FUZZ_CHECK(upload_progress.load() >= progress && upload_progress.load() <= 99);
  // The restart goes out only after every frame was taken; success needs it and 1200 baud.
  // (0x8A is both the rate that could not be set after the restart and a byte the keyer may
  // refuse the last frame with, so that status alone does not tell whether the restart went out.)
  if (restart_sent) {
    FUZZ_CHECK(frames == UPLOAD_FRAMES &&
               (status == UPLOAD_SUCCESS || status == UPLOAD_ERR_BAUD_RATE));
  }
  if (status == UPLOAD_SUCCESS)
    FUZZ_CHECK(restart_sent && fuzzed_keyer.baud_rate == BOOTLOADER_SLOW_BAUD);
  if (frames == 0)
    FUZZ_CHECK(status == UPLOAD_ERR_TIMEOUT || status == UPLOAD_ERR_SYNC_PROBE ||
               status == UPLOAD_ERR_BAUD_RATE);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  make_pauses_free();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  link_close();
  link_state = LinkState{};
  main_window_state = MainWindowState{};
  com_port_number = 3;
  keyer_values = EARLIER_VALUES;
  upload_status.store(0);
  upload_progress.store(0);
  start_fuzzed_dialogue(data[1], data + 2, size - 2);
  switch (data[0] % 12) {
    case 0:
      run_interface_test(false);
      break;
    case 5:
      run_interface_test(true);
      break;
    case 1:
      run_test_command();
      break;
    case 2:
      run_read_command();
      break;
    case 3:
      run_write_command();
      break;
    case 4:
      run_upload();
      break;
    default:
      run_after_a_read((data[0] % 12 - 6) % 3, data[0] % 12 >= 9);
      break;
  }
  link_close();
  return 0;
}
