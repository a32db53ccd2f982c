#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <functional>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "cli/exit_status.h"
#include "cli/firmware_upload.h"
#include "cli/image_file.h"
#include "cli/keyer_commands.h"
#include "cli/settings_view.h"
#include "link/link.h"
#include "platform/pause.h"
#include "sim/in_process_port.h"
#include "tests/support/partial_message_cases.h"

namespace fs = std::filesystem;

namespace {

// The pauses asked for, added up; none of them sleeps.
int paused_ms = 0;
void no_pause(int ms) {
  paused_ms += ms;
}

// A keyer in this process, a folder for the files, and no real pauses.
class CliKeyerCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    paused_ms = 0;
    set_pause_function(no_pause);
    folder_ = fs::temp_directory_path() /
              ("ostrel-keyer-" +
               std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    for (int i = 0; i < SETTINGS_IMAGE_SIZE; ++i) image_[i] = static_cast<uint8_t>(i * 7 + 3);
  }
  void TearDown() override {
    link_close();
    set_pause_function(nullptr);
    fs::remove_all(folder_);
  }
  std::string path(const char* name) { return (folder_ / name).string(); }

  fs::path folder_;
  SettingsImage image_{};
  std::ostringstream out_, err_;
};

TEST_F(CliKeyerCommand, ReadSavesOnlyAWholeImage) {
  struct Case {
    const char* name;
    void (*spoil)(KeyerSim&);
    int want_status;
    const char* want_error;
  } cases[] = {
      {"answers", [](KeyerSim&) {}, EXIT_OK, ""},
      {"silent", [](KeyerSim& k) { k.faults.silent = true; }, EXIT_KEYER,
       "Ostrel Fail:no response"},
      {"bootloader only", [](KeyerSim& k) { k.faults.echo_reply = 0xAA; }, EXIT_KEYER,
       "Ostrel Fail:No O/S"},
      {"old firmware", [](KeyerSim& k) { k.config.fw_major = 29; }, EXIT_KEYER,
       "Only Ostrel3 only"},
      {"answers out of step", [](KeyerSim& k) { k.config.ic_type = 0x55; }, EXIT_KEYER,
       "came out of step"},
      {"image cut short", [](KeyerSim& k) { k.faults.short_reply = 100; }, EXIT_KEYER,
       "did not send its whole settings image"},
      {"image not sent", [](KeyerSim& k) { k.faults.unanswered_sub_commands = {0x0C}; }, EXIT_KEYER,
       "did not send its whole settings image"},
  };
  for (const Case& c : cases) {
    SimulatedKeyerLink sim;
    sim.keyer.image = image_;
    c.spoil(sim.keyer);
    const std::string file = path("read.eep");
    fs::remove(file);
    std::ostringstream out, err;
    EXPECT_EQ(read_keyer(file, out, err), c.want_status) << c.name;
    EXPECT_NE(err.str().find(c.want_error), std::string::npos) << c.name << ": " << err.str();
    if (c.want_status == EXIT_OK) {
      SettingsImage saved{};
      ASSERT_EQ(load_image_file(file, saved, err), EXIT_OK);
      EXPECT_EQ(saved, image_);
    } else {
      EXPECT_FALSE(fs::exists(file)) << c.name;
    }
    link_close();
  }
}

// Messages that do not read back whole are saved as the keyer holds them; `read`, and `show` of
// the file, name each slot that shows only part of its text, as the window does.
TEST_F(CliKeyerCommand, ReadAndShowWarnOfPartialMessages) {
  for (const PartialMessageCase& c : PARTIAL_MESSAGE_CASES) {
    std::string warnings;
    std::istringstream lines(c.explanation);
    for (std::string line; std::getline(lines, line);) warnings += "warning: " + line + "\n";
    SimulatedKeyerLink sim;
    sim.keyer.image = partial_message_image(c);
    const std::string file = path("read.eep");
    std::ostringstream out, err, shown, show_err;

    EXPECT_EQ(read_keyer(file, out, err), EXIT_OK) << c.name;
    EXPECT_EQ(err.str(), warnings) << c.name;
    SettingsImage saved{};
    ASSERT_EQ(load_image_file(file, saved, err), EXIT_OK);
    EXPECT_EQ(saved, sim.keyer.image) << c.name;
    EXPECT_EQ(show_settings(file, false, shown, show_err), EXIT_OK) << c.name;
    EXPECT_EQ(show_err.str(), warnings) << c.name;
    link_close();
  }
}

