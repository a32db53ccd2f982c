#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <numeric>
#include <string>
#include <vector>

#include "files/backups.h"
#include "firmware/upload_status.h"
#include "firmware/upload_worker.h"
#include "link/admin.h"
#include "messages/message_codec.h"
#include "messages/message_editor.h"
#include "tests/support/temporary_folder.h"
#include "tests/window/window_fixture.h"

namespace {

// An image as a keyer might hold it: distinct User 1 and User 2 settings and two messages.
SettingsImage keyer_image() {
  SettingsImage image{};
  for (int bank = 0; bank < 2; ++bank) {
    const int b = bank * USER_BANK_SIZE;
    image[b + REL_CUR_WPM] = 20 + bank;
    image[b + REL_SIDETONE] = 62;
    image[b + REL_WEIGHT] = 40 + bank;
    image[b + REL_POT_MIN] = 10;
    image[b + REL_POT_RANGE] = 20;
    image[b + REL_PDL_SAMPLE] = 50;
    image[b + REL_RATIO] = 50;
    image[b + REL_PIN_CONFIG] = 7;
    image[b + REL_CMD_WPM] = 15;
  }
  MessageTexts texts{};
  texts[0] = "CQ CQ";
  texts[12] = "K1ABC";
  const SettingsImage saved = settings_image;
  settings_image = image;
  encode_messages(texts);
  image = settings_image;
  settings_image = saved;
  return image;
}

struct TestCase {
  const char* name;
  std::function<void(KeyerSimConfig&, KeyerFaults&)> arrange;
  const char* status;
  const char* pot;
  const char* aux;
  const char* volts;
};

TEST_F(WindowTest, TestShowsWhatTheKeyerReports) {
  const auto with = [](std::function<void(KeyerSimConfig&)> f) {
    return [f](KeyerSimConfig& config, KeyerFaults&) { f(config); };
  };
  const TestCase cases[] = {
      {"DIP", with([](KeyerSimConfig& k) { k.aux_value = 17; }), ">Ostrel OK", "PotValue: 128",
       "17", "5.04 Volts"},
      {"SMT, 80", with([](KeyerSimConfig& k) { k.ic_type = 1, k.supply_reading = 80; }),
       ">Ostrel OK", "PotValue: 128", "0", "3.28 Volts"},
      {"MINI keeps aux", with([](KeyerSimConfig& k) { k.ic_type = 3, k.supply_reading = 255; }),
       ">Ostrel OK", "PotValue: 128", "earlier", "1.03 Volts"},
      {"reading 0", with([](KeyerSimConfig& k) { k.supply_reading = 0, k.pot_value = 0; }),
       ">Ostrel OK", "PotValue: 0", "0", "no reading"},
      {"voltage unanswered",
       [](KeyerSimConfig&, KeyerFaults& f) { f.unanswered_sub_commands = {0x15}; }, ">Ostrel ERR",
       "", "earlier", ""},
      {"silent keyer", [](KeyerSimConfig&, KeyerFaults& f) { f.silent = true; }, ">Ostrel ERR", "",
       "earlier", ""},
      {"bootloader only", with([](KeyerSimConfig& k) { k.no_firmware = true; }), ">Ostrel ERR", "",
       "earlier", ""},
  };
  for (const auto& c : cases) {
    KeyerSimConfig config;
    KeyerFaults faults;
    c.arrange(config, faults);
    sim.keyer = KeyerSim(config);
    sim.keyer.faults = faults;
    for (int id : {IDC_STATUS_LINE, IDC_POT_VALUE, IDC_AUX_VALUE, IDC_SUPPLY_VOLTAGE,
                   IDC_STATUS_FIELD, IDC_IC_LABEL}) {
      window.set_text(id, "earlier");
    }
    window.spoken.clear();

    click(IDC_TEST);

    // Each result the window shows is told to a screen reader as it appears.
    for (int id :
         {IDC_STATUS_FIELD, IDC_IC_LABEL, IDC_STATUS_LINE, IDC_POT_VALUE, IDC_SUPPLY_VOLTAGE}) {
      const std::pair<int, std::string> shown{id, window.text(id)};
      if (!shown.second.empty() && shown.second != "earlier") {
        EXPECT_NE(std::find(window.spoken.begin(), window.spoken.end(), shown), window.spoken.end())
            << c.name << ": " << shown.second;
      }
    }
    EXPECT_EQ(window.text(IDC_STATUS_LINE), c.status) << c.name;
    EXPECT_EQ(window.text(IDC_POT_VALUE), c.pot) << c.name;
    EXPECT_EQ(window.text(IDC_AUX_VALUE), c.aux) << c.name;
    EXPECT_EQ(window.text(IDC_SUPPLY_VOLTAGE), c.volts) << c.name;
    EXPECT_FALSE(main_window_state.busy_flag) << c.name;
  }
}

// Every operation starts on a freshly opened port.
TEST_F(WindowTest, EachOperationReopensTheLink) {
  click(IDC_TEST);
  click(IDC_READ);
  EXPECT_EQ(sim.opened_names, (std::vector<std::string>{"COM3", "COM3"}));
  EXPECT_TRUE(link_is_open());
}

struct ReadCase {
  const char* name;
  std::function<void(SimulatedKeyerLink&)> arrange;
  const char* status;
  bool image_taken;
};

TEST_F(WindowTest, ReadTakesTheImageOnlyWhenAllOfItArrived) {
  const ReadCase cases[] = {
      {"whole image", [](SimulatedKeyerLink&) {}, ">Done", true},
      {"reply cut short", [](SimulatedKeyerLink& s) { s.keyer.faults.short_reply = 100; },
       ">Read failed", false},
      {"no reply to the read",
       [](SimulatedKeyerLink& s) { s.keyer.faults.unanswered_sub_commands = {0x0C}; },
       ">Read failed", false},
      {"keyer stops half-way",
       [](SimulatedKeyerLink& s) { s.keyer.faults.silent_after_bytes = 3 + 150; }, ">Read failed",
       false},
      {"silent keyer", [](SimulatedKeyerLink& s) { s.keyer.faults.silent = true; }, ">Ostrel ERR",
       false},
  };
  for (const auto& c : cases) {
    KeyerSimConfig config;
    config.image = keyer_image();
    sim.keyer = KeyerSim(config);
    c.arrange(sim);
    SettingsImage before{};
    before[REL_WEIGHT] = 33;
    settings_image = before;
    window.set_text(IDC_MSG1, "unsaved");
    window.set_text(IDC_WEIGHT, "33");

    click(IDC_READ);

    EXPECT_EQ(window.text(IDC_STATUS_LINE), c.status) << c.name;
    if (c.image_taken) {
      EXPECT_EQ(settings_image, keyer_image()) << c.name;
      EXPECT_EQ(window.text(IDC_WEIGHT), "40") << c.name;
      EXPECT_EQ(window.text(IDC_MSG1), "CQ CQ") << c.name;
      EXPECT_EQ(window.text(IDC_CALLSIGN_USER1), "K1ABC") << c.name;
    } else {
      EXPECT_EQ(settings_image, before) << c.name;
      EXPECT_EQ(window.text(IDC_WEIGHT), "33") << c.name;
      EXPECT_EQ(window.text(IDC_MSG1), "unsaved") << c.name;
    }
  }
}

// The panel follows the selected bank, not the bank bit in the image the keyer sent.
TEST_F(WindowTest, ReadWithUser2SelectedShowsUser2) {
  KeyerSimConfig config;
  config.image = keyer_image();
  sim.keyer = KeyerSim(config);
  fill_valid_panel();
  click(IDC_USER2);

  click(IDC_READ);

  EXPECT_EQ(window.text(IDC_WEIGHT), "41");
  EXPECT_TRUE(window.get_check(IDC_USER2));
  EXPECT_FALSE(window.get_check(IDC_USER1));
}

enum class Late { test, read, upload };

struct LateCase {
  const char* name;
  Late operation;
  uint8_t sub_command;  // whose reply comes late
};

// A reply that comes after its wait still arrives, and would be read as the next one's: the
// operation ends there as a failure, asks nothing more, and changes nothing it holds.
TEST_F(WindowTest, ALateReplyEndsTheOperation) {
  const LateCase cases[] = {
      {"Test, echo", Late::test, ADMIN_ECHO_TEST},
      {"Test, major", Late::test, ADMIN_FW_MAJOR},
      {"Test, minor", Late::test, ADMIN_FW_MINOR},
      {"Test, IC type", Late::test, ADMIN_IC_TYPE},
      {"Test, pot", Late::test, ADMIN_POT_VALUE},
      {"Test, aux", Late::test, ADMIN_AUX_VALUE},
      {"Test, supply", Late::test, ADMIN_SUPPLY_VOLTAGE},
      {"Read, echo", Late::read, ADMIN_ECHO_TEST},
      {"Read, major", Late::read, ADMIN_FW_MAJOR},
      {"Read, minor", Late::read, ADMIN_FW_MINOR},
      {"Read, IC type", Late::read, ADMIN_IC_TYPE},
      {"Read, image", Late::read, ADMIN_READ_IMAGE},
      {"upload, sync probe", Late::upload, ADMIN_ECHO_TEST},
  };
  constexpr KeyerValues EARLIER{33, 7, IC_SMT};
  for (int late_by_ms : {10, 300, 3000}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.name) + ", late by " + std::to_string(late_by_ms) + " ms");
      KeyerSimConfig config;
      config.image = keyer_image();
      config.pot_value = 77;
      config.aux_value = 9;
      config.supply_reading = 80;
      sim.keyer = KeyerSim(config);
      sim.keyer.faults.late_sub_command = c.sub_command;
      sim.keyer.faults.late_reply_ms = LINK_READ_WAIT_MS + late_by_ms;
      link_close();
      keyer_values = EARLIER;
      SettingsImage before{};
      before[REL_WEIGHT] = 33;
      settings_image = before;
      for (int id : {IDC_POT_VALUE, IDC_AUX_VALUE, IDC_SUPPLY_VOLTAGE, IDC_WEIGHT})
        window.set_text(id, "earlier");
      const bool interface_query =
          c.sub_command == ADMIN_ECHO_TEST || c.sub_command == ADMIN_FW_MAJOR ||
          c.sub_command == ADMIN_FW_MINOR || c.sub_command == ADMIN_IC_TYPE;

