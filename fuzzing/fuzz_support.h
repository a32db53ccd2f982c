#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/file_chooser.h"
#include "settings/main_window.h"

// Stops the run with the broken rule when a condition the product promises does not hold, so
// that libFuzzer keeps the input as a finding like any crash.
#define FUZZ_CHECK(condition) \
  ((condition) ? void(0) : fuzz_check_failed(#condition, __FILE__, __LINE__))
[[noreturn]] void fuzz_check_failed(const char* condition, const char* file, int line);

// The protocol's pauses cost nothing here: every input runs in microseconds.
void make_pauses_free();

// The temporary folder ($TMPDIR, else /tmp), and a file of this process's own in it.
std::string scratch_folder();
std::string scratch_path(const std::string& name);
// Replaces the file's contents with the bytes; stops the run when the disk refuses.
void write_scratch_file(const std::string& path, const uint8_t* data, size_t size);
bool file_exists(const std::string& path);

// Answers every file dialog with the path it holds (nothing: a cancel).
class FixedFileChooser : public FileChooser {
 public:
  std::optional<std::string> choose(const FileRequest&) override { return path; }
  std::optional<std::string> path;
};

// A main window host whose dialogs close at once.
class QuietHost : public MainWindowHost {
 public:
  void run_uploader_dialog() override {}
  void run_comm_port_setup_dialog() override {}
  void run_help_dialog() override {}
  void quit() override {}
  void end_dialog(int) override {}
};
