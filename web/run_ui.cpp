#include "web/run_ui.h"

#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/utsname.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <system_error>
#include <thread>

#include "cli/executable_path.h"
#include "cli/exit_status.h"
#include "cli/stop_signals.h"
#include "files/backups.h"
#include "firmware/uploader_dialog.h"
#include "link/link.h"
#include "web/idle_watch.h"
#include "web/listen_address.h"
#include "web/port_choice.h"
#include "web/running_ui.h"
#include "web/ui_server.h"
#include "web/ui_session.h"

extern char** environ;

namespace {

// No page for this long, and `ostrel ui` ends.
constexpr auto IDLE_LIMIT = std::chrono::minutes(2);

// 32 random bytes, as hex.
std::string new_token() {
  unsigned char bytes[32] = {};
  std::ifstream random("/dev/urandom", std::ios::binary);
  if (!random.read(reinterpret_cast<char*>(bytes), sizeof bytes)) {
    std::random_device device;
    for (unsigned char& b : bytes) b = static_cast<unsigned char>(device());
  }
  std::string hex;
  for (const unsigned char b : bytes) {
    static constexpr char DIGITS[] = "0123456789abcdef";
    hex += DIGITS[b >> 4];
    hex += DIGITS[b & 15];
  }
  return hex;
}

// A folder only this user can enter, for the files that pass between the page and the logic.
std::string make_private_folder() {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern =
      std::string(tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp") + "/ostrel-ui-XXXXXX";
  return mkdtemp(pattern.data()) == nullptr ? "" : pattern;
}

std::string system_name() {
  struct utsname name {};
  if (uname(&name) != 0) return "unknown";
  return std::string(name.sysname) + " " + name.release;
}

// The default browser, left to run on its own.
void open_browser(const std::string& url, std::ostream& err) {
#ifdef __APPLE__
  const char* opener = "open";
#else
  const char* opener = "xdg-open";
#endif
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::string program = opener;
  std::string address = url;
  char* argv[] = {program.data(), address.data(), nullptr};
  pid_t child = 0;
  const int failed = posix_spawnp(&child, opener, &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) {
    err << "ostrel: cannot start " << opener << "; open the address above in a browser\n";
    return;
  }
  std::thread([child] { waitpid(child, nullptr, 0); }).detach();
}

// The link: as given, else as chosen in an earlier `ostrel ui`, else the window's configuration
// file; with none of them the page starts without a port, to be chosen in "Set Com Port".
LinkOptions choose_link(const UiOptions& options, const std::string& config_path,
                        std::string& note) {
  LinkOptions link = options.link;
  if (!link.sim && link.port.empty()) {
    if (const std::optional<std::string> remembered = load_remembered_port(config_path)) {
      link.port = *remembered;
    }
  }
  std::ostringstream why;
  if (setup_link(link, why) == EXIT_OK) {
    if (!link.sim && link.port.empty()) link.port = "COM" + std::to_string(com_port_number);
    return link;
  }
  note = "ostrel: no port yet; choose one with \"Set Com Port\" in the page\n";
  link.port.clear();
  com_port_number = 0;
  return link;
}

}  // namespace

int run_ui(const UiOptions& options, std::ostream& out, std::ostream& err) {
  ListenAddress address;
  std::string error;
  if (!parse_listen_address(options.listen, address, error)) {
    err << "ostrel: " << error << "\n";
    return EXIT_USAGE;
  }
  if (int status = check_link_options(options.link, err); status != EXIT_OK) return status;

  // A plain start, as the menu's, opens the page of one that runs already. One that names its
  // keyer or address is the user's own choice, and serves whatever runs.
  const bool plain = options.link.port.empty() && !options.link.sim &&
                     options.link.trace_path.empty() && options.listen == UiOptions{}.listen;
  const std::string record = plain ? running_ui_path() : "";
  std::optional<RunningUiLock> starting;
  if (plain) starting.emplace(record);
  if (const std::optional<std::string> running = running_ui_address(record)) {
    out << *running << std::endl;
    err << "ostrel: ostrel ui is already running; "
        << (options.no_browser ? "its page is at the address above\n" : "opening its page\n");
    if (!options.no_browser) open_browser(*running, err);
    return EXIT_OK;
  }

  const std::string folder = make_private_folder();
  if (folder.empty()) {
    err << "ostrel: cannot make a private folder for the page's files\n";
    return EXIT_FILE;
  }

  UiModel model;
  UiEventQueue queue;
  DownloadShelf downloads;
  UiServer server(model, queue, downloads);
  if (!server.bind(address.bind_host, address.port, error)) {
    err << "ostrel: " << error << "\n";
    std::filesystem::remove_all(folder);
    return EXIT_USAGE;
  }
  ServedAddress served;
  served.host_port = address.host_port + std::to_string(server.port());
  served.token = new_token();

  UiSessionSetup setup;
  setup.private_folder = folder;
  setup.os_name = system_name();
  setup.exe_path = executable_path();
  setup.config_path = ui_config_path();
  std::string note;
  setup.link = choose_link(options, setup.config_path, note);
  IdleWatch idle(IDLE_LIMIT, IdleWatch::Clock::now());
  bool idle_ended = false;
  setup.stop_requested = [&] {
    if (stop_signals_received() > 0) return true;
    const bool busy = server.open_pages() > 0 || uploader_state.uploading;
    idle_ended = idle.expired(busy, IdleWatch::Clock::now());
    return idle_ended;
  };
  setup.err = &err;
  // Read and Write keep copies of what the keyer held and what was sent, as the command line does.
  backup_state.folder = user_backups_folder();

  const std::string url = served.origin() + "/?token=" + served.token;
  out << url << std::endl;
  server.start(served);
  if (plain && !record_running_ui(record, url)) {
    err << "warning: cannot record the page's address in " << record
        << "; a second ostrel ui will serve a page of its own\n";
  }
  starting.reset();
  // The address comes first, whatever else is said, so that a script can take it from line one.
  err << note
      << "ostrel: serving the utility; Exit in the page or Ctrl-C here ends it, as do 2 minutes "
         "with no page open\n";
  if (!options.no_browser) open_browser(url, err);

  install_stop_signals();
  {
    UiSession session(model, queue, downloads, setup);
    session.run();
  }
  remove_stop_signals();
  if (idle_ended) err << "ostrel: no page has been open for 2 minutes; ending\n";
  forget_running_ui(record);
  server.stop();
  teardown_link();
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  return EXIT_OK;
}
