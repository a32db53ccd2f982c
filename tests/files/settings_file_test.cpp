#include "files/settings_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/recording_controls.h"
#include "resources/control_ids.h"
#include "settings/settings_image.h"
#include "tests/support/scripted_file_chooser.h"
#include "tests/support/temporary_folder.h"

namespace {

// An image whose every byte tells its offset apart from a file's bytes.
SettingsImage patterned_image() {
  SettingsImage image{};
  for (int i = 0; i < SETTINGS_IMAGE_SIZE; ++i) image[i] = static_cast<uint8_t>(0xA0 ^ i);
  return image;
}

std::vector<uint8_t> file_of(size_t size) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + 3);
  return bytes;
}

class SettingsFileTest : public ::testing::Test {
 protected:
  void SetUp() override { settings_image = patterned_image(); }
  void TearDown() override { settings_image = SettingsImage{}; }

  RecordingControls window;
  ScriptedFileChooser chooser;
  TemporaryFolder folder;
};

TEST_F(SettingsFileTest, BothDialogsAskForSettingsFiles) {
  chooser.cancel();
  chooser.cancel();
  load_settings_file(window, chooser);
  save_settings_file(window, chooser);

  ASSERT_EQ(chooser.requests.size(), 2u);
  for (int i = 0; i < 2; ++i) {
    const FileRequest& request = chooser.requests[i];
    EXPECT_EQ(request.save, i == 1);
    const std::vector<std::pair<std::string, std::string>> filters = {
        {"Settings Files (*.eep)", "*.eep"}, {"All Documents (*.*)", "*.*"}};
    EXPECT_EQ(request.filters, filters);
    EXPECT_EQ(request.filter_index, 1);
    EXPECT_EQ(request.default_extension, "eep");
    EXPECT_EQ(request.capacity, 256u);
    EXPECT_EQ(request.initial_name, "");
    EXPECT_FALSE(request.must_exist);
  }
}

TEST_F(SettingsFileTest, CancelChangesNothing) {
  window.set_text(IDC_FILE_NAME, "File Name: before.eep");
  chooser.cancel();
  chooser.cancel();
  load_settings_file(window, chooser);
  save_settings_file(window, chooser);

  EXPECT_EQ(settings_image, patterned_image());
  EXPECT_EQ(window.text(IDC_FILE_NAME), "File Name: before.eep");
  EXPECT_TRUE(window.error_boxes.empty());
  EXPECT_TRUE(folder.entries().empty());
}

// Files of every length load as far as they go, and one that is not a whole image says what that
// did to the settings.
struct LoadCase {
  const char* name;
  size_t file_size;
  const char* box;  // "" for none
};

class LoadLength : public SettingsFileTest, public ::testing::WithParamInterface<LoadCase> {};

TEST_P(LoadLength, ReplacesOnlyTheBytesTheFileHoldsAndSaysSo) {
  const std::vector<uint8_t> contents = file_of(GetParam().file_size);
  const std::string path = folder.path("keyer.eep");
  write_file_bytes(path, contents);
  chooser.answer(path);

  EXPECT_TRUE(load_settings_file(window, chooser));

  SettingsImage expected = patterned_image();
  for (size_t i = 0; i < contents.size() && i < expected.size(); ++i) expected[i] = contents[i];
  EXPECT_EQ(settings_image, expected);
  const std::string box = GetParam().box;
  EXPECT_EQ(window.error_boxes, box.empty() ? std::vector<std::string>{} : std::vector{box});
  EXPECT_EQ(window.text(IDC_FILE_NAME), "File Name: keyer.eep");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LoadLength,
    ::testing::Values(
        LoadCase{"Empty", 0,
                 "The file holds 0 bytes, not the 288 of a settings file: nothing was loaded, and "
                 "the settings were kept from before."},
        LoadCase{"OneByte", 1,
                 "The file holds 1 byte, not the 288 of a settings file: it was loaded into the "
                 "start of the settings, and the rest of the settings were kept from before."},
        LoadCase{"Short", 100,
                 "The file holds 100 bytes, not the 288 of a settings file: it was loaded into the "
                 "start of the settings, and the rest of the settings were kept from before."},
        LoadCase{"OneShort", 287,
                 "The file holds 287 bytes, not the 288 of a settings file: it was loaded into the "
                 "start of the settings, and the rest of the settings were kept from before."},
        LoadCase{"Exact", 288, ""},
        LoadCase{"OneOver", 289,
                 "The file holds 289 bytes, not the 288 of a settings file: only its first 288 "
                 "were used."},
        LoadCase{"Long", 1000,
                 "The file holds 1000 bytes, not the 288 of a settings file: only its first 288 "
                 "were used."}),
    [](const auto& info) { return std::string(info.param.name); });

