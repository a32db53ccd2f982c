#include "firmware/uploader_dialog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "firmware/firmware_image.h"
#include "firmware/upload_status.h"
#include "link/keyer_operations.h"
#include "link/link.h"
#include "platform/recording_controls.h"
#include "resources/control_ids.h"
#include "tests/firmware/firmware_test_support.h"
#include "tests/firmware/upload_test_support.h"
#include "tests/support/scripted_file_chooser.h"

namespace {

const std::string END = ":00000001FF";

// A programming file of one record that carries the version 31.<minor> in program word 3.
std::string versioned_file(uint8_t minor) {
  return data_record(0, {0x05, 0x28, 0xFF, 0x3F, 0xFF, 0x3F, 0x1F, minor}) + "\n" + END + "\n";
}

// Runs the whole upload inside the Program command, so that the next tick reports it.
bool worker_runs_here() {
  upload_worker();
  return true;
}
// Leaves the upload running until a test sets upload_status itself.
bool worker_never_ends() {
  return true;
}
bool worker_cannot_start() {
  return false;
}

class UploaderDialogTest : public testing::Test {
 protected:
  void SetUp() override {
    reset_upload_globals();
    uploader_state = UploaderState{};
    uploader_state.start_worker = &worker_runs_here;
    sim.keyer.config.ic_type = IC_MINI;  // takes SMT and DIP images alike
    uploader_open(dialog);
  }
  void TearDown() override {
    link_close();
    set_pause_function(nullptr);
  }

  void load(const std::optional<std::string>& path) {
    chooser.answers.push_back(path);
    uploader_load(dialog, chooser);
  }
  const std::string& status() { return dialog.text(IDC_UPLOADER_STATUS); }
  bool enabled(int id) { return dialog.control(id).enabled; }