TEST_F(CliKeyerCommand, ReadLeavesAnOldFileWhenTheKeyerFails) {
  const std::string file = path("kept.eep");
  ASSERT_EQ(save_image_file(file, image_, err_), EXIT_OK);
  SimulatedKeyerLink sim;
  sim.keyer.faults.short_reply = 10;
  EXPECT_EQ(read_keyer(file, out_, err_), EXIT_KEYER);
  SettingsImage kept{};
  ASSERT_EQ(load_image_file(file, kept, err_), EXIT_OK);
  EXPECT_EQ(kept, image_);
}

TEST_F(CliKeyerCommand, WriteStoresTheFileInTheKeyer) {
  const std::string file = path("write.eep");
  ASSERT_EQ(save_image_file(file, image_, err_), EXIT_OK);
  SimulatedKeyerLink sim;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(write_keyer(file, true, true, out_, err_), EXIT_OK) << err_.str();
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(sim.keyer.image, image_);
  EXPECT_EQ(sim.keyer.image_writes, 1);
  // The verify reads back only after the image's time on the line and the keyer's 500 ms.
  EXPECT_GE(paused_ms + std::chrono::duration<double>(took).count() * 1000, 100 + 2400 + 500);
}

// The simulated keyer's port, with one byte of every image it sends changed on the way.
class SpoilingPort : public InProcessPort {
 public:
  using InProcessPort::InProcessPort;
  bool read(uint8_t* data, size_t count, int wait_ms) override {
    const bool ok = InProcessPort::read(data, count, wait_ms);
    if (ok && count == SETTINGS_IMAGE_SIZE) data[100] ^= 0x01;
    return ok;
  }
};

TEST_F(CliKeyerCommand, VerifyNamesTheFirstDifference) {
  const std::string file = path("verify.eep");
  ASSERT_EQ(save_image_file(file, image_, err_), EXIT_OK);
  SimulatedKeyerLink sim;
  set_serial_port_factory([&sim]() -> std::unique_ptr<SerialPort> {
    return std::make_unique<SpoilingPort>(sim.keyer, sim.port_faults);
  });
  EXPECT_EQ(write_keyer(file, true, true, out_, err_), EXIT_KEYER);
  EXPECT_NE(err_.str().find("offset 100: wrote 0xBF, the keyer holds 0xBE"), std::string::npos)
      << err_.str();
}

TEST_F(CliKeyerCommand, WriteRefusesAKeyerThatDoesNotAnswer) {
  const std::string file = path("write.eep");
  ASSERT_EQ(save_image_file(file, image_, err_), EXIT_OK);
  SimulatedKeyerLink sim;
  sim.keyer.faults.silent = true;
  EXPECT_EQ(write_keyer(file, false, true, out_, err_), EXIT_KEYER);
  EXPECT_EQ(sim.keyer.image_writes, 0);
}

TEST_F(CliKeyerCommand, TestShowsWhatTheWindowShows) {
  struct Case {
    uint8_t ic_type, supply;
    std::string want;
  } cases[] = {
      {2, 52,
       "Ostrel F/W revision 31.04\nOstrel IC:DIP\nPotValue: 128\nAux: 0\nSupply: 5.04 Volts\n"},
      {1, 255,
       "Ostrel F/W revision 31.04\nOstrel IC:SMT\nPotValue: 128\nAux: 0\nSupply: 1.03 Volts\n"},
      {3, 0, "Ostrel F/W revision 31.04\nOstrel IC:MINI\nPotValue: 128\nSupply: no reading\n"},
  };
  for (const Case& c : cases) {
    KeyerSimConfig config;
    config.ic_type = c.ic_type;
    config.supply_reading = c.supply;
    SimulatedKeyerLink sim(config);
    std::ostringstream out, err;
    EXPECT_EQ(test_keyer(false, out, err), EXIT_OK) << err.str();
    EXPECT_EQ(out.str(), c.want);
    link_close();
  }
}

TEST(CliProgressBarText, ClampedAndAligned) {
  EXPECT_EQ(progress_bar_text(0), "[........................................]   0%");
  EXPECT_EQ(progress_bar_text(52), "[####################....................]  52%");
  EXPECT_EQ(progress_bar_text(100), "[########################################] 100%");
  EXPECT_EQ(progress_bar_text(-3), progress_bar_text(0));
  EXPECT_EQ(progress_bar_text(250), progress_bar_text(100));
}

TEST(CliLoadFailureText, NamesTheLineWhereThereIsOne) {
  EXPECT_EQ(load_failure_text(-4, 7).rfind("line 7: not a valid record", 0), 0u);
  EXPECT_EQ(load_failure_text(-5, 3).rfind("line 3: a record type", 0), 0u);
  EXPECT_EQ(load_failure_text(-3, 12).find("line"), std::string::npos);
  EXPECT_NE(load_failure_text(0, 1).find("no data records"), std::string::npos);
}

