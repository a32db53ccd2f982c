#include "settings/main_window.h"

#include <cstdio>
#include <optional>
#include <string>

#include "files/backups.h"
#include "files/settings_file.h"
#include "link/admin.h"
#include "link/interface_test.h"
#include "link/link.h"
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

DialogControls& window() {
  return *main_window_state.window;
}

// The entries come from the panel's tables, where each one's encoding is kept beside its text.
template <typename Entries, typename TextOf>
void fill_list(int id, const Entries& entries, TextOf text_of) {
  window().combo_reset(id);
  for (const auto& entry : entries) window().combo_add(id, text_of(entry));
}

void set_status(const std::string& text) {
  window().set_text(IDC_STATUS_LINE, text);
}

void show_com_port() {
  window().set_text(IDC_COM_PORT, main_window_state.host->port_label());
}

// The supply voltage from the keyer's reading. A reading of 0 has no voltage, so it is said
// plainly rather than divided by.
std::string supply_voltage_text(uint8_t reading) {
  if (reading == 0) return "no reading";
  char text[32];
  std::snprintf(text, sizeof text, "%.2f Volts", 26214.4 / reading / 100);
  return text;
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

// Every keyer operation starts on a freshly opened port with an empty receive queue.
bool reopen_and_test() {
  if (link_is_open()) link_close();
  if (interface_test(window()) < 0) {
    set_status(">Ostrel ERR");
    return false;
  }
  return true;
}

void test_keyer() {
  run_keyer_operation([] {
    // The aux field keeps its text: a MINI keyer has no aux value to replace it with.
    set_status("");
    window().set_text(IDC_SUPPLY_VOLTAGE, "");
    window().set_text(IDC_POT_VALUE, "");
    if (!reopen_and_test()) return;
    // A value that did not come in time may still arrive and would be read as the next query's:
    // the test stops at the first one missing and shows none of them.
    const bool ask_aux = keyer_values.ic_variant != IC_MINI;
    uint8_t pot = 0;
    uint8_t aux = 0;
    uint8_t supply = 0;
    if (!admin_request(ADMIN_POT_VALUE, pot) || (ask_aux && !admin_request(ADMIN_AUX_VALUE, aux)) ||
        !admin_request(ADMIN_SUPPLY_VOLTAGE, supply)) {
      window().set_text(IDC_STATUS_FIELD, NO_RESPONSE_TEXT);
      set_status(">Ostrel ERR");
      return;
    }
    set_status(">Ostrel OK");
    window().set_text(IDC_POT_VALUE, "PotValue: " + std::to_string(pot));
    if (ask_aux) window().set_text(IDC_AUX_VALUE, std::to_string(aux));
    window().set_text(IDC_SUPPLY_VOLTAGE, supply_voltage_text(supply));
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
    if (!reopen_and_test()) return;
    set_status(">Reading");
    // A reply cut short must not leave the image a mix of old and new bytes.
    SettingsImage received{};
    if (!read_settings_image(received.data())) {
      set_status(">Read failed");
      return;
    }
    settings_image = received;
    keep_backup(BackupKind::read, received);
    set_status(">Done");
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
    if (!reopen_and_test()) return;
    if (!store_window_into_image()) return;
    set_status("Writing");
    // "Done" once the keyer can have stored the image, not once it is queued for the line.
    const bool sent = write_settings_image_and_wait();
    if (sent) keep_backup(BackupKind::write, settings_image);
    set_status(sent ? "Done" : ">Write failed");
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

bool is_check_box(int id) {
  return id >= IDC_SWAP && id <= IDC_SO2R;
}

bool is_list(int id) {
  return id == IDC_KEYER_MODE || id == IDC_OUTPUT_CONFIG || id == IDC_PADDLE_HANG;
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

  dialog.set_check(IDC_MESSAGE_BANK1, true);
  dialog.set_check(IDC_USER1, true);
  main_window_state.selected_user_bank = UserBank::user1;
  show_message_bank(dialog, 1);
  show_com_port();

  // The lists are unsorted: their positions are the codes stored in the image.
  fill_list(IDC_KEYER_MODE, KEYER_MODES, [](const KeyerModeEntry& e) { return e.text; });
  fill_list(IDC_PADDLE_HANG, PADDLE_HANG_ENTRIES, [](const char* text) { return text; });
  fill_list(IDC_OUTPUT_CONFIG, OUTPUT_CONFIGS, [](const OutputConfigEntry& e) { return e.text; });
}

void main_window_command(int id, int notification) {
  MainWindowState& state = main_window_state;
  if (state.window == nullptr) return;  // not initialised yet
  if (is_check_box(id)) {
    apply_check_box(window(), id, state.selected_user_bank);
    return;
  }
  if (is_list(id)) {
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