  SimulatedKeyerLink sim;
  RecordingControls dialog;
  ScriptedFileChooser chooser;
  TempFile good{versioned_file(5)};
  TempFile second_good{versioned_file(6)};
  TempFile end_only{END + "\n"};
  TempFile empty_record{":0000000000\n" + END + "\n"};
  TempFile broken{data_record(0x10, {1, 2}) + "\nnot a record\n" + END + "\n"};
  // Program memory that the upload never sends, and nothing else: a bootloader's own part.
  TempFile never_sent{data_record(0x3BC0, {1, 2, 3, 4}) + "\n" + END + "\n"};
};

TEST_F(UploaderDialogTest, OpensWithNothingLoaded) {
  load(good.path());
  uploader_program(dialog);
  uploader_tick(dialog);
  const int load_result = uploader_state.load_result;

  RecordingControls reopened;
  uploader_open(reopened);
  EXPECT_TRUE(reopened.control(IDC_UPLOADER_LOAD).enabled);
  EXPECT_FALSE(reopened.control(IDC_UPLOADER_PROGRAM).enabled);
  EXPECT_TRUE(reopened.control(IDC_UPLOADER_EXIT).enabled);
  EXPECT_EQ(reopened.text(IDC_UPLOADER_STATUS), "");
  EXPECT_EQ(reopened.text(IDC_UPLOADER_PATH), "");
  EXPECT_EQ(reopened.control(IDC_UPLOADER_PROGRESS).progress, 0);
  EXPECT_FALSE(uploader_state.file_loaded);
  EXPECT_EQ(uploader_state.load_result, load_result);
  EXPECT_EQ(firmware_major(), 0xFF);  // the image is erased again
}

TEST_F(UploaderDialogTest, CancellingTheFileDialogChangesNothing) {
  load(good.path());
  const RecordingControls before = dialog;
  load(std::nullopt);
  EXPECT_EQ(dialog.text_log, before.text_log);
  EXPECT_EQ(dialog.enable_log, before.enable_log);
  EXPECT_EQ(chooser.requests.size(), 2u);
}

enum class Action {
  load_good,
  load_second,
  load_end_only,
  load_empty_record,
  load_broken,
  load_never_sent,
  program,
  tick,
  exit
};

struct Step {
  Action action;
  std::string status;
  bool load_enabled;
  bool program_enabled;
};

struct Scenario {
  const char* name;
  std::vector<Step> steps;
};

class UploaderStateTest : public UploaderDialogTest, public testing::WithParamInterface<Scenario> {
 protected:
  void act(Action action) {
    switch (action) {
      case Action::load_good:
        return load(good.path());
      case Action::load_second:
        return load(second_good.path());
      case Action::load_end_only:
        return load(end_only.path());
      case Action::load_empty_record:
        return load(empty_record.path());
      case Action::load_broken:
        return load(broken.path());
      case Action::load_never_sent:
        return load(never_sent.path());
      case Action::program:
        uploader_program(dialog);
        return;
      case Action::tick:
        uploader_tick(dialog);
        return;
      case Action::exit:
        uploader_exit(dialog);
        return;
    }
  }
};

TEST_P(UploaderStateTest, FollowsTheStateTable) {
  const std::vector<Step>& steps = GetParam().steps;
  for (size_t i = 0; i < steps.size(); ++i) {
    act(steps[i].action);
    EXPECT_EQ(status(), steps[i].status) << "step " << i;
    EXPECT_EQ(enabled(IDC_UPLOADER_LOAD), steps[i].load_enabled) << "step " << i;
    EXPECT_EQ(enabled(IDC_UPLOADER_PROGRAM), steps[i].program_enabled) << "step " << i;
    EXPECT_TRUE(enabled(IDC_UPLOADER_EXIT)) << "step " << i;
  }
}

const std::string LOADED_5 = "Ostrel Version: 31.05 Loaded, 1 Records";
const std::string LOADED_6 = "Ostrel Version: 31.06 Loaded, 1 Records";
const std::string PLEASE_OPEN = "Error: Please Open a Programming File !";
const std::string PROGRAMMING = "Programming OstrelUSB....";
const std::string DONE = "Upload Completed Successfully";

INSTANTIATE_TEST_SUITE_P(
    Scenarios, UploaderStateTest,
    testing::Values(
        Scenario{"program_without_file", {{Action::program, PLEASE_OPEN, true, false}}},
        Scenario{"upload_then_load_again",
                 {{Action::load_good, LOADED_5, true, true},
                  {Action::program, PROGRAMMING, false, false},
                  {Action::tick, DONE, true, false},
                  {Action::program, PLEASE_OPEN, true, false},
                  {Action::load_second, LOADED_6, true, true},
                  {Action::exit, LOADED_6, true, true}}},
        Scenario{"end_record_only",
                 {{Action::load_end_only, "File Error", true, false},
                  {Action::program, PLEASE_OPEN, true, false}}},
        // A file of no records leaves "Program OstrelUSB" as it was.
        Scenario{"end_record_only_after_a_good_file",
                 {{Action::load_good, LOADED_5, true, true},
                  {Action::load_end_only, "File Error", true, true},
                  {Action::program, "Error: Zero Length File !", true, true}}},
        Scenario{"empty_record_after_a_good_file",
                 {{Action::load_good, LOADED_5, true, true},
                  {Action::load_empty_record, "File Error", true, true},
                  {Action::program, "Error: Zero Length File !", true, true},
                  {Action::load_second, LOADED_6, true, true}}},
        Scenario{"empty_record_after_an_upload",
                 {{Action::load_good, LOADED_5, true, true},
                  {Action::program, PROGRAMMING, false, false},
                  {Action::tick, DONE, true, false},
                  {Action::load_empty_record, "File Error", true, false},
                  {Action::program, "Error: Zero Length File !", true, false}}},
        // Programming it would send an erased image in place of the firmware.
        Scenario{"data_only_where_the_upload_never_sends",
                 {{Action::load_never_sent, "Ostrel Version: 255.63 Loaded, 1 Records", true, true},
                  {Action::program, "Error: Zero Length File !", true, true}}},
        // The failed load reset the image: what is in it now is not the file shown before.
        Scenario{"broken_file_after_a_good_one",
                 {{Action::load_good, LOADED_5, true, true},
                  {Action::load_broken, "File Error", true, false},
                  {Action::program, "Error: Last Load Failed, Please Load the File Again !", true,
                   false},
                  {Action::load_second, LOADED_6, true, true},
                  {Action::program, PROGRAMMING, false, false}}}),
    [](const testing::TestParamInfo<Scenario>& info) { return std::string(info.param.name); });

TEST_F(UploaderDialogTest, ShowsTheLoadedFile) {
  load(good.path());
  EXPECT_EQ(dialog.text(IDC_UPLOADER_PATH), good.path());
  EXPECT_EQ(dialog.text_log[0], std::make_pair(IDC_UPLOADER_STATUS, std::string("")));
  // "Opening File" comes first, then the outcome.
  const auto opening = std::find(dialog.text_log.begin(), dialog.text_log.end(),
                                 std::make_pair(IDC_UPLOADER_STATUS, std::string("Opening File")));
  EXPECT_NE(opening, dialog.text_log.end());
}

TEST_F(UploaderDialogTest, ListsWhatWillNotBeProgrammed) {
  TempFile unsent(data_record(0, {0x05, 0x28, 0xFF, 0x3F, 0xFF, 0x3F, 0x1F, 5}) + "\n" +
                  data_record(0x3BC0, {1, 2, 3, 4}) + "\n" + data_record(0x400E, {0xC4, 0x31}) +
                  "\n" + END + "\n");
  TempFile outside_only(data_record(0x400E, {0xC4, 0x31}) + "\n" + END + "\n");
  const std::string never_sent =
      "0x3BC0-0x3BC3 not programmed: the upload never sends this part of program memory";
  const std::string outside =
      "0x400E-0x400F not programmed: outside program memory (0x0000-0x3FFF)";
  const std::vector<std::tuple<const TempFile*, std::string, std::string>> loads = {
      {&unsent, "Ostrel Version: 31.05 Loaded, 2 Records", never_sent + "\r\n" + outside},
      {&good, LOADED_5, ""},
      {&outside_only, "File Error", outside},
      {&broken, "File Error", ""},  // nothing of it is programmed at all
  };
  for (const auto& [file, want_status, want_list] : loads) {
    load(file->path());
    EXPECT_EQ(status(), want_status) << file->path();
    EXPECT_EQ(dialog.text(IDC_UPLOADER_LOG), want_list) << file->path();
  }
}

TEST_F(UploaderDialogTest, WhileUploadingNothingCanInterfere) {
  uploader_state.start_worker = &worker_never_ends;
  load(good.path());
  ASSERT_TRUE(uploader_program(dialog));

  EXPECT_FALSE(uploader_tick(dialog));
  EXPECT_FALSE(uploader_exit(dialog));
  EXPECT_EQ(status(), "Programming OstrelUSB.... Please Wait, Then Exit");
  load(second_good.path());  // Escape reaches the Load command even with its button disabled
  EXPECT_EQ(chooser.answers.size(), 1u);  // the file dialog was not even shown
  EXPECT_EQ(firmware_minor(), 5);
  EXPECT_FALSE(uploader_program(dialog));

  upload_progress = 37;
  EXPECT_FALSE(uploader_tick(dialog));
  EXPECT_EQ(dialog.control(IDC_UPLOADER_PROGRESS).progress, 37);
  upload_status = UPLOAD_ERR_CHECKSUM;
  EXPECT_TRUE(uploader_tick(dialog));
  EXPECT_EQ(status(), "Error: Checksum !");
  EXPECT_EQ(upload_status.load(), 0);
  EXPECT_TRUE(uploader_exit(dialog));
}

TEST_F(UploaderDialogTest, AWorkerThatCannotStartIsReported) {
  uploader_state.start_worker = &worker_cannot_start;
  load(good.path());
  EXPECT_FALSE(uploader_program(dialog));
  EXPECT_EQ(status(), "Error: Could Not Start the Upload !");
  EXPECT_TRUE(enabled(IDC_UPLOADER_LOAD));
  EXPECT_TRUE(enabled(IDC_UPLOADER_PROGRAM));
  EXPECT_TRUE(uploader_exit(dialog));
}

struct VariantCase {
  uint8_t ic_type;
  uint8_t minor;
  std::string status;  // after Program
};

class UploaderVariantTest : public UploaderDialogTest,
                            public testing::WithParamInterface<VariantCase> {};

TEST_P(UploaderVariantTest, ImageMustSuitTheIc) {
  const VariantCase& c = GetParam();
  sim.keyer = KeyerSim({.fw_major = 31, .fw_minor = 4, .ic_type = c.ic_type});
  TempFile file(versioned_file(c.minor));
  load(file.path());
  dialog.set_progress(IDC_UPLOADER_PROGRESS, 40);
  const bool started = uploader_program(dialog);
  EXPECT_EQ(status(), c.status);
  EXPECT_EQ(started, c.status == PROGRAMMING);
  EXPECT_EQ(keyer_values.ic_variant, c.ic_type);
  if (!started) {
    EXPECT_EQ(dialog.control(IDC_UPLOADER_PROGRESS).progress, 0);
    EXPECT_TRUE(enabled(IDC_UPLOADER_PROGRAM));
    EXPECT_TRUE(sim.keyer.frames.empty());
  }
}

const std::string SMT_WITH_DIP = "Error: Attempting to program an SMT Ostrel with an DIP image !";
const std::string DIP_WITH_SMT = "Error: Attempting to program a DIP Ostrel with an SMT image !";

INSTANTIATE_TEST_SUITE_P(
    Variants, UploaderVariantTest,
    testing::Values(VariantCase{IC_SMT, 48, SMT_WITH_DIP}, VariantCase{IC_SMT, 47, PROGRAMMING},
                    VariantCase{IC_DIP, 47, DIP_WITH_SMT}, VariantCase{IC_DIP, 48, PROGRAMMING},
                    VariantCase{IC_MINI, 47, PROGRAMMING}, VariantCase{IC_MINI, 48, PROGRAMMING}));

TEST_F(UploaderDialogTest, KeyerWithOnlyItsBootloaderIsUploadedTo) {
  sim.keyer = KeyerSim({.no_firmware = true});
  load(good.path());
  ASSERT_TRUE(uploader_program(dialog));
  EXPECT_TRUE(uploader_tick(dialog));
  EXPECT_EQ(status(), DONE);
  EXPECT_EQ(sim.keyer.frames.size(), 964u);
}

// A reply that the Program's own interface test gave up on may still come and would be read as
// the sync probe's answer, and so would the image that another program's Read gave up on (this
// one knows nothing of it: its test's answers come out of step): nothing is sent to a keyer that
// is not answering in time.
TEST_F(UploaderDialogTest, KeyerAnsweringTheTestLateIsNotUploadedTo) {
  for (uint8_t late_sub : {0x04, 0x18, 0x0C}) {
    SCOPED_TRACE(late_sub);
    sim.keyer = KeyerSim();
    sim.keyer.faults.late_sub_command = late_sub;
    sim.keyer.faults.late_reply_ms = 4010;
    if (late_sub == 0x0C) {
      sim.late_bytes_outlive_port = true;
      sim.keyer.image[0] = 0x55;  // the echo's answer
      KeyerProgress quietly;
      SettingsImage image{};
      EXPECT_FALSE(keyer_read(image, quietly).ok());
      link_state = LinkState{};
    }
    load(good.path());
    EXPECT_FALSE(uploader_program(dialog));
    EXPECT_EQ(status(), "Error: OstrelUSB Timeout !");
    EXPECT_EQ(sim.keyer.mode(), KeyerSim::Mode::firmware);  // never sent to its bootloader
    EXPECT_TRUE(enabled(IDC_UPLOADER_PROGRAM));
  }
}

TEST_F(UploaderDialogTest, UploadsOnItsOwnThread) {
  uploader_state.start_worker = nullptr;  // the real detached thread
  load(good.path());
  ASSERT_TRUE(uploader_program(dialog));
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!uploader_tick(dialog) && std::chrono::steady_clock::now() < give_up)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(status(), DONE);
  // A screen reader is told of the upload as it starts and as it ends.
  EXPECT_EQ(dialog.spoken.end()[-2].second, "Programming OstrelUSB....");
  EXPECT_EQ(dialog.spoken.back(), std::make_pair(IDC_UPLOADER_STATUS, std::string(DONE)));
  EXPECT_EQ(dialog.control(IDC_UPLOADER_PROGRESS).progress, 99);
  EXPECT_TRUE(enabled(IDC_UPLOADER_LOAD));
  EXPECT_FALSE(enabled(IDC_UPLOADER_PROGRAM));
  // Word 0 of the file reached the keyer's flash.
  EXPECT_EQ(sim.keyer.flash[0], 0x05);
  EXPECT_EQ(sim.keyer.flash[1], 0x28);
  EXPECT_EQ(sim.keyer.flash[7], 5);
}

}  // namespace