      std::vector<uint8_t> last_request = {0x00, c.sub_command};
      if (c.sub_command == ADMIN_ECHO_TEST) last_request.push_back(ADMIN_ECHO_ARGUMENT);
      switch (c.operation) {
        case Late::test:
          click(IDC_TEST);
          EXPECT_EQ(window.text(IDC_STATUS_LINE), ">Ostrel ERR");
          EXPECT_EQ(window.text(IDC_STATUS_FIELD), "Ostrel Fail:no response");
          EXPECT_EQ(window.text(IDC_POT_VALUE), "");
          EXPECT_EQ(window.text(IDC_AUX_VALUE), "earlier");
          EXPECT_EQ(window.text(IDC_SUPPLY_VOLTAGE), "");
          break;
        case Late::read:
          click(IDC_READ);
          EXPECT_EQ(window.text(IDC_STATUS_LINE), interface_query ? ">Ostrel ERR" : ">Read failed");
          EXPECT_EQ(settings_image, before);
          EXPECT_EQ(window.text(IDC_WEIGHT), "earlier");
          break;
        case Late::upload:
          ASSERT_EQ(link_open(com_port_number), LINK_OK);
          upload_status.store(0);
          upload_worker();
          EXPECT_EQ(upload_status.load(), UPLOAD_ERR_TIMEOUT);
          EXPECT_TRUE(sim.keyer.frames.empty());
          break;
      }
      // Nothing was asked after the late query, so nothing could take its reply.
      const std::vector<uint8_t>& received = sim.keyer.received;
      ASSERT_GE(received.size(), last_request.size());
      EXPECT_TRUE(std::equal(last_request.begin(), last_request.end(),
                             received.end() - static_cast<std::ptrdiff_t>(last_request.size())));
      if (interface_query && c.operation != Late::upload) {
        EXPECT_EQ(keyer_values.fw_major, EARLIER.fw_major);
        EXPECT_EQ(keyer_values.fw_minor, EARLIER.fw_minor);
        EXPECT_EQ(keyer_values.ic_variant, EARLIER.ic_variant);
      }
    }
  }
}

