#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "firmware/upload_status.h"
#include "firmware/upload_worker.h"
#include "link/admin.h"
#include "messages/message_codec.h"
#include "messages/message_editor.h"
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
    for (int id : {IDC_STATUS_LINE, IDC_POT_VALUE, IDC_AUX_VALUE, IDC_SUPPLY_VOLTAGE}) {
      window.set_text(id, "earlier");
    }

    click(IDC_TEST);

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

TEST_F(WindowTest, WriteSendsTheStoredPanelAndEncodedMessages) {
  fill_valid_panel();
  window.set_text(IDC_WEIGHT, "60");
  window.set_text(IDC_MSG1, "cq test");
  window.set_text(IDC_CALLSIGN_USER2, "w1aw");

  click(IDC_WRITE);

  EXPECT_EQ(window.text(IDC_STATUS_LINE), "Done");
  EXPECT_EQ(sim.keyer.image_writes, 1);
  EXPECT_EQ(sim.keyer.image, settings_image);
  EXPECT_EQ(settings_image[REL_WEIGHT], 60);
  MessageTexts expected{};
  expected[0] = "CQ TEST";
  expected[13] = "W1AW";
  EXPECT_EQ(decode_messages(), expected);
  EXPECT_EQ(requested_pauses.back(), 500);
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

}  // namespace
