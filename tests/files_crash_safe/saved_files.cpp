#include "tests/files_crash_safe/saved_files.h"

#include "app/app_config.h"
#include "app/app_error_box.h"
#include "link/link.h"
#include "resources/control_ids.h"
#include "settings/main_window.h"
#include "settings/settings_image.h"
#include "tests/support/fake_main_window_host.h"
#include "tests/support/scripted_file_chooser.h"

namespace {

// A main window with a filled-in panel and a message, saved by clicking "Write Config File".
class SettingsFileSave : public SavedFile {
 public:
  SettingsFileSave() {
    settings_image = SettingsImage{};
    main_window_init(window_, host_, chooser_);
    click(IDC_RESET_DEFAULTS);
    window_.set_text(IDC_MSG1, "CQ CQ DE TEST");
    // A cancelled save stores the window into the image: this is what every save must write.
    chooser_.cancel();
    click(IDC_WRITE_CONFIG_FILE);
    image_ = settings_image;
  }
  ~SettingsFileSave() override {
    main_window_state = MainWindowState{};
    settings_image = SettingsImage{};
  }

  const char* file_name() const override { return "keyer.eep"; }
  Bytes old_contents() const override {
    Bytes bytes(SETTINGS_IMAGE_SIZE);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7 + 3);
    return bytes;
  }
  Bytes new_contents() const override { return Bytes(image_.begin(), image_.end()); }

  Outcome save(const std::string& path) override {
    window_.error_boxes.clear();
    chooser_.answer(path);
    click(IDC_WRITE_CONFIG_FILE);
    return {window_.error_boxes.empty(), window_.error_boxes};
  }

  std::string expected_box(bool refused_at_once) const override {
    return refused_at_once ? "Can't open Settings file for write" : "Export Log File Failed.";
  }
  bool memory_unchanged() const override { return settings_image == image_; }

 private:
  static void click(int id) { main_window_command(id, NOTIFY_CLICKED); }

  RecordingControls window_;
  FakeMainWindowHost host_;
  ScriptedFileChooser chooser_;
  SettingsImage image_{};
};

std::vector<std::string> configuration_boxes;
void record_configuration_box(const std::string& text) {
  configuration_boxes.push_back(text);
}

// The Comm Port Setup dialog has just set port 9 over the port 3 of the earlier file.
class ConfigurationFileSave : public SavedFile {
 public:
  ConfigurationFileSave() : saved_box_(app_error_box) {
    app_error_box = record_configuration_box;
    app_state = AppState{};
  }
  ~ConfigurationFileSave() override {
    app_error_box = saved_box_;
    app_state = AppState{};
    com_port_number = 0;
  }

  const char* file_name() const override { return "Ostrel3tools.cfg"; }
  Bytes old_contents() const override { return {3, 0, 0, 0}; }
  Bytes new_contents() const override { return {NEW_PORT, 0, 0, 0}; }

  Outcome save(const std::string& path) override {
    configuration_boxes.clear();
    app_state.cfg_path = path;
    com_port_number = NEW_PORT;
    const bool saved = save_app_config() == 1;
    return {saved, configuration_boxes};
  }

  std::string expected_box(bool) const override { return "CFG File SAve Failed."; }
  // The new port is kept for the rest of the run even though the file could not take it.
  bool memory_unchanged() const override { return com_port_number == NEW_PORT; }

 private:
  static constexpr uint8_t NEW_PORT = 9;
  AppErrorBox saved_box_;
};

}  // namespace

const char* label_of(FileKind kind) {
  return kind == FileKind::settings ? "settings file" : "configuration file";
}

const char* id_of(FileKind kind) {
  return kind == FileKind::settings ? "SettingsFile" : "ConfigurationFile";
}

std::unique_ptr<SavedFile> make_saved_file(FileKind kind) {
  if (kind == FileKind::settings) return std::make_unique<SettingsFileSave>();
  return std::make_unique<ConfigurationFileSave>();
}
