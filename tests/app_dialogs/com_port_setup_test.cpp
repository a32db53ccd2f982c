#include "app/com_port_setup.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "link/link.h"
#include "platform/recording_controls.h"
#include "resources/control_ids.h"

namespace {

constexpr int ERROR_FILE_NOT_FOUND_CODE = 2;

// A machine's ports: every name not listed fails as a port that does not exist.
struct FakePorts {
  std::map<std::string, int> results;
  std::vector<std::string> asked;

  PortProbe probe() {
    return [this](const std::string& name) {
      asked.push_back(name);
      auto found = results.find(name);
      return found == results.end() ? ERROR_FILE_NOT_FOUND_CODE : found->second;
    };
  }
};

FakePorts ports_present(const std::vector<int>& numbers) {
  FakePorts ports;
  for (int n : numbers) ports.results[link_port_name(n)] = 0;
  return ports;
}

int save_calls = 0;
int count_save() {
  ++save_calls;
  return 1;
}

class ComPortSetupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    com_port_setup_state = ComPortSetupState{};
    com_port_number = 0;
    save_calls = 0;
  }
  const std::vector<std::string>& items() { return dialog.control(IDC_COM_PORT_LIST).items; }
  int selection() { return dialog.combo_selection(IDC_COM_PORT_LIST); }
  // A fresh opening of the dialog on a machine with these ports.
  void open_dialog(const std::vector<int>& present, int32_t current) {
    SetUp();
    dialog = RecordingControls{};
    com_port_number = current;
    FakePorts ports = ports_present(present);
    com_port_setup_init(dialog, ports.probe());
  }

  RecordingControls dialog;
};

TEST_F(ComPortSetupTest, ProbesEachPortOnceByTheLinksName) {
  FakePorts ports;
  com_port_setup_init(dialog, ports.probe());
  ASSERT_EQ(ports.asked.size(), 32u);
  EXPECT_EQ(ports.asked.front(), "COM1");
  EXPECT_EQ(ports.asked[8], "COM9");
  EXPECT_EQ(ports.asked[9], "\\\\.\\COM10");
  EXPECT_EQ(ports.asked.back(), "\\\\.\\COM32");
}