// Every way an upload can end: the exit status and the first line of the error output, which
// names what failed (the uploader's own text where it has one).
TEST_F(CliKeyerCommand, UploadOutcomes) {
  // Version 31.48 in program word 3: an image for the DIP keyer that the simulator is.
  const std::string hex = path("firmware.hex");
  std::ofstream(hex) << ":080000000000000000001F30A9\n:00000001FF\n";
  // Data only where the upload never sends it (block 956).
  const std::string unsent = path("unsent.hex");
  std::ofstream(unsent) << ":043BC00001020304F7\n:00000001FF\n";
  const auto refuse = [](uint8_t code) {
    return [code](SimulatedKeyerLink& s) {
      s.keyer.faults.refuse_frame = 3;
      s.keyer.faults.refuse_code = code;
    };
  };
  struct Case {
    const char* name;
    std::function<void(SimulatedKeyerLink&)> arrange;
    int want_status;
    std::string want_first_error;  // "" for none
    const std::string* file;
  } cases[] = {
      {"completed", [](SimulatedKeyerLink&) {}, EXIT_OK, "", &hex},
      {"no firmware, only the bootloader",
       [](SimulatedKeyerLink& s) { s.keyer.config.no_firmware = true, s.keyer.power_cycle(); },
       EXIT_OK, "", &hex},
      {"SOF", refuse(0x80), EXIT_KEYER, "ostrel: Error: SOF Error !", &hex},
      {"checksum", refuse(0x81), EXIT_KEYER, "ostrel: Error: Checksum !", &hex},
      {"flash verify", refuse(0x82), EXIT_KEYER, "ostrel: Error: Flash Verify !", &hex},
      {"timeout reply", refuse(0x84), EXIT_KEYER, "ostrel: Error: OstrelUSB Timeout !", &hex},
      {"sync", refuse(0x89), EXIT_KEYER, "ostrel: Error: OstrelUSB Sync !", &hex},
      {"reply 0", refuse(0x00), EXIT_KEYER,
       "ostrel: Error: OstrelUSB Refused a Block (reply 0) !", &hex},
      {"reply of success", refuse(0x88), EXIT_KEYER, "ostrel: Error: Restart failed !", &hex},
      {"other reply", refuse(0x42), EXIT_KEYER, "ostrel: Error: Restart failed !", &hex},
      {"sync probe answered by the firmware",
       [](SimulatedKeyerLink& s) { s.keyer.faults.sync_reply = 0x55; }, EXIT_KEYER,
       "ostrel: Error: Restart failed !", &hex},
      {"rate switch refused by the port",
       [](SimulatedKeyerLink& s) { s.port_faults.fail_set_baud_rate = true; }, EXIT_KEYER,
       "ostrel: Error: Restart failed !", &hex},
      {"silent keyer", [](SimulatedKeyerLink& s) { s.keyer.faults.silent = true; }, EXIT_KEYER,
       "ostrel: Error: OstrelUSB Timeout !", &hex},
      {"SMT keyer, DIP image", [](SimulatedKeyerLink& s) { s.keyer.config.ic_type = 1; },
       EXIT_KEYER, "ostrel: Error: Attempting to program an SMT Ostrel with an DIP image !", &hex},
      {"nothing the upload sends", [](SimulatedKeyerLink&) {}, EXIT_FILE,
       "ostrel: Error: Zero Length File !", &unsent},
      {"port that does not open",
       [](SimulatedKeyerLink& s) {
         s.port_faults.fail_open = true;
         s.port_faults.system_error = ENOENT;
       },
       EXIT_KEYER, "ostrel: cannot open ", &hex},
  };
  for (const Case& c : cases) {
    SimulatedKeyerLink sim;
    c.arrange(sim);
    std::ostringstream out, err;
    EXPECT_EQ(upload_firmware(*c.file, UploadDisplay::lines, out, err), c.want_status) << c.name;
    std::string first_error = err.str().substr(0, err.str().find('\n'));
    // The list of what is not programmed comes first, as warnings.
    while (first_error.rfind("warning: ", 0) == 0) {
      const std::string rest = err.str().substr(err.str().find(first_error) + first_error.size() + 1);
      first_error = rest.substr(0, rest.find('\n'));
    }
    EXPECT_EQ(first_error.substr(0, c.want_first_error.size()), c.want_first_error)
        << c.name << ": " << err.str();
    EXPECT_EQ(sim.keyer.restarts, c.want_status == EXIT_OK ? 1 : 0) << c.name;
    if (c.want_status == EXIT_OK) {
      EXPECT_NE(out.str().find("\n99%\nUpload Completed Successfully\n"), std::string::npos)
          << out.str();
      EXPECT_NE(out.str().find("Keyer now runs firmware 31.04"), std::string::npos) << out.str();
    }
    link_close();
  }
}

}  // namespace
