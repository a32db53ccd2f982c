// ostrel: the keyer utility's operations from the command line, for scripts.
#include <CLI/CLI.hpp>
#include <iostream>

#include "cli/exit_status.h"
#include "cli/firmware_upload.h"
#include "cli/keyer_commands.h"
#include "cli/link_setup.h"
#include "cli/port_list.h"
#include "cli/settings_edit.h"
#include "cli/settings_view.h"
#include "cli/terminal.h"
#include "files/backups.h"
#include "web/run_ui.h"

namespace {
// Runs a command that talks to the keyer between setting the link up and taking it down.
template <typename Command>
int with_link(const LinkOptions& options, Command command) {
  if (int status = setup_link(options, std::cerr); status != EXIT_OK) return status;
  const int status = command();
  teardown_link();
  return status;
}
}  // namespace

int main(int argc, char** argv) {
  CLI::App app{
      "ostrel: test, read, write, show, edit and update an Ostrel keyer from the command line.\n"
      "Exit status: 0 success, 1 keyer or link failure, 2 usage or a refused value, 3 file "
      "error."};
  app.fallthrough();
  // Paths such as /dev/ttyUSB0 or a Unix path under Wine are arguments, never "/option"s.
  app.allow_windows_style_options(false);
  app.require_subcommand(1);

  LinkOptions link;
  app.add_option("--port", link.port,
                 "The keyer's port: COMn, or a device path such as /dev/ttyUSB0. Default: the "
                 "port remembered in Ostrel3tools.cfg (here, or beside this program)");
  app.add_flag("--sim", link.sim,
               "Talk to a simulated keyer inside this program instead of a port. Each run starts "
               "a fresh one, holding the simulator's default settings");
  app.add_option("--trace", link.trace_path,
                 "Write every byte sent and received, in hex, with milliseconds since start, to "
                 "this file");

  CLI::App* ports = app.add_subcommand("ports", "List the serial ports present");
  CLI::App* test = app.add_subcommand(
      "test", "Test the interface: firmware revision, IC variant, pot value, supply voltage");

  std::string read_path;
  CLI::App* read = app.add_subcommand("read", "Read the keyer's settings into a settings file");
  read->add_option("-o,--output", read_path, "The settings file to write (.eep)")->required();

  std::string write_path;
  bool verify = false;
  CLI::App* write = app.add_subcommand("write", "Write a settings file (288 bytes) to the keyer");
  write->add_option("file", write_path, "The settings file (.eep)")->required();
  write->add_flag("--verify", verify, "Read the settings back and compare them");

  std::string show_path;
  bool json = false;
  CLI::App* show = app.add_subcommand("show", "Show a settings file's banks and messages");
  show->add_option("file", show_path, "The settings file (.eep)")->required();
  show->add_flag("--json", json, "As one JSON object");

  std::string set_path;
  int user = 1;
  std::vector<std::string> changes;
  CLI::App* set = app.add_subcommand(
      "set",
      "Change fields of a settings file, checked as the window checks them. FIELD is a name "
      "that `show` prints (case and spaces do not matter: \"Lead In\" or leadin); msg1..msg12 "
      "and callsign set the message texts. The file is replaced only when every change is "
      "valid");
  set->add_option("file", set_path, "The settings file (.eep)")->required();
  set->add_option("--user", user, "The user bank to change")->check(CLI::Range(1, 2));
  set->add_option("changes", changes, "FIELD=VALUE ...")->required();

  std::string firmware_path;
  CLI::App* upload = app.add_subcommand("upload", "Upload a programming file to the keyer");
  upload->add_option("file", firmware_path, "The programming file (Intel HEX records)")->required();

  UiOptions ui;
  CLI::App* ui_command = app.add_subcommand("ui", "Serve the utility as a page in the browser");
  ui_command->add_option("--listen", ui.listen,
                         "HOST:PORT to serve on (default: 127.0.0.1, a free port)");
  ui_command->add_flag("--no-browser", ui.no_browser,
                       "Print the page's address without opening a browser");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    const int status = app.exit(error);
    return status == 0 ? EXIT_OK : EXIT_USAGE;
  }

  std::ostream& out = std::cout;
  std::ostream& err = std::cerr;
  if (*ports) return print_ports(list_serial_ports(), out);
  if (*show) return show_settings(show_path, json, out, err);
  if (*set) {
    return set_settings(set_path, user == 1 ? UserBank::user1 : UserBank::user2, changes, err);
  }
  if (*ui_command) {
    ui.link = link;
    return run_ui(ui, out, err);
  }
  // Read and write keep copies of what the keyer held and what was sent.
  backup_state.folder = user_backups_folder();
  if (*test) return with_link(link, [&] { return test_keyer(out, err); });
  if (*read) return with_link(link, [&] { return read_keyer(read_path, out, err); });
  if (*write) return with_link(link, [&] { return write_keyer(write_path, verify, out, err); });
  if (*upload) {
    return with_link(
        link, [&] { return upload_firmware(firmware_path, stdout_is_terminal(), out, err); });
  }
  return EXIT_USAGE;
}
