// ostrel: the keyer utility's operations from the command line, for scripts.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <filesystem>
#include <iostream>

#include "app/help_dialog.h"
#include "cli/exit_status.h"
#include "cli/firmware_upload.h"
#include "cli/image_file.h"
#include "cli/keyer_commands.h"
#include "cli/link_setup.h"
#include "cli/port_doctor.h"
#include "cli/port_list.h"
#include "cli/settings_diff.h"
#include "cli/settings_edit.h"
#include "cli/settings_view.h"
#include "cli/terminal.h"
#include "files/backups.h"
#include "link/link.h"
#include "web/run_ui.h"

namespace {

const char* const EXIT_STATUSES =
    "Exit status: 0 success, 1 keyer or link failure, 2 usage or a refused value, 3 file error "
    "(diff: 0 the same, 1 different, 4 the keyer could not be read).";

// Runs a command that talks to the keyer between setting the link up and taking it down.
template <typename Command>
int with_link(const LinkOptions& options, Command command) {
  if (int status = setup_link(options, std::cerr); status != EXIT_OK) return status;
  const int status = command();
  // A reply this run missed must not reach the next run as the answer to its first question.
  link_release();
  teardown_link();
  return status;
}

// The options that say how to reach the keyer, on the program and on every command, so that
// each command's --help shows them and they may come before or after the command's name.
void add_link_options(CLI::App& app, LinkOptions& link) {
  app.add_option("-p,--port", link.port,
                 "The keyer's port: COMn, or a device path such as /dev/ttyUSB0 or a "
                 "/dev/serial/by-id/ name. Default: the port remembered in Ostrel3tools.cfg "
                 "(here, or beside this program)");
  app.add_flag("--sim", link.sim,
               "Talk to a simulated keyer inside this program instead of a port. Each run starts "
               "a fresh one, holding the demo settings");
  app.add_option("--trace", link.trace_path,
                 "Write every byte sent and received, in hex, with milliseconds since start, to "
                 "this file");
}

CLI::App* add_command(CLI::App& app, const char* name, const char* description,
                      LinkOptions& link) {
  CLI::App* command = app.add_subcommand(name, description);
  add_link_options(*command, link);
  command->footer(EXIT_STATUSES);
  return command;
}

int parse_failed(CLI::App& app, const CLI::ParseError& error) {
  if (error.get_exit_code() == 0) return app.exit(error);  // --help, --version
  const std::vector<CLI::App*> parsed = app.get_subcommands();
  const std::vector<std::string> extra = app.remaining();
  if (parsed.empty() && !extra.empty()) {
    std::string commands;
    for (const CLI::App* command : app.get_subcommands({}))
      commands += (commands.empty() ? "" : ", ") + command->get_name();
    std::cerr << "ostrel: there is no command \"" << extra.front() << "\"\nhint: the commands are "
              << commands << "; see `ostrel --help`\n";
    return EXIT_USAGE;
  }
  std::cerr << "ostrel: " << error.what() << "\n";
  const std::string command = parsed.empty() ? "" : parsed.front()->get_name() + " ";
  // A file whose name begins with '-' reads as an option that does not exist.
  for (const std::string& left : parsed.empty() ? extra : parsed.front()->remaining()) {
    if (left.size() > 1 && left[0] == '-' && left[1] != '-') {
      std::cerr << "hint: " << left << " is no option; a file of that name is `ostrel " << command
                << "./" << left << "`\n";
      return EXIT_USAGE;
    }
  }
  std::cerr << "hint: see `ostrel " << command << "--help`\n";
  return EXIT_USAGE;
}

// A file whose name begins with '-' reads as an option; one that exists where no option of that
// name does is the file, named from the current folder so that it parses as one.
bool name_files_left_as_options(CLI::App& app, std::vector<std::string>& args) {
  const std::vector<CLI::App*> parsed = app.get_subcommands();
  if (parsed.empty()) return false;
  bool renamed = false;
  for (const std::string& left : parsed.front()->remaining()) {
    std::error_code error;
    if (left.size() < 2 || left[0] != '-' || !std::filesystem::exists(left, error)) continue;
    const auto given = std::find(args.begin(), args.end(), left);
    if (given == args.end() || std::find(args.begin(), given, "--") != given) continue;
    *given = "./" + left;
    renamed = true;
  }
  return renamed;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"ostrel: test, read, write, show, edit, compare and update an Ostrel keyer from the "
               "command line.",
               "ostrel"};
  app.footer(EXIT_STATUSES);
  app.set_version_flag("--version", std::string("ostrel ") + HELP_VERSION);
  // Paths such as /dev/ttyUSB0 or a Unix path under Wine are arguments, never "/option"s.
  app.allow_windows_style_options(false);
  app.require_subcommand(1);

  LinkOptions link;
  add_link_options(app, link);

  CLI::App* ports = add_command(app, "ports", "List the serial ports present", link);
  CLI::App* doctor = add_command(
      app, "doctor", "Check that the port can be opened as the keyer's link opens it, or say why not",
      link);
  bool json = false;
  CLI::App* test = add_command(
      app, "test", "Test the interface: firmware revision, IC variant, pot value, supply voltage",
      link);
  test->add_flag("--json", json, "As one JSON object");