struct LoadFailureCase {
  const char* name;
  bool folder_at_path;
  const char* expected_box;
};

class LoadFailure : public SettingsFileTest,
                    public ::testing::WithParamInterface<LoadFailureCase> {};

TEST_P(LoadFailure, NamesTheFileTellsWhyAndKeepsTheImage) {
  const LoadFailureCase& c = GetParam();
  const std::string path = folder.path("gone.eep");
  if (c.folder_at_path) std::filesystem::create_directory(path);
  chooser.answer(path);

  load_settings_file(window, chooser);

  EXPECT_EQ(window.text(IDC_FILE_NAME), "File Name: gone.eep");
  EXPECT_EQ(window.error_boxes, std::vector<std::string>{c.expected_box});
  EXPECT_EQ(settings_image, patterned_image());
}

INSTANTIATE_TEST_SUITE_P(Cases, LoadFailure,
                         ::testing::Values(
                             LoadFailureCase{"Missing", false, "File Not Found"},
#ifdef _WIN32
                             // Windows will not open a folder as a file at all.
                             LoadFailureCase { "Folder", true, "File Not Found" }
#else
                      // POSIX opens a folder, and reading it fails.
                      LoadFailureCase{"Folder", true, "Read Settings file failed."}
#endif
                             ),
                         [](const auto& info) { return std::string(info.param.name); });

struct LabelCase {
  const char* path;
  const char* name;
};

class FileNameLabel : public ::testing::TestWithParam<LabelCase> {};

TEST_P(FileNameLabel, IsThePartAfterTheLastSeparator) {
  EXPECT_EQ(file_name_of(GetParam().path), GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(Cases, FileNameLabel,
                         ::testing::Values(LabelCase{"C:\\Users\\op\\keyer.eep", "keyer.eep"},
                                           LabelCase{"/home/op/keyer.eep", "keyer.eep"},
                                           LabelCase{"C:\\mixed/dir\\a b.eep", "a b.eep"},
                                           LabelCase{"/home/op\\odd.eep", "odd.eep"},
                                           LabelCase{"plain.eep", "plain.eep"},
                                           LabelCase{"C:\\folder\\", ""}, LabelCase{"", ""}));

TEST_F(SettingsFileTest, SaveWritesTheWholeImageAndShowsTheBareName) {
  const std::string path = folder.path("saved.eep");
  write_file_bytes(path, std::vector<uint8_t>(1000, 0x55));  // replaced without a question
  chooser.answer(path);

  save_settings_file(window, chooser);

  const SettingsImage image = patterned_image();
  EXPECT_EQ(read_file_bytes(path), std::vector<uint8_t>(image.begin(), image.end()));
  EXPECT_EQ(window.text(IDC_FILE_NAME), "saved.eep");
  EXPECT_TRUE(window.error_boxes.empty());
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"saved.eep"});
}

TEST_F(SettingsFileTest, SavedFileLoadsBackToTheSameImage) {
  const std::string path = folder.path("round.eep");
  chooser.answer(path);
  chooser.answer(path);
  save_settings_file(window, chooser);
  settings_image = SettingsImage{};

  load_settings_file(window, chooser);

  EXPECT_EQ(settings_image, patterned_image());
}

TEST_F(SettingsFileTest, SaveToAFolderIsRefusedAndCreatesNothing) {
  const std::string path = folder.path("taken.eep");
  std::filesystem::create_directory(path);
  chooser.answer(path);

  save_settings_file(window, chooser);

  EXPECT_EQ(window.text(IDC_FILE_NAME), "taken.eep");
  EXPECT_EQ(window.error_boxes, std::vector<std::string>{"Can't open Settings file for write"});
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"taken.eep"});
}

#ifndef _WIN32
TEST_F(SettingsFileTest, SaveThatCannotWriteEverythingKeepsTheOldFile) {
  const std::string path = folder.path("saved.eep");
  const std::vector<uint8_t> old_contents = file_of(288);
  write_file_bytes(path, old_contents);
  chooser.answer(path);

  {
    FileSizeLimit limit(200);
    save_settings_file(window, chooser);
  }

  EXPECT_EQ(window.error_boxes, std::vector<std::string>{"Export Log File Failed."});
  EXPECT_EQ(read_file_bytes(path), old_contents);
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"saved.eep"});
}
#endif

}  // namespace
