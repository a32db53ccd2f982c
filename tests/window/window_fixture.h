#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/interface_test.h"
#include "link/link.h"
#include "platform/pause.h"
#include "resources/control_ids.h"
#include "settings/main_window.h"
#include "settings/settings_image.h"
#include "sim/in_process_port.h"
#include "tests/support/fake_main_window_host.h"
#include "tests/support/scripted_file_chooser.h"

// The pauses the code asked for, instead of sleeping them.
inline std::vector<int> requested_pauses;
inline void record_pause(int milliseconds) {
  requested_pauses.push_back(milliseconds);
}

// A freshly started main window on COM3, with a simulated keyer on the line.
class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    link_close();
    link_state = LinkState{};
    keyer_values = KeyerValues{};
    settings_image = SettingsImage{};
    com_port_number = 3;
    requested_pauses.clear();
    set_pause_function(&record_pause);
    main_window_init(window, host, chooser);
  }

  void TearDown() override {
    link_close();
    set_pause_function(nullptr);
    main_window_state = MainWindowState{};
  }

  void click(int id) { main_window_command(id, NOTIFY_CLICKED); }

  // The panel filled with the defaults, so that validation passes.
  void fill_valid_panel() { click(IDC_RESET_DEFAULTS); }

  SimulatedKeyerLink sim;
  ReentrantControls window;
  FakeMainWindowHost host;
  ScriptedFileChooser chooser;
};
