// The in-process port: simulated time for its waits, port faults, and its use by the link.
#include "sim/in_process_port.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "link/link.h"
#include "platform/pause.h"

namespace {

using Bytes = std::vector<uint8_t>;

const Bytes ECHO_TEST{0x00, 0x04, 0x55};
const Bytes READ_IMAGE{0x00, 0x0C};

struct PortRig {
  KeyerSim keyer;
  PortFaults faults;
  InProcessPort port{keyer, faults};

  PortRig() {
    EXPECT_TRUE(port.open("COM1"));
    EXPECT_TRUE(port.apply_line_settings(1200));
  }
  bool send(const Bytes& bytes) { return port.write(bytes.data(), bytes.size(), 2000); }
  Bytes read(size_t count, int wait_ms, bool expect_ok) {
    Bytes buffer(count, 0xEE);
    EXPECT_EQ(port.read(buffer.data(), count, wait_ms), expect_ok);
    return buffer;
  }
};

TEST(InProcessPort, FailsEachOperationItIsToldTo) {
  struct Case {
    const char* name;
    bool PortFaults::*fault;
  };
  const Case cases[] = {
      {"open", &PortFaults::fail_open},
      {"read settings", &PortFaults::fail_read_settings},
      {"apply settings", &PortFaults::fail_apply_settings},
      {"purge", &PortFaults::fail_purge},
      {"set baud rate", &PortFaults::fail_set_baud_rate},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    KeyerSim keyer;
    PortFaults faults;
    faults.*c.fault = true;
    InProcessPort port(keyer, faults);
    const bool opened = port.open("COM4");
    EXPECT_EQ(opened, c.fault != &PortFaults::fail_open);
    if (!opened) continue;
    EXPECT_EQ(port.read_settings(), c.fault != &PortFaults::fail_read_settings);
    EXPECT_EQ(port.apply_line_settings(1200), c.fault != &PortFaults::fail_apply_settings);
    EXPECT_EQ(port.purge_input(), c.fault != &PortFaults::fail_purge);
    EXPECT_EQ(port.set_baud_rate(9600), c.fault != &PortFaults::fail_set_baud_rate);
  }
}

TEST(InProcessPort, NothingWorksWhileClosed) {
  KeyerSim keyer;
  PortFaults faults;
  InProcessPort port(keyer, faults);
  uint8_t byte = 0;
  EXPECT_FALSE(port.write(ECHO_TEST.data(), ECHO_TEST.size(), 2000));
  EXPECT_FALSE(port.read(&byte, 1, 4000));
  EXPECT_FALSE(port.apply_line_settings(1200));
  EXPECT_TRUE(keyer.received.empty());
}

TEST(InProcessPort, ReadsWithinTheirWait) {
  struct Case {
    const char* name;
    int delay_ms;
    int wait_ms;
    bool arrives;
  };
  const Case cases[] = {
      {"at once", 0, 4000, true},
      {"just in time", 4000, 4000, true},
      {"a millisecond late", 4001, 4000, false},
      {"no wait at all", 0, 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PortRig rig;
    rig.keyer.faults.reply_delay_ms = c.delay_ms;
    ASSERT_TRUE(rig.send(ECHO_TEST));
    const Bytes reply = rig.read(1, c.wait_ms, c.arrives);
    if (c.arrives) {
      EXPECT_EQ(reply, Bytes{0x55});
    }
  }
}

TEST(InProcessPort, FailedReadReturnsAtOnceAndKeepsLateBytes) {
  PortRig rig;
  rig.keyer.faults.reply_delay_ms = 5000;
  ASSERT_TRUE(rig.send(ECHO_TEST));
  const auto start = std::chrono::steady_clock::now();
  rig.read(1, 4000, false);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
  // The first read waited 4000 ms of the 5000: the byte is 1000 ms away now.
  rig.read(1, 999, false);
  EXPECT_EQ(rig.read(1, 1, true), Bytes{0x55});
}

TEST(InProcessPort, PartialReplyFillsWhatArrivedAndFails) {
  PortRig rig;
  rig.keyer.image.fill(0x42);
  rig.keyer.faults.short_reply = 100;
  ASSERT_TRUE(rig.send(READ_IMAGE));
  const Bytes buffer = rig.read(288, 4000, false);
  EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 100), Bytes(100, 0x42));
  EXPECT_EQ(Bytes(buffer.begin() + 100, buffer.end()), Bytes(188, 0xEE));
  rig.read(1, 4000, false);  // the bytes it took are gone
}

