#include "link/interface_test.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "link/link.h"
#include "link_test_support.h"
#include "platform/recording_controls.h"
#include "resources/control_ids.h"
#include "sim/in_process_port.h"

namespace {

// What an earlier test left behind, so that a row can tell "kept" from "changed".
constexpr KeyerValues EARLIER{33, 7, IC_DIP};
const std::string EARLIER_LABEL = "Ostrel IC:DIP";

const std::vector<uint8_t> ECHO = {0x00, 0x04, 0x55};
const std::vector<uint8_t> REVISIONS = {0x00, 0x09, 0x00, 0x17};
const std::vector<uint8_t> IC_QUERY = {0x00, 0x18};

std::vector<uint8_t> operator+(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

struct Outcome {
  const char* name;
  std::function<void(SimulatedKeyerLink&)> arrange;
  int result;
  std::string status;
  KeyerValues values;
  std::string ic_label;
  std::vector<uint8_t> sent;
};

class InterfaceTest : public ::testing::Test {
 protected:
  void SetUp() override { reset_link_globals(); }
  void TearDown() override { set_pause_function(nullptr); }
};

void expect_values(const KeyerValues& actual, const KeyerValues& expected) {
  EXPECT_EQ(actual.fw_major, expected.fw_major);
  EXPECT_EQ(actual.fw_minor, expected.fw_minor);
  EXPECT_EQ(actual.ic_variant, expected.ic_variant);
}

TEST_F(InterfaceTest, Outcomes) {
  auto revision = [](uint8_t major, uint8_t minor, uint8_t ic) {
    return [=](SimulatedKeyerLink& sim) {
      sim.keyer.config.fw_major = major;
      sim.keyer.config.fw_minor = minor;
      sim.keyer.config.ic_type = ic;
    };
  };
  const Outcome cases[] = {
      {"device missing",
       [](auto& s) { s.port_faults.fail_open = true; },
       -1,
       "Ostrel Fail:comm open",
       EARLIER,
       EARLIER_LABEL,
       {}},
      {"settings unreadable",
       [](auto& s) { s.port_faults.fail_read_settings = true; },
       -1,
       "Ostrel Fail:get comm state",
       EARLIER,
       EARLIER_LABEL,
       {}},
      {"settings refused",
       [](auto& s) { s.port_faults.fail_apply_settings = true; },
       -1,
       "Ostrel Fail:set comm state",
       EARLIER,
       EARLIER_LABEL,
       {}},
      {"purge refused",
       [](auto& s) { s.port_faults.fail_purge = true; },
       -1,
       "Ostrel Fail:comm purge",
       EARLIER,
       EARLIER_LABEL,
       {}},
      {"silent keyer", [](auto& s) { s.keyer.faults.silent = true; }, -1, "Ostrel Fail:no response",
       EARLIER, EARLIER_LABEL, ECHO},
      {"echo after the wait", [](auto& s) { s.keyer.faults.reply_delay_ms = 4001; }, -1,
       "Ostrel Fail:no response", EARLIER, EARLIER_LABEL, ECHO},
      {"bootloader only", [](auto& s) { s.keyer = KeyerSim({.no_firmware = true}); }, -1,
       "Ostrel Fail:No O/S", EARLIER, EARLIER_LABEL, ECHO},
      {"garbled echo", [](auto& s) { s.keyer.faults.echo_reply = 0x54; }, -1,
       "Ostrel Fail:echo mismatch", EARLIER, EARLIER_LABEL, ECHO},
      {"echo of zero", [](auto& s) { s.keyer.faults.echo_reply = 0x00; }, -1,
       "Ostrel Fail:echo mismatch", EARLIER, EARLIER_LABEL, ECHO},
      {"major revision unanswered",
       [](auto& s) { s.keyer.faults.unanswered_sub_commands = {0x09}; }, -1,
       "Ostrel Fail:no response", EARLIER, EARLIER_LABEL, ECHO + std::vector<uint8_t>{0, 0x09}},
      {"minor revision unanswered",
       [](auto& s) { s.keyer.faults.unanswered_sub_commands = {0x17}; }, -1,
       "Ostrel Fail:no response", EARLIER, EARLIER_LABEL, ECHO + REVISIONS},
      {"older keyer family",
       revision(29, 9, 2),
       -1,
       "Only Ostrel3 only",
       {29, 9, IC_DIP},
       EARLIER_LABEL,
       ECHO + REVISIONS},
      {"minor 3 is SMT unasked",
       revision(30, 3, 2),
       30,
       "Ostrel F/W revision 30.03",
       {30, 3, IC_SMT},
       "Ostrel IC:SMT",
       ECHO + REVISIONS},
      {"minor 0 is SMT unasked",
       revision(30, 0, 3),
       30,
       "Ostrel F/W revision 30.00",
       {30, 0, IC_SMT},
       "Ostrel IC:SMT",
       ECHO + REVISIONS},
      {"minor 4 asks: SMT",
       revision(30, 4, 1),
       30,
       "Ostrel F/W revision 30.04",
       {30, 4, IC_SMT},
       "Ostrel IC:SMT",
       ECHO + REVISIONS + IC_QUERY},
      {"minor 4 asks: DIP",
       revision(31, 4, 2),
       31,
       "Ostrel F/W revision 31.04",
       {31, 4, IC_DIP},
       "Ostrel IC:DIP",
       ECHO + REVISIONS + IC_QUERY},
      {"minor 4 asks: MINI",
       revision(31, 4, 3),
       31,
       "Ostrel F/W revision 31.04",
       {31, 4, IC_MINI},
       "Ostrel IC:MINI",
       ECHO + REVISIONS + IC_QUERY},
      // No keyer has it: the answers are out of step with the questions.
      {"unknown IC: nothing kept",
       revision(31, 5, 9),
       -1,
       "Ostrel Fail:no response",
       EARLIER,
       EARLIER_LABEL,
       ECHO + REVISIONS + IC_QUERY},
      {"IC type unanswered: nothing kept",
       [&](auto& s) {
         revision(31, 4, 2)(s);
         s.keyer.faults.unanswered_sub_commands = {0x18};
       },
       -1, "Ostrel Fail:no response", EARLIER, EARLIER_LABEL, ECHO + REVISIONS + IC_QUERY},
      {"three-digit minor",
       revision(31, 123, 2),
       31,
       "Ostrel F/W revision 31.123",
       {31, 123, IC_DIP},
       "Ostrel IC:DIP",
       ECHO + REVISIONS + IC_QUERY},
      {"highest revision",
       revision(255, 255, 1),
       255,
       "Ostrel F/W revision 255.255",
       {255, 255, IC_SMT},
       "Ostrel IC:SMT",
       ECHO + REVISIONS + IC_QUERY},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    reset_link_globals();
    keyer_values = EARLIER;
    RecordingControls window;
    window.set_text(IDC_IC_LABEL, EARLIER_LABEL);
    SimulatedKeyerLink sim;
    c.arrange(sim);

    EXPECT_EQ(interface_test(window), c.result);

    std::vector<std::string> status_texts;
    for (const auto& [id, text] : window.text_log)
      if (id == IDC_STATUS_FIELD) status_texts.push_back(text);
    ASSERT_FALSE(status_texts.empty());
    EXPECT_EQ(status_texts.front(), "Testing Ostrel Interface    ");
    EXPECT_EQ(window.text(IDC_STATUS_FIELD), c.status);
    EXPECT_EQ(window.text(IDC_IC_LABEL), c.ic_label);
    expect_values(keyer_values, c.values);
    EXPECT_EQ(sim.keyer.received, c.sent);
  }
}

TEST_F(InterfaceTest, OpensTheConfiguredPortAndLeavesTheLinkOpen) {
  com_port_number = 12;
  SimulatedKeyerLink sim;
  sim.keyer.faults.silent = true;
  RecordingControls window;
  EXPECT_EQ(interface_test(window), -1);
  EXPECT_EQ(sim.opened_names, std::vector<std::string>{"\\\\.\\COM12"});
  EXPECT_TRUE(link_is_open());
}

// A port that is already open is used as it is: not reopened and its queue not cleared, so a
// reply still waiting from before is what the echo test reads.
TEST_F(InterfaceTest, UsesAnOpenLinkAsItIs) {
  SimulatedKeyerLink sim;
  ASSERT_EQ(link_open(com_port_number), LINK_OK);
  const uint8_t stale_query[] = {0x00, 0x09};
  ASSERT_TRUE(link_write(stale_query, sizeof stale_query));
  sim.port_faults.fail_open = true;

  RecordingControls window;
  EXPECT_EQ(interface_test(window), -1);
  EXPECT_EQ(window.text(IDC_STATUS_FIELD), "Ostrel Fail:echo mismatch");
  EXPECT_EQ(sim.opened_names.size(), 1u);
}

}  // namespace