// How the program that missed a reply went on: the same one, a new one after the old one was
// killed, or a new one after the old one ended as the command line ends.
enum class After { same_program, killed, released };

// A Read whose image comes late (0.3 s: on time), then a second operation after a gap: whatever
// reaches it of the late image, it never reports success with anything but the keyer's answers
// to its own questions, and once the line was drained it goes well.
TEST_F(WindowTest, AnOperationAfterALateReplyNeverTakesItForItsAnswers) {
  KeyerSimConfig config;
  config.image = keyer_image();
  // An image that opens as the echo's answer and goes on as a revision and an IC a keyer has.
  config.image[0] = ECHO_REPLY_FIRMWARE;
  config.image[1] = 31;
  config.image[2] = 78;
  config.image[3] = IC_SMT;  // not the keyer's own (DIP)
  config.pot_value = 77;
  sim.late_bytes_outlive_port = true;
  for (int late_ms : {300, 4300, 6000})
    for (int gap_ms : {0, 50, 300})
      for (int second : {IDC_TEST, IDC_READ, IDC_WRITE})
        for (After after : {After::same_program, After::killed, After::released}) {
          SCOPED_TRACE("late " + std::to_string(late_ms) + " ms, gap " + std::to_string(gap_ms) +
                       " ms, control " + std::to_string(second) + ", after " +
                       std::to_string(static_cast<int>(after)));
          sim.keyer = KeyerSim(config);
          sim.keyer.faults.late_sub_command = ADMIN_READ_IMAGE;
          sim.keyer.faults.late_reply_ms = late_ms;
          sim.line.clear();
          link_state = LinkState{};
          click(IDC_READ);
          sim.keyer.faults.late_sub_command = -1;
          if (after == After::released) link_release();
          if (after != After::same_program) link_state = LinkState{};
          elapse(sim.line, gap_ms);
          settings_image = SettingsImage{};
          fill_valid_panel();
          const std::string label = window.text(IDC_IC_LABEL);
          click(second);
          const std::string line = window.text(IDC_STATUS_LINE);
          const bool succeeded = line == ">Ostrel OK" || line == ">Done" || line == "Done";
          // The drain's second of quiet outlasts an image 0.3 s past the wait, not one 2 s past.
          if (late_ms == 300 || (late_ms == 4300 && after != After::killed)) {
            EXPECT_TRUE(succeeded) << line;
          }
          if (succeeded) {
            EXPECT_EQ(window.text(IDC_STATUS_FIELD), "Ostrel F/W revision 31.04");
            EXPECT_EQ(keyer_values.ic_variant, config.ic_type);
            if (second == IDC_TEST) {
              EXPECT_EQ(window.text(IDC_POT_VALUE), "PotValue: 77");
            } else if (second == IDC_READ) {
              EXPECT_EQ(settings_image, config.image);
            }
          } else {
            EXPECT_EQ(window.text(IDC_STATUS_FIELD), "Ostrel Fail:no response");
            EXPECT_EQ(window.text(IDC_IC_LABEL), label);
          }
          link_close();
        }
}

