#pragma once

#include <string>

#include "platform/dialog_controls.h"
#include "platform/file_chooser.h"
#include "settings/settings_image.h"

// What the main window asks of the dialog procedure that hosts it: the modal dialogs it opens
// over itself, and the way out of the program.
class MainWindowHost {
 public:
  virtual ~MainWindowHost() = default;
  virtual void run_uploader_dialog() = 0;         // template 1003, to its end
  virtual void run_comm_port_setup_dialog() = 0;  // template 1002, to its end
  virtual void run_help_dialog() = 0;             // template 1004, to its end
  virtual void quit() = 0;                        // end the program (quit message)
  virtual void end_dialog(int result) = 0;        // close request from the title bar
  // The port label (4074): "com:%d" with com_port_number. A host that reaches the keyer by
  // another name than a COM number (the page, by a device path) shows that name instead.
  virtual std::string port_label();
};

// The window's own state, one instance.
struct MainWindowState {
  DialogControls* window = nullptr;  // remembered at initialisation
  MainWindowHost* host = nullptr;
  FileChooser* file_chooser = nullptr;
  UserBank selected_user_bank = UserBank::user1;
  bool busy_flag = false;
  int status_countdown = 0;
};
extern MainWindowState main_window_state;

// Notification codes as the dialog procedure passes them (HIWORD of WM_COMMAND's wParam).
inline constexpr int NOTIFY_CLICKED = 0;            // BN_CLICKED
inline constexpr int NOTIFY_SELECTION_CHANGE = 1;   // CBN_SELCHANGE

inline constexpr int MAIN_TIMER_ID = 1;
inline constexpr int MAIN_TIMER_PERIOD_MS = 250;
inline constexpr int STATUS_COUNTDOWN_TICKS = 12;

// WM_INITDIALOG: the initialisation steps (the host starts timer 1 and installs the message
// input filter on the fourteen boxes itself, since both are window plumbing).
void main_window_init(DialogControls& window, MainWindowHost& host, FileChooser& file_chooser);
// WM_COMMAND from control `id` with `notification`.
void main_window_command(int id, int notification);
// WM_TIMER.
void main_window_tick();
// WM_CLOSE.
void main_window_close();

void lock_commands();
void unlock_commands();