TEST_F(ComPortSetupTest, ProbeResultDecidesPresence) {
  struct Case {
    const char* what;
    int port;
    int result;
    bool listed;
  };
  const Case cases[] = {
      {"opened", 4, 0, true},
      {"opened, two-digit name", 12, 0, true},
      {"access denied", 4, 5, true},
      {"general failure", 7, 31, true},
      {"sharing violation", 12, 32, true},
      {"semaphore time-out", 32, 121, true},
      {"file not found", 4, 2, false},
      {"path not found", 12, 3, false},
      {"invalid handle", 4, 6, false},
      {"invalid parameter", 4, 87, false},
      {"failure without a code", 4, -1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    dialog = RecordingControls{};
    FakePorts ports;
    ports.results[link_port_name(c.port)] = c.result;
    com_port_setup_init(dialog, ports.probe());
    std::vector<std::string> expected;
    if (c.listed) expected.push_back("com" + std::to_string(c.port));
    EXPECT_EQ(items(), expected);
    EXPECT_EQ(com_port_setup_state.item_count, c.listed ? 1 : 0);
  }
}

TEST_F(ComPortSetupTest, ListAndPreselection) {
  struct Case {
    const char* what;
    std::vector<int> present;
    int32_t current;
    std::vector<std::string> items;
    int selected;
  };
  const Case cases[] = {
      {"current port listed", {1, 3, 12}, 3, {"com1", "com3", "com12"}, 1},
      {"current port absent", {1, 3, 12}, 5, {"com1", "com3", "com12"}, -1},
      {"current port last", {1, 3, 12}, 12, {"com1", "com3", "com12"}, 2},
      {"no port present", {}, 1, {}, -1},
      {"port 0 from an empty file", {1, 2}, 0, {"com1", "com2"}, -1},
      {"port above 32 never offered", {31, 32}, 33, {"com31", "com32"}, -1},
      {"negative port", {1}, -1, {"com1"}, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    open_dialog(c.present, c.current);
    EXPECT_EQ(items(), c.items);
    EXPECT_EQ(selection(), c.selected);
    EXPECT_EQ(com_port_setup_state.preselected_item, c.selected);
    EXPECT_EQ(com_port_number, c.current) << "opening the dialog changes nothing";
  }
}

TEST_F(ComPortSetupTest, EveryPortPresentFillsTheWholeList) {
  std::vector<int> all;
  for (int n = 1; n <= 32; ++n) all.push_back(n);
  com_port_number = 32;
  FakePorts ports = ports_present(all);
  com_port_setup_init(dialog, ports.probe());
  ASSERT_EQ(items().size(), 32u);
  EXPECT_EQ(items()[31], "com32");
  EXPECT_EQ(selection(), 31);
  EXPECT_EQ(com_port_setup_state.port_list[31], 32);
}

TEST_F(ComPortSetupTest, ReopeningRebuildsTheList) {
  FakePorts first = ports_present({1, 2, 3, 4});
  com_port_setup_init(dialog, first.probe());
  RecordingControls second_dialog;
  com_port_number = 9;
  FakePorts second = ports_present({9});
  com_port_setup_init(second_dialog, second.probe());
  EXPECT_EQ(com_port_setup_state.item_count, 1);
  EXPECT_EQ(com_port_setup_state.preselected_item, 0);
  EXPECT_EQ(com_port_setup_state.port_list[0], 9);
}

TEST_F(ComPortSetupTest, OkTakesTheSelectedItemOrKeepsThePort) {
  struct Case {
    const char* what;
    std::vector<int> present;
    int32_t current;
    int choose;  // item the user picks; -2 for no pick after opening
    ComPortOkResult result;
    int32_t port_after;
    int saves;
  };
  const Case cases[] = {
      {"pick com12", {1, 3, 12}, 3, 2, ComPortOkResult::saved, 12, 1},
      {"keep the preselection", {1, 3, 12}, 3, -2, ComPortOkResult::saved, 3, 1},
      {"pick the first item", {1, 3, 12}, 3, 0, ComPortOkResult::saved, 1, 1},
      {"current absent, no pick", {1, 3, 12}, 5, -2, ComPortOkResult::none_selected, 5, 0},
      {"empty list", {}, 7, -2, ComPortOkResult::none_selected, 7, 0},
      {"selection cleared", {1, 3}, 3, -1, ComPortOkResult::none_selected, 3, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    open_dialog(c.present, c.current);
    if (c.choose != -2) dialog.combo_select(IDC_COM_PORT_LIST, c.choose);
    EXPECT_EQ(com_port_setup_ok(dialog, count_save), c.result);
    EXPECT_EQ(com_port_number, c.port_after);
    EXPECT_EQ(save_calls, c.saves);
  }
}

TEST_F(ComPortSetupTest, OkIgnoresTextTypedIntoTheList) {
  com_port_number = 3;
  FakePorts ports = ports_present({1, 3});
  com_port_setup_init(dialog, ports.probe());
  dialog.set_text(IDC_COM_PORT_LIST, "com7");
  EXPECT_EQ(com_port_setup_ok(dialog, count_save), ComPortOkResult::saved);
  EXPECT_EQ(com_port_number, 3);
}

// A list control that reports a selection the list does not have (it cannot be trusted to be
// in range): OK must not read past the items that were added.
class StraySelectionControls : public RecordingControls {
 public:
  explicit StraySelectionControls(int selection) : stray_(selection) {}
  int combo_selection(int) override { return stray_; }

 private:
  int stray_;
};

TEST_F(ComPortSetupTest, OkRefusesASelectionOutsideTheList) {
  for (int stray : {2, 3, 31, 32, 1000, -2}) {
    SCOPED_TRACE(stray);
    SetUp();
    StraySelectionControls controls(stray);
    com_port_number = 3;
    FakePorts ports = ports_present({1, 3});
    com_port_setup_init(controls, ports.probe());
    EXPECT_EQ(com_port_setup_ok(controls, count_save), ComPortOkResult::none_selected);
    EXPECT_EQ(com_port_number, 3);
    EXPECT_EQ(save_calls, 0);
  }
}

}  // namespace