TEST_F(WindowTest, WriteSendsTheStoredPanelAndEncodedMessages) {
  fill_valid_panel();
  window.set_text(IDC_WEIGHT, "60");
  window.set_text(IDC_MSG1, "cq test");
  window.set_text(IDC_CALLSIGN_USER2, "w1aw");

  const auto start = std::chrono::steady_clock::now();
  click(IDC_WRITE);
  const auto took = std::chrono::steady_clock::now() - start;

  EXPECT_EQ(window.text(IDC_STATUS_LINE), "Done");
  EXPECT_EQ(sim.keyer.image_writes, 1);
  EXPECT_EQ(sim.keyer.image, settings_image);
  EXPECT_EQ(settings_image[REL_WEIGHT], 60);
  MessageTexts expected{};
  expected[0] = "CQ TEST";
  expected[13] = "W1AW";
  EXPECT_EQ(decode_messages(), expected);
  // "Done" only once the 290 bytes at 1200 baud have had their time on the line (the port
  // reports them sent at once), and the keyer its 500 ms to store them after that.
  EXPECT_EQ(requested_pauses.back(), 500);
  const int paused = std::accumulate(requested_pauses.begin(), requested_pauses.end(), 0);
  EXPECT_GE(paused + std::chrono::duration<double>(took).count() * 1000, 100 + 2400 + 500);
}

