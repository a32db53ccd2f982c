#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "tests/window/window_fixture.h"

namespace {

using EnableLog = std::vector<std::pair<int, bool>>;

const std::vector<int> COMMAND_ORDER = {4011, 4012, 4013, 4007, 4008, 4068, 4069, 4009, 4010};

EnableLog all_commands(bool enabled) {
  EnableLog log;
  for (int id : COMMAND_ORDER) log.emplace_back(id, enabled);
  return log;
}

EnableLog operator+(EnableLog a, const EnableLog& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST_F(WindowTest, StartsWithBank1User1ThePortAndTheListsAndNoLink) {
  EXPECT_TRUE(window.get_check(IDC_MESSAGE_BANK1));
  EXPECT_FALSE(window.get_check(IDC_MESSAGE_BANK2));
  EXPECT_TRUE(window.get_check(IDC_USER1));
  EXPECT_FALSE(window.get_check(IDC_USER2));
  EXPECT_EQ(main_window_state.selected_user_bank, UserBank::user1);
  EXPECT_TRUE(window.control(IDC_MSG1).visible);
  EXPECT_FALSE(window.control(IDC_MSG7).visible);
  EXPECT_EQ(window.text(IDC_COM_PORT), "com:3");
  EXPECT_EQ(window.text(IDC_STATUS_LINE), "");
  EXPECT_TRUE(sim.opened_names.empty());
  EXPECT_EQ(settings_image, SettingsImage{});

  const struct {
    int id;
    std::vector<std::string> items;
  } lists[] = {
      {IDC_KEYER_MODE, {"Iambic A", "Iambic B", "Ultimatic", "UltimDit", "UltimDah", "VibroBug"}},
      {IDC_PADDLE_HANG, {"1.0 Word", "1.3 Word", "1.6 Word", "2.0 Word"}},
      {IDC_OUTPUT_CONFIG,
       {"Port1", "Port1, ST", "Port1, PTT", "Port1, ST, PTT", "Port2", "Port2, ST", "Port2, PTT",
        "Port2, ST, PTT"}},
  };
  for (const auto& list : lists) {
    EXPECT_EQ(window.control(list.id).items, list.items) << list.id;
    EXPECT_EQ(window.control(list.id).selection, -1) << list.id;
  }
}

TEST_F(WindowTest, ListsAreFilledAfreshOnASecondStart) {
  main_window_init(window, host, chooser);
  EXPECT_EQ(window.control(IDC_PADDLE_HANG).items.size(), 4u);
}

// Every command that runs with the command controls locked disables the nine in their order and
// enables them in the same order; the others never touch them.
TEST_F(WindowTest, CommandsLockAndUnlockTheNineControlsInOrder) {
  const struct {
    const char* name;
    int id;
    EnableLog expected;
  } cases[] = {
      {"Test", IDC_TEST, all_commands(false) + all_commands(true)},
      {"Read", IDC_READ, all_commands(false) + all_commands(true)},
      {"Write", IDC_WRITE, all_commands(false) + all_commands(true)},
      {"User 1", IDC_USER1, all_commands(false) + all_commands(true)},
      {"User 2", IDC_USER2, all_commands(false) + all_commands(true)},
      {"Reset to Defaults", IDC_RESET_DEFAULTS, all_commands(false) + all_commands(true)},
      {"Exit", IDC_EXIT, all_commands(false)},
      {"Help", IDC_HELP, {}},
      {"Message Bank 2", IDC_MESSAGE_BANK2, {}},
      {"Set Com Port", IDC_SET_COM_PORT, {}},
  };
  for (const auto& c : cases) {
    window.enable_log.clear();
    click(c.id);
    EXPECT_EQ(window.enable_log, c.expected) << c.name;
  }
}

// A Test, Read or Write asked for while another runs (here: from inside the validation box of a
// Write) does nothing but lock and unlock, and says nothing to the keyer.
TEST_F(WindowTest, CommandWhileBusyOnlyLocksAndUnlocks) {
  for (int nested : {IDC_TEST, IDC_READ, IDC_WRITE}) {
    window.enable_log.clear();
    size_t sent_before_nested = 0;
    std::string status_before_nested;
    bool busy_inside = false;
    window.while_error_box_open = [&] {
      busy_inside = main_window_state.busy_flag;
      sent_before_nested = sim.keyer.received.size();
      status_before_nested = window.text(IDC_STATUS_LINE);
      click(nested);
    };

    click(IDC_WRITE);  // the empty panel fails at Weight

    EXPECT_TRUE(busy_inside) << nested;
    EXPECT_EQ(sim.keyer.received.size(), sent_before_nested) << nested;
    EXPECT_EQ(window.text(IDC_STATUS_LINE), status_before_nested) << nested;
    EXPECT_EQ(window.enable_log,
              all_commands(false) + all_commands(false) + all_commands(true) + all_commands(true))
        << nested;
    EXPECT_FALSE(main_window_state.busy_flag) << nested;
  }
}

TEST_F(WindowTest, StatusLineIsClearedOnTheTwelfthTick) {
  click(IDC_TEST);
  ASSERT_EQ(window.text(IDC_STATUS_LINE), ">Ostrel OK");
  for (int tick = 1; tick <= 11; ++tick) {
    main_window_tick();
    ASSERT_EQ(window.text(IDC_STATUS_LINE), ">Ostrel OK") << "tick " << tick;
  }
  main_window_tick();
  EXPECT_EQ(window.text(IDC_STATUS_LINE), "");

  // Spent: later ticks leave the line alone.
  window.set_text(IDC_STATUS_LINE, "later");
  for (int tick = 0; tick < 20; ++tick) main_window_tick();
  EXPECT_EQ(window.text(IDC_STATUS_LINE), "later");
}

TEST_F(WindowTest, AnotherOperationRestartsTheCountdown) {
  click(IDC_TEST);
  for (int tick = 0; tick < 10; ++tick) main_window_tick();
  click(IDC_TEST);
  for (int tick = 0; tick < 11; ++tick) main_window_tick();
  EXPECT_EQ(window.text(IDC_STATUS_LINE), ">Ostrel OK");
  main_window_tick();
  EXPECT_EQ(window.text(IDC_STATUS_LINE), "");
}

TEST_F(WindowTest, TickShowsTheBytesLeft) {
  window.set_text(IDC_MSG1, "CQ");
  main_window_tick();
  EXPECT_EQ(window.text(IDC_MSG_BYTES_LEFT), "Msg Bytes Left: 238");
}

TEST_F(WindowTest, ExitClosesTheLinkAndQuitsCloseEndsTheDialog) {
  click(IDC_TEST);
  ASSERT_TRUE(link_is_open());
  click(IDC_EXIT);
  EXPECT_FALSE(link_is_open());
  EXPECT_EQ(host.calls, std::vector<std::string>{"quit"});
  for (int id : COMMAND_ORDER) EXPECT_FALSE(window.control(id).enabled) << id;

  host.calls.clear();
  main_window_close();
  EXPECT_EQ(host.calls, std::vector<std::string>{"end_dialog 0"});
}

TEST_F(WindowTest, FirmwareUpdateEndsWithATest) {
  const struct {
    const char* name;
    bool keyer_silent;
    const char* status;
  } cases[] = {{"answering", false, ">Ostrel OK"}, {"silent", true, ">Ostrel ERR"}};
  for (const auto& c : cases) {
    host.calls.clear();
    sim.keyer.faults.silent = c.keyer_silent;
    bool tested_while_open = false;
    host.while_uploader_open = [&] { tested_while_open = !window.text(IDC_STATUS_LINE).empty(); };
    window.set_text(IDC_STATUS_LINE, "");

    click(IDC_FW_UPDATE);

    EXPECT_EQ(host.calls, std::vector<std::string>{"uploader"}) << c.name;
    EXPECT_FALSE(tested_while_open) << c.name;
    EXPECT_EQ(window.text(IDC_STATUS_LINE), c.status) << c.name;
  }
}

TEST_F(WindowTest, SetComPortClosesTheLinkFirstAndShowsTheNewPort) {
  click(IDC_TEST);
  ASSERT_TRUE(link_is_open());
  bool open_during_dialog = true;
  host.while_comm_port_setup_open = [&] {
    open_during_dialog = link_is_open();
    com_port_number = 12;
  };

  click(IDC_SET_COM_PORT);

  EXPECT_FALSE(open_during_dialog);
  EXPECT_EQ(window.text(IDC_COM_PORT), "com:12");
  EXPECT_EQ(host.calls, std::vector<std::string>{"comm_port_setup"});
}

TEST_F(WindowTest, HelpRunsTheHelpDialog) {
  click(IDC_HELP);
  EXPECT_EQ(host.calls, std::vector<std::string>{"help"});
}

// Lists act on a selection change only; check boxes on every click, in the selected bank.
TEST_F(WindowTest, PanelControlsWriteThroughToTheSelectedBank) {
  fill_valid_panel();
  const SettingsImage defaults = settings_image;

  window.combo_select(IDC_KEYER_MODE, 5);  // "VibroBug"
  main_window_command(IDC_KEYER_MODE, NOTIFY_CLICKED);
  main_window_command(IDC_KEYER_MODE, 5);  // an edit-change notification
  EXPECT_EQ(settings_image, defaults);
  main_window_command(IDC_KEYER_MODE, NOTIFY_SELECTION_CHANGE);
  EXPECT_EQ(settings_image[REL_MODE] & 0x30, 0x30);

  click(IDC_USER2);
  click(IDC_SWAP);
  EXPECT_EQ(settings_image[USER_BANK_SIZE + REL_MODE] & 0x08, 0x08);
  EXPECT_EQ(settings_image[REL_MODE] & 0x08, 0);
}

TEST_F(WindowTest, ResetToDefaultsFillsThePanel) {
  click(IDC_RESET_DEFAULTS);
  EXPECT_EQ(window.text(IDC_WEIGHT), "50");
  EXPECT_EQ(window.text(IDC_SIDETONE_FREQ), "801");
  EXPECT_EQ(settings_image[USER_BANK_SIZE + REL_WEIGHT], 50);
}

TEST_F(WindowTest, CommandsBeforeStartAreIgnored) {
  main_window_state = MainWindowState{};
  main_window_command(IDC_TEST, NOTIFY_CLICKED);
  main_window_tick();
  main_window_close();
  EXPECT_TRUE(sim.opened_names.empty());
}

// Switching user banks stores the bank being left first; when that fails nothing moves.
TEST_F(WindowTest, UserBankSwitch) {
  const struct {
    const char* name;
    UserBank from;
    int click;
    bool panel_valid;
    UserBank selected;
    bool user2_bit;
  } cases[] = {
      {"to User 2", UserBank::user1, IDC_USER2, true, UserBank::user2, true},
      {"back to User 1", UserBank::user2, IDC_USER1, true, UserBank::user1, false},
      {"User 1 again", UserBank::user1, IDC_USER1, true, UserBank::user1, false},
      {"to User 2, invalid", UserBank::user1, IDC_USER2, false, UserBank::user1, false},
      {"to User 1, invalid", UserBank::user2, IDC_USER1, false, UserBank::user2, true},
  };
  for (const auto& c : cases) {
    settings_image = SettingsImage{};
    main_window_state.selected_user_bank = UserBank::user1;
    window.error_boxes.clear();
    fill_valid_panel();
    if (c.from == UserBank::user2) click(IDC_USER2);
    // Message bank bit and the User 1 tune bit share the byte: both must survive.
    settings_image[SELECTION_BYTE] |= SELECTED_MESSAGE_BANK2_BIT | 0x20;
    if (!c.panel_valid) window.set_text(IDC_WEIGHT, "");
    const SettingsImage before = settings_image;
    const bool user2_checked_before = window.get_check(IDC_USER2);

    click(c.click);

    EXPECT_EQ(main_window_state.selected_user_bank, c.selected) << c.name;
    EXPECT_EQ(bool(settings_image[SELECTION_BYTE] & SELECTED_USER2_BIT), c.user2_bit) << c.name;
    EXPECT_EQ(settings_image[SELECTION_BYTE] & 0x60, 0x60) << c.name;
    if (c.panel_valid) {
      EXPECT_TRUE(window.error_boxes.empty()) << c.name;
      EXPECT_EQ(window.get_check(IDC_USER2), c.selected == UserBank::user2) << c.name;
      EXPECT_EQ(window.get_check(IDC_USER1), c.selected == UserBank::user1) << c.name;
    } else {
      EXPECT_EQ(window.error_boxes, std::vector<std::string>{"Weight must be between 10 and 90"})
          << c.name;
      EXPECT_EQ(settings_image, before) << c.name;
      EXPECT_EQ(window.get_check(IDC_USER2), user2_checked_before) << c.name;
    }
  }
}

TEST_F(WindowTest, UserBankSwitchShowsTheOtherBanksValues) {
  fill_valid_panel();
  settings_image[USER_BANK_SIZE + REL_WEIGHT] = 77;
  click(IDC_USER2);
  EXPECT_EQ(window.text(IDC_WEIGHT), "77");
  EXPECT_FALSE(window.control(IDC_CALLSIGN_USER1).visible);
  EXPECT_TRUE(window.control(IDC_CALLSIGN_USER2).visible);
}

}  // namespace
