#include "settings/main_window.h"

#include <cstdio>
#include <optional>
#include <string>

#include "files/backups.h"
#include "files/settings_file.h"
#include "link/interface_test.h"
#include "link/keyer_operations.h"
#include "link/link.h"
#include "link/result_texts.h"
#include "messages/message_codec.h"
#include "messages/message_editor.h"
#include "resources/control_ids.h"
#include "settings/settings_fields.h"
#include "settings/settings_panel.h"

MainWindowState main_window_state;

namespace {

// Disabled while an operation runs, in this order, and enabled again in the same order.
constexpr int COMMAND_CONTROLS[] = {IDC_TEST,          IDC_WRITE,         IDC_READ,
                                    IDC_MESSAGE_BANK1, IDC_MESSAGE_BANK2, IDC_USER1,
                                    IDC_USER2,         IDC_SET_COM_PORT,  IDC_FW_UPDATE};

// What Test, Read and Write tell: a screen reader speaks each of these texts as it appears.
constexpr int RESULT_CONTROLS[] = {IDC_STATUS_FIELD, IDC_IC_LABEL, IDC_POT_VALUE,
                                   IDC_SUPPLY_VOLTAGE, IDC_STATUS_LINE};

DialogControls& window() {
  return *main_window_state.window;
}

void set_status(const std::string& text) {
  window().set_text(IDC_STATUS_LINE, text);
}

void show_com_port() {
  window().set_text(IDC_COM_PORT, main_window_state.host->port_label());
}

// The shape shared by Test, Read and Write: the command controls are disabled throughout, and an
// operation asked for while another runs does nothing else.
template <typename Operation>
void run_keyer_operation(Operation operation) {
  MainWindowState& state = main_window_state;
  lock_commands();
  if (!state.busy_flag) {
    state.busy_flag = true;
    operation();
    state.status_countdown = STATUS_COUNTDOWN_TICKS;
    state.busy_flag = false;
  }
  unlock_commands();
}

// Shows each stage of a keyer operation as it passes: the interface test in the status field and
// the IC label, then the operation's own word in the status line.
class WindowProgress : public KeyerProgress {
 public:
  explicit WindowProgress(const char* transferring_text = nullptr)
      : transferring_text_(transferring_text) {}
  void testing() override {
    label_before_ = window().get_text(IDC_IC_LABEL);
    window().set_text(IDC_STATUS_FIELD, TESTING_TEXT);
  }
  void tested(const KeyerResult& result) override { show_interface_test(window(), result); }
  void transferring() override {
    if (transferring_text_ != nullptr) set_status(transferring_text_);
  }
  // Answers found out of step at the end were not the keyer's: the IC label they set goes back.
  void take_back_label() { window().set_text(IDC_IC_LABEL, label_before_); }

 private:
  const char* transferring_text_;
  std::string label_before_;
};

// The status line's text for how the operation ended; a query that went unanswered after the
// interface test, or answers found out of step at the end, are named in the status field too.
void show_outcome(KeyerOperation operation, const KeyerResult& result, WindowProgress& progress) {
  if (const char* text = status_line_text(operation, result.status)) set_status(text);
  if (result.status == KeyerStatus::late_reply) progress.take_back_label();
  if (result.status == KeyerStatus::no_response || result.status == KeyerStatus::late_reply)
    show_interface_test(window(), result);
}

void test_keyer() {
  run_keyer_operation([] {
    // The aux field keeps its text: a MINI keyer has no aux value to replace it with.
    set_status("");
    window().set_text(IDC_SUPPLY_VOLTAGE, "");
    window().set_text(IDC_POT_VALUE, "");
    WindowProgress progress;
    const KeyerResult result = keyer_test(progress);
    show_outcome(KeyerOperation::test, result, progress);
    if (!result.ok()) return;
    window().set_text(IDC_POT_VALUE, pot_value_text(result.pot_value));
    if (result.aux_asked) window().set_text(IDC_AUX_VALUE, std::to_string(result.aux_value));
    window().set_text(IDC_SUPPLY_VOLTAGE, supply_voltage_text(result.supply_reading));
  });
}

// The panel and the fourteen boxes, refreshed from the image.
void show_image() {
  populate(window(), main_window_state.selected_user_bank);
  write_message_texts(window(), decode_messages());
}

// After an image came in: a box that shows only part of its slot says so, before a write could
// store the part as the whole. The image stays as it came.
void explain_partial_messages() {
  if (const std::optional<std::string> problem = check_message_region()) {
    window().error_box(*problem);
  }
}

void read_keyer() {
  run_keyer_operation([] {
    WindowProgress progress(">Reading");
    SettingsImage received{};
    const KeyerResult result = keyer_read(received, progress);
    show_outcome(KeyerOperation::read, result, progress);
    if (!result.ok()) return;
    settings_image = received;
    keep_backup(BackupKind::read, received);
    show_image();
    explain_partial_messages();
  });
}

// Stores the panel and encodes the messages, when both are fit to go to the keyer or a file.
bool store_window_into_image() {
  if (!validate_and_store(window(), main_window_state.selected_user_bank)) return false;
  const MessageTexts texts = read_message_texts(window());
  if (const std::optional<std::string> problem = check_messages_fit(texts)) {
    window().error_box(*problem);
    return false;
  }
  encode_messages(texts);
  return true;
}

void write_keyer() {
  run_keyer_operation([] {
    WindowProgress progress("Writing");
    // "Done" once the keyer can have stored the image, not once it is queued for the line.
    const KeyerResult result = keyer_write(store_window_into_image, progress);
    if (result.ok()) keep_backup(BackupKind::write, settings_image);
    show_outcome(KeyerOperation::write, result, progress);
  });
}

void select_user_bank(UserBank bank) {
  MainWindowState& state = main_window_state;
  lock_commands();
  // The bank being left keeps what the user typed into it, or the switch does not happen.
  if (validate_and_store(window(), state.selected_user_bank)) {
    window().set_check(IDC_USER1, bank == UserBank::user1);
    window().set_check(IDC_USER2, bank == UserBank::user2);
    state.selected_user_bank = bank;
    populate(window(), bank);
    if (bank == UserBank::user2) {
      settings_image[SELECTION_BYTE] |= SELECTED_USER2_BIT;
    } else {
      settings_image[SELECTION_BYTE] &= static_cast<uint8_t>(~SELECTED_USER2_BIT);
    }
  }
  unlock_commands();
}

void reset_panel() {
  lock_commands();
  reset_to_defaults();
  populate(window(), main_window_state.selected_user_bank);
  unlock_commands();
}

void read_config_file() {
  const bool loaded = load_settings_file(window(), *main_window_state.file_chooser);
  // Whatever the load did, the window shows the image as it now is.
  show_image();
  if (loaded) explain_partial_messages();
}

void write_config_file() {
  if (store_window_into_image()) save_settings_file(window(), *main_window_state.file_chooser);
}

void set_com_port() {
  if (link_is_open()) link_close();
  main_window_state.host->run_comm_port_setup_dialog();
  show_com_port();
}

void firmware_update() {
  main_window_state.host->run_uploader_dialog();
  test_keyer();
}

void exit_program() {
  lock_commands();
  link_close();
  main_window_state.host->quit();
}

bool is_field_of_kind(int id, FieldKind kind) {
  const SettingField* field = setting_field_of_control(id);
  return field != nullptr && field->kind == kind;
}

}  // namespace