struct WriteRefusal {
  const char* name;
  std::function<void(SimulatedKeyerLink&, RecordingControls&)> arrange;
  const char* status;
  bool error_box;
};

// A write that cannot be made or did not go out never ends in "Done", and a refused one sends
// nothing.
TEST_F(WindowTest, WriteThatFailsSaysSo) {
  const WriteRefusal cases[] = {
      {"silent keyer",
       [](SimulatedKeyerLink& s, RecordingControls&) { s.keyer.faults.silent = true; },
       ">Ostrel ERR", false},
      {"invalid panel",
       [](SimulatedKeyerLink&, RecordingControls& w) { w.set_text(IDC_RATIO, "70"); }, "", true},
      {"refused character",
       [](SimulatedKeyerLink&, RecordingControls& w) { w.set_text(IDC_MSG9, "CQ # DE"); }, "",
       true},
      {"over capacity",
       [](SimulatedKeyerLink&, RecordingControls& w) {
         w.set_text(IDC_MSG2, std::string(200, 'E'));
         w.set_text(IDC_CALLSIGN_USER1, std::string(41, 'T'));
       },
       "", true},
      {"character above 127",
       [](SimulatedKeyerLink&, RecordingControls& w) { w.set_text(IDC_MSG1, "CAF\xC9"); }, "",
       true},
  };
  for (const auto& c : cases) {
    sim.keyer = KeyerSim();
    window.error_boxes.clear();
    settings_image = SettingsImage{};
    fill_valid_panel();
    c.arrange(sim, window);
    const SettingsImage before = settings_image;
    window.set_text(IDC_STATUS_LINE, "");

    click(IDC_WRITE);

    EXPECT_EQ(window.text(IDC_STATUS_LINE), c.status) << c.name;
    EXPECT_EQ(sim.keyer.image_writes, 0) << c.name;
    EXPECT_EQ(window.error_boxes.size(), c.error_box ? 1u : 0u) << c.name;
    // The message region is encoded only when the write goes ahead.
    EXPECT_TRUE(std::equal(before.begin() + MSG_END_POINTER, before.end(),
                           settings_image.begin() + MSG_END_POINTER))
        << c.name;
    for (int id : MESSAGE_BOX_IDS) window.set_text(id, "");
  }
}

TEST_F(WindowTest, WriteThatDoesNotGoOutIsReported) {
  fill_valid_panel();
  sim.port_faults.write_accepts_at_most = 100;  // admin frames pass, the image does not

  click(IDC_WRITE);

  EXPECT_EQ(window.text(IDC_STATUS_LINE), ">Write failed");
  EXPECT_EQ(sim.keyer.image_writes, 0);
}

TEST_F(WindowTest, WriteRightAfterStartFailsAtWeight) {
  click(IDC_WRITE);
  EXPECT_EQ(window.error_boxes, std::vector<std::string>{"Weight must be between 10 and 90"});
  EXPECT_EQ(sim.keyer.image_writes, 0);
}

// 2026-12-07 15:45:01 UTC, for every copy a case makes.
std::time_t backup_moment() {
  return 1796658301;
}