TEST(InProcessPort, RepliesQueueUpInOrder) {
  PortRig rig;
  ASSERT_TRUE(rig.send({0x00, 0x09}));
  ASSERT_TRUE(rig.send({0x00, 0x17}));
  EXPECT_EQ(rig.read(1, 4000, true), Bytes{31});
  EXPECT_EQ(rig.read(1, 4000, true), Bytes{4});
}

// What has arrived goes; a reply still on its way comes after the purge, as on a real line.
TEST(InProcessPort, PurgeDropsOnlyRepliesThatArrived) {
  for (int delay_ms : {0, 10000}) {
    PortRig rig;
    rig.keyer.faults.reply_delay_ms = delay_ms;
    ASSERT_TRUE(rig.send(ECHO_TEST));
    EXPECT_TRUE(rig.port.purge_input());
    rig.read(1, 20000, delay_ms > 0);
  }
}

TEST(InProcessPort, WritesGoOutAtThePortsRate) {
  struct Case {
    const char* name;
    uint32_t port_baud;
    Bytes reply;
  };
  const Case cases[] = {{"keyer's rate", 1200, {0x55}}, {"another rate", 9600, {}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PortRig rig;
    ASSERT_TRUE(rig.port.set_baud_rate(c.port_baud));
    ASSERT_TRUE(rig.send(ECHO_TEST));
    uint8_t byte = 0;
    EXPECT_EQ(rig.port.read(&byte, 1, 4000), !c.reply.empty());
    EXPECT_EQ(rig.keyer.received, ECHO_TEST);
  }
}

TEST(InProcessPort, ShortWrites) {
  struct Case {
    const char* name;
    int accepts_at_most;
    bool ok;
    size_t reaches_keyer;
  };
  const Case cases[] = {
      {"unlimited", -1, true, 3},
      {"exactly enough", 3, true, 3},
      {"two of three", 2, false, 2},
      {"none", 0, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PortRig rig;
    rig.faults.write_accepts_at_most = c.accepts_at_most;
    EXPECT_EQ(rig.send(ECHO_TEST), c.ok);
    EXPECT_EQ(rig.keyer.received, Bytes(ECHO_TEST.begin(), ECHO_TEST.begin() + c.reaches_keyer));
  }
}

void no_pause(int) {}

class SimulatedKeyerLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    set_pause_function(no_pause);
    link_state = LinkState{};
  }
  void TearDown() override {
    link_close();
    set_pause_function(nullptr);
  }
};

TEST_F(SimulatedKeyerLinkTest, LinkTalksToTheKeyerThroughIt) {
  SimulatedKeyerLink sim;
  ASSERT_EQ(link_open(3), LINK_OK);
  ASSERT_TRUE(link_write(ECHO_TEST.data(), 3));
  uint8_t reply = 0;
  ASSERT_TRUE(link_read(&reply, 1));
  EXPECT_EQ(reply, 0x55);
  EXPECT_EQ(link_open(12), LINK_OK);
  EXPECT_EQ(sim.opened_names, (std::vector<std::string>{"COM3", "\\\\.\\COM12"}));
}

TEST_F(SimulatedKeyerLinkTest, PortFaultsReachTheLink) {
  struct Case {
    const char* name;
    bool PortFaults::*fault;
    int status;
  };
  const Case cases[] = {
      {"open", &PortFaults::fail_open, LINK_ERR_OPEN},
      {"get state", &PortFaults::fail_read_settings, LINK_ERR_GET_STATE},
      {"set state", &PortFaults::fail_apply_settings, LINK_ERR_SET_STATE},
      {"purge", &PortFaults::fail_purge, LINK_ERR_PURGE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SimulatedKeyerLink sim;
    sim.port_faults.*c.fault = true;
    EXPECT_EQ(link_open(1), c.status);
    EXPECT_EQ(sim.opened_names, std::vector<std::string>{"COM1"});
  }
}

TEST_F(SimulatedKeyerLinkTest, GoingOutOfScopeClosesTheLinkAndRestoresThePlatformPort) {
  {
    SimulatedKeyerLink sim;
    ASSERT_EQ(link_open(2), LINK_OK);
  }
  EXPECT_FALSE(link_is_open());
  EXPECT_EQ(link_state.port, nullptr);
  const std::unique_ptr<SerialPort> port = make_serial_port();
  ASSERT_NE(port, nullptr);
  EXPECT_EQ(dynamic_cast<InProcessPort*>(port.get()), nullptr);
}

}  // namespace