std::string MainWindowHost::port_label() {
  return "com:" + std::to_string(com_port_number);
}

void lock_commands() {
  for (int id : COMMAND_CONTROLS) window().enable(id, false);
}

void unlock_commands() {
  for (int id : COMMAND_CONTROLS) window().enable(id, true);
}

void main_window_init(DialogControls& dialog, MainWindowHost& host, FileChooser& file_chooser) {
  main_window_state = MainWindowState{};
  main_window_state.window = &dialog;
  main_window_state.host = &host;
  main_window_state.file_chooser = &file_chooser;
  for (const int id : RESULT_CONTROLS) dialog.mark_live(id);

  dialog.set_check(IDC_MESSAGE_BANK1, true);
  dialog.set_check(IDC_USER1, true);
  main_window_state.selected_user_bank = UserBank::user1;
  show_message_bank(dialog, 1);
  show_com_port();

  fill_panel_lists(dialog);
}

void main_window_command(int id, int notification) {
  MainWindowState& state = main_window_state;
  if (state.window == nullptr) return;  // not initialised yet
  if (is_field_of_kind(id, FieldKind::check)) {
    apply_check_box(window(), id, state.selected_user_bank);
    return;
  }
  if (is_field_of_kind(id, FieldKind::list)) {
    if (notification == NOTIFY_SELECTION_CHANGE) {
      apply_list_selection(window(), id, state.selected_user_bank);
    }
    return;
  }
  switch (id) {
    case IDC_TEST:
      test_keyer();
      break;
    case IDC_READ:
      read_keyer();
      break;
    case IDC_WRITE:
      write_keyer();
      break;
    case IDC_FW_UPDATE:
      firmware_update();
      break;
    case IDC_SET_COM_PORT:
      set_com_port();
      break;
    case IDC_HELP:
      state.host->run_help_dialog();
      break;
    case IDC_READ_CONFIG_FILE:
      read_config_file();
      break;
    case IDC_WRITE_CONFIG_FILE:
      write_config_file();
      break;
    case IDC_RESET_DEFAULTS:
      reset_panel();
      break;
    case IDC_USER1:
      select_user_bank(UserBank::user1);
      break;
    case IDC_USER2:
      select_user_bank(UserBank::user2);
      break;
    case IDC_MESSAGE_BANK1:
      switch_message_bank(window(), 1);
      break;
    case IDC_MESSAGE_BANK2:
      switch_message_bank(window(), 2);
      break;
    case IDC_EXIT:
      exit_program();
      break;
    default:
      break;
  }
}

void main_window_tick() {
  MainWindowState& state = main_window_state;
  if (state.window == nullptr) return;
  refresh_bytes_left(window());
  if (state.status_countdown > 0) {
    if (state.status_countdown == 1) set_status("");
    --state.status_countdown;
  }
}

void main_window_close() {
  if (main_window_state.host != nullptr) main_window_state.host->end_dialog(0);
}