  std::string read_path;
  CLI::App* read = add_command(app, "read", "Read the keyer's settings into a settings file", link);
  read->add_option("-o,--output", read_path,
                   "The settings file to write (.eep); - writes the 288 bytes to the standard "
                   "output")
      ->required();

  std::string write_path;
  bool verify = false;
  bool force = false;
  CLI::App* write = add_command(
      app, "write",
      "Write a settings file (288 bytes) to the keyer. It must hold only what the window could "
      "have stored: every checked field of both user banks within the window's ranges, and "
      "messages that read back whole",
      link);
  write->add_option("file", write_path, "The settings file (.eep)")->required();
  write->add_flag("--verify", verify, "Read the settings back and compare them");
  write->add_flag("--force", force, "Send the file even if the window would not have stored it");

  std::string show_path;
  CLI::App* show = add_command(app, "show", "Show a settings file's banks and messages", link);
  show->add_option("file", show_path, "The settings file (.eep)")->required();
  show->add_flag("--json", json, "As one JSON object, which `ostrel set --from` takes back");

  std::string set_path;
  std::string from_path;
  int user = 1;
  std::vector<std::string> changes;
  CLI::App* set = add_command(
      app, "set",
      "Change fields of a settings file, checked as the window checks them. FIELD is a name that "
      "`show` prints or its JSON key (case, spaces and _ do not matter: \"Lead In\", lead_in or "
      "leadin); msg1..msg12 and callsign set the message texts. The file is replaced only when "
      "every change is valid",
      link);
  set->add_option("file", set_path, "The settings file (.eep)")->required();
  set->add_option("--user", user, "The user bank to change")->check(CLI::Range(1, 2));
  CLI::Option* from = set->add_option(
      "--from", from_path,
      "Take both banks and the texts from a JSON file that `ostrel show --json` printed");
  set->add_option("changes", changes, "FIELD=VALUE ...")->excludes(from);

  std::vector<std::string> diff_paths;
  bool diff_keyer = false;
  CLI::App* diff = add_command(
      app, "diff",
      "Compare two settings files, or a settings file with the keyer's settings (--keyer): the "
      "fields and messages that differ, with both values",
      link);
  diff->add_option("files", diff_paths, "A B, or A with --keyer")->required()->expected(1, 2);
  diff->add_flag("--keyer", diff_keyer, "Compare the file with what the keyer holds");

  std::string firmware_path;
  bool quiet = false;
  CLI::App* upload = add_command(app, "upload", "Upload a programming file to the keyer", link);
  upload->add_option("file", firmware_path, "The programming file (Intel HEX records)")->required();
  upload->add_flag("-q,--quiet", quiet, "Print no progress");

  UiOptions ui;
  CLI::App* ui_command =
      add_command(app, "ui", "Serve the utility as a page in the browser", link);
  ui_command->add_option("--listen", ui.listen,
                         "HOST:PORT to serve on (default: 127.0.0.1, a free port)");
  ui_command->add_flag("--no-browser", ui.no_browser,
                       "Print the page's address without opening a browser");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (error.get_exit_code() == 0 || !name_files_left_as_options(app, args)) {
      return parse_failed(app, error);
    }
    try {
      app.parse(std::vector<std::string>(args.rbegin(), args.rend()));
    } catch (const CLI::ParseError& again) {
      return parse_failed(app, again);
    }
  }

  std::ostream& out = std::cout;
  std::ostream& err = std::cerr;
  if (*ports) return print_ports(list_serial_ports(), out);
  if (*doctor) {
    return with_link(link, [&] { return check_port(cli_link_state.port_name, out, err); });
  }
  if (*show) return show_settings(show_path, json, out, err);
  if (*set) {
    if (!from_path.empty()) return set_settings_from_json(set_path, from_path, err);
    if (changes.empty()) {
      err << "ostrel: set needs FIELD=VALUE changes or --from FILE.json\n";
      return EXIT_USAGE;
    }
    return set_settings(set_path, user == 1 ? UserBank::user1 : UserBank::user2, changes, err);
  }
  if (*diff) {
    if (diff_keyer == (diff_paths.size() == 2)) {
      err << "ostrel: diff compares two files, or one file with --keyer\n";
      return EXIT_USAGE;
    }
    if (!diff_keyer) return diff_files(diff_paths[0], diff_paths[1], out, err);
    return with_link(link, [&] { return diff_file_and_keyer(diff_paths[0], out, err); });
  }
  if (*ui_command) {
    ui.link = link;
    return run_ui(ui, out, err);
  }
  // Read and write keep copies of what the keyer held and what was sent.
  backup_state.folder = user_backups_folder();
  if (*test) return with_link(link, [&] { return test_keyer(json, out, err); });
  if (*read) {
    if (read_path == STANDARD_STREAM) binary_standard_output();
    return with_link(link, [&] { return read_keyer(read_path, out, err); });
  }
  if (*write) {
    return with_link(link, [&] { return write_keyer(write_path, verify, force, out, err); });
  }
  if (*upload) {
    const UploadDisplay display = quiet              ? UploadDisplay::none
                                  : stdout_redraws() ? UploadDisplay::terminal
                                                     : UploadDisplay::lines;
    return with_link(link, [&] { return upload_firmware(firmware_path, display, out, err); });
  }
  return EXIT_USAGE;
}
