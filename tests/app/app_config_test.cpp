#include "app/app_config.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/app_error_box.h"
#include "app/com_port_setup.h"
#include "link/link.h"
#include "platform/recording_controls.h"
#include "resources/control_ids.h"
#include "tests/support/temporary_folder.h"

namespace {

std::vector<std::string> shown_boxes;
void record_box(const std::string& text) {
  shown_boxes.push_back(text);
}

// Each test starts as the program does: port 0, no box shown, the file beside a fresh folder.
class AppConfigTest : public testing::Test {
 protected:
  void SetUp() override {
    shown_boxes.clear();
    saved_box_ = app_error_box;
    app_error_box = record_box;
    app_state = AppState{};
    app_state.cfg_path = folder.path("Ostrel3tools.cfg");
    com_port_number = 0;
  }
  void TearDown() override { app_error_box = saved_box_; }

  TemporaryFolder folder;

 private:
  AppErrorBox saved_box_ = nullptr;
};

using Bytes = std::vector<uint8_t>;

struct LoadCase {
  const char* what;
  Bytes file;
  int32_t port;
};

TEST_F(AppConfigTest, LoadTakesTheLowOrderBytesThatTheFileHas) {
  const LoadCase cases[] = {
      {"four bytes", {0x03, 0x00, 0x00, 0x00}, 3},
      {"eight bytes, the rest ignored", {0x07, 0x00, 0x00, 0x00, 0xAA, 0xBB, 0xCC, 0xDD}, 7},
      {"one byte", {0x0C}, 12},
      {"two bytes", {0x34, 0x12}, 0x1234},
      {"empty", {}, 0},
      {"little-endian", {0x01, 0x02, 0x03, 0x04}, 0x04030201},
      {"negative, taken unchanged", {0xFF, 0xFF, 0xFF, 0xFF}, -1},
  };
  for (const LoadCase& c : cases) {
    SCOPED_TRACE(c.what);
    write_file_bytes(app_state.cfg_path, c.file);
    com_port_number = 99;  // a load must not keep bytes of an earlier value
    EXPECT_EQ(load_app_config(), 1);
    EXPECT_EQ(com_port_number, c.port);
    EXPECT_EQ(read_file_bytes(app_state.cfg_path), c.file) << "a load does not rewrite the file";
  }
  EXPECT_TRUE(shown_boxes.empty());
}

TEST_F(AppConfigTest, FirstRunCreatesTheFileWithPortOne) {
  EXPECT_EQ(load_app_config(), 1);
  EXPECT_EQ(com_port_number, 1);
  EXPECT_EQ(read_file_bytes(app_state.cfg_path), (Bytes{0x01, 0x00, 0x00, 0x00}));
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"Ostrel3tools.cfg"});
  EXPECT_TRUE(shown_boxes.empty());
}

TEST_F(AppConfigTest, SaveWritesFourBytesReplacingALongerFile) {
  write_file_bytes(app_state.cfg_path, {0x07, 0, 0, 0, 0xAA, 0xBB, 0xCC, 0xDD});
  ASSERT_EQ(load_app_config(), 1);
  com_port_number = 12;
  EXPECT_EQ(save_app_config(), 1);
  EXPECT_EQ(read_file_bytes(app_state.cfg_path), (Bytes{0x0C, 0x00, 0x00, 0x00}));
  // Nothing is left beside it (no temporary file).
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"Ostrel3tools.cfg"});
  EXPECT_TRUE(shown_boxes.empty());
}

TEST_F(AppConfigTest, ReadFailureSaysSoAndLeavesPortZero) {
  // A folder by the file's name opens but cannot be read.
  std::filesystem::create_directory(app_state.cfg_path);
  com_port_number = 5;
  EXPECT_EQ(load_app_config(), 0);
  EXPECT_EQ(com_port_number, 0);
  EXPECT_EQ(shown_boxes, std::vector<std::string>{"Read file failed."});
}

// The exe in a folder the user cannot write: start-up goes on quietly on COM1 (nothing the user
// chose is lost), but a port picked in Comm Port Setup that cannot be kept is said.
TEST_F(AppConfigTest, AFileThatCannotBeCreatedIsSaidOnlyWhenTheUserPickedAPort) {
  const struct {
    const char* what;
    std::string cfg_path;
  } cases[] = {
      {"no such folder", folder.path("no such folder/Ostrel3tools.cfg")},
      {"no path", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    shown_boxes.clear();
    app_state.cfg_path = c.cfg_path;
    com_port_number = 0;
    EXPECT_EQ(load_app_config(), 1);
    EXPECT_EQ(com_port_number, 1);
    EXPECT_TRUE(shown_boxes.empty()) << "start-up";

    RecordingControls dialog;
    com_port_setup_init(dialog, [](const std::string& name) { return name == "COM4" ? 0 : 2; });
    dialog.combo_select(IDC_COM_PORT_LIST, 0);
    EXPECT_EQ(com_port_setup_ok(dialog, save_app_config), ComPortOkResult::saved);
    EXPECT_EQ(shown_boxes, std::vector<std::string>{"CFG File SAve Failed."});
    EXPECT_EQ(com_port_number, 4) << "the new port stays in memory";
    EXPECT_TRUE(folder.entries().empty());
    EXPECT_FALSE(std::filesystem::exists(".cfg"));
  }
}

TEST_F(AppConfigTest, AFailedWriteKeepsTheOldFile) {
  write_file_bytes(app_state.cfg_path, {0x03, 0x00, 0x00, 0x00});
  com_port_number = 9;
  {
    FileSizeLimit full_disk(2);
    EXPECT_EQ(save_app_config(), 0);
  }
  EXPECT_EQ(shown_boxes, std::vector<std::string>{"CFG File SAve Failed."});
  EXPECT_EQ(read_file_bytes(app_state.cfg_path), (Bytes{0x03, 0x00, 0x00, 0x00}));
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"Ostrel3tools.cfg"});

  // A first-run file that is created but cannot be written is said at start-up too.
  shown_boxes.clear();
  app_state.cfg_path = folder.path("first.cfg");
  {
    FileSizeLimit full_disk(2);
    EXPECT_EQ(load_app_config(), 1);
  }
  EXPECT_EQ(com_port_number, 1);
  EXPECT_EQ(shown_boxes, std::vector<std::string>{"CFG File SAve Failed."});
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"Ostrel3tools.cfg"});
}

}  // namespace
