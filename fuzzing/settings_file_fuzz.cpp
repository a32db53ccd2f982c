// A settings file of any length and content, loaded and saved again through the main window's
// "Read Config File" and "Write Config File", as a user would. Input: the file's bytes.
#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "files/settings_file.h"
#include "fuzzing/fuzz_support.h"
#include "messages/message_codec.h"
#include "messages/message_editor.h"
#include "platform/recording_controls.h"
#include "resources/control_ids.h"
#include "settings/main_window.h"
#include "settings/settings_image.h"

namespace {

SettingsImage earlier_image() {
  SettingsImage image;
  for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 53 + 5);
  return image;
}

struct Window {
  RecordingControls controls;
  QuietHost host;
  FixedFileChooser chooser;

  Window() { main_window_init(controls, host, chooser); }

  void click(int id, const std::string& path) {
    chooser.path = path;
    controls.error_boxes.clear();
    main_window_command(id, NOTIFY_CLICKED);
  }

  // Whatever a load did, the boxes show the image as it now is.
  void check_boxes_show_image() {
    const MessageTexts texts = decode_messages();
    for (int slot = 0; slot < MESSAGE_SLOTS; ++slot)
      FUZZ_CHECK(controls.text(MESSAGE_BOX_IDS[slot]) == texts[slot]);
  }
};

std::vector<uint8_t> file_contents(const std::string& path) {
  std::vector<uint8_t> bytes;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  FUZZ_CHECK(file != nullptr);
  for (int c; (c = std::getc(file)) != EOF;) bytes.push_back(static_cast<uint8_t>(c));
  std::fclose(file);
  return bytes;
}

// A file that cannot be read is refused with its message and leaves the image as it was.
void check_refused(Window& window, const std::string& path, const char* message) {
  const SettingsImage before = settings_image;
  window.click(IDC_READ_CONFIG_FILE, path);
  FUZZ_CHECK(window.controls.error_boxes == std::vector<std::string>{message});
  FUZZ_CHECK(settings_image == before);
  window.check_boxes_show_image();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string loaded_path = scratch_path("loaded.eep");
  static const std::string saved_path = scratch_path("saved.eep");
  write_scratch_file(loaded_path, data, size);
  std::remove(saved_path.c_str());

  main_window_state = MainWindowState{};
  settings_image = earlier_image();
  Window window;
  window.click(IDC_READ_CONFIG_FILE, loaded_path);
  // Any content is taken as it is: as many bytes as the file holds replace the start of the
  // image. A file of another length says so first, then messages that do not read back whole.
  SettingsImage expected = earlier_image();
  std::copy_n(data, std::min(size, expected.size()), expected.begin());
  FUZZ_CHECK(settings_image == expected);
  const std::vector<std::string>& boxes = window.controls.error_boxes;
  const bool wrong_length = size != expected.size();
  const std::optional<std::string> partial = check_message_region();
  FUZZ_CHECK(boxes.size() == (wrong_length ? 1u : 0u) + (partial ? 1u : 0u));
  if (wrong_length) FUZZ_CHECK(boxes.front().rfind("The file holds ", 0) == 0);
  if (partial) FUZZ_CHECK(boxes.back() == *partial);
  FUZZ_CHECK(window.controls.text(IDC_FILE_NAME) == "File Name: " + file_name_of(loaded_path));
  window.check_boxes_show_image();

  // A folder opens but cannot be read.
  check_refused(window, scratch_folder(), "Read Settings file failed.");
  check_refused(window, scratch_path("missing.eep"), "File Not Found");

  // Saving what the window shows writes exactly the image, or nothing when the window refuses it.
  const MessageTexts shown = decode_messages();
  window.click(IDC_WRITE_CONFIG_FILE, saved_path);
  if (!window.controls.error_boxes.empty()) {
    FUZZ_CHECK(window.controls.error_boxes.size() == 1 && !file_exists(saved_path));
    return 0;
  }
  const std::vector<uint8_t> saved = file_contents(saved_path);
  FUZZ_CHECK(std::equal(saved.begin(), saved.end(), settings_image.begin(), settings_image.end()));
  // The messages went through the encoder and come back as they were shown.
  FUZZ_CHECK(decode_messages() == shown);
  FUZZ_CHECK(std::equal(settings_image.begin(), settings_image.begin() + MSG_END_POINTER,
                        expected.begin()));
  return 0;
}