struct BackupCase {
  const char* name;
  std::function<void(SimulatedKeyerLink&)> arrange;
  std::vector<int> clicks;
  std::vector<const char*> statuses;  // after each click
  int earlier_copies;                 // older copies of ours in the folder before
  bool folder_unwritable;
  std::vector<std::string> new_copies;
};

// Each Read and Write leaves a copy of the image the keyer then holds, named by the time and the
// operation; the newest 200 are kept. A copy that cannot be saved changes nothing else.
TEST_F(WindowTest, ReadAndWriteKeepDatedCopies) {
  const auto none = [](SimulatedKeyerLink&) {};
  const BackupCase cases[] = {
      {"read", none, {IDC_READ}, {">Done"}, 0, false, {"20261207-154501-read.eep"}},
      {"write", none, {IDC_WRITE}, {"Done"}, 0, false, {"20261207-154501-write.eep"}},
      {"two in one second",
       none,
       {IDC_WRITE, IDC_READ},
       {"Done", ">Done"},
       0,
       false,
       {"20261207-154501-read-2.eep", "20261207-154501-write.eep"}},
      {"the 201st", none, {IDC_READ}, {">Done"}, 200, false, {"20261207-154501-read.eep"}},
      {"failed read",
       [](SimulatedKeyerLink& s) { s.keyer.faults.short_reply = 100; },
       {IDC_READ},
       {">Read failed"},
       0,
       false,
       {}},
      {"folder unwritable", none, {IDC_WRITE, IDC_READ}, {"Done", ">Done"}, 0, true, {}},
  };
  for (const auto& c : cases) {
    TemporaryFolder scratch;
    const std::string folder = scratch.path("backups");
    std::vector<std::string> earlier = {"keyer.eep"};  // not ours: never removed
    if (c.folder_unwritable) {
      write_file_bytes(folder, {1});  // a file where the folder should be
    } else {
      std::filesystem::create_directory(folder);
      for (int i = 0; i < c.earlier_copies; ++i) {
        char name[40];
        std::snprintf(name, sizeof name, "20261206-%06d-%s.eep", i, i % 2 ? "write" : "read");
        earlier.emplace_back(name);
      }
      for (const std::string& name : earlier) write_file_bytes(folder + "/" + name, {0xEE});
    }
    backup_state = BackupState{folder, &backup_moment};
    KeyerSimConfig config;
    config.image = keyer_image();
    sim.keyer = KeyerSim(config);
    c.arrange(sim);
    fill_valid_panel();
    window.error_boxes.clear();

    for (size_t i = 0; i < c.clicks.size(); ++i) {
      click(c.clicks[i]);
      EXPECT_EQ(window.text(IDC_STATUS_LINE), c.statuses[i]) << c.name;
    }

    EXPECT_TRUE(window.error_boxes.empty()) << c.name;
    if (c.folder_unwritable) {
      EXPECT_EQ(sim.keyer.image_writes, 1) << c.name;
      EXPECT_EQ(settings_image, sim.keyer.image) << c.name;
      EXPECT_EQ(read_file_bytes(folder), std::vector<uint8_t>{1}) << c.name;
    } else {
      // The oldest copies beyond 200 go, the oldest first.
      if (c.earlier_copies >= BACKUPS_KEPT) earlier.erase(earlier.begin() + 1);
      std::vector<std::string> expected = earlier;
      expected.insert(expected.end(), c.new_copies.begin(), c.new_copies.end());
      std::sort(expected.begin(), expected.end());
      std::vector<std::string> found;
      for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        found.push_back(entry.path().filename().string());
      }
      std::sort(found.begin(), found.end());
      EXPECT_EQ(found, expected) << c.name;
      const std::vector<uint8_t> held(sim.keyer.image.begin(), sim.keyer.image.end());
      for (const std::string& name : c.new_copies) {
        EXPECT_EQ(read_file_bytes(folder + "/" + name), held) << c.name << ": " << name;
      }
    }
    backup_state = BackupState{};
  }
}

}  // namespace
