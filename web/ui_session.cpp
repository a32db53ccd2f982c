#include "web/ui_session.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <sstream>
#include <system_error>

#include "app/com_port_setup.h"
#include "app/help_dialog.h"
#include "cli/exit_status.h"
#include "cli/port_list.h"
#include "firmware/uploader_dialog.h"
#include "messages/message_editor.h"
#include "resources/control_ids.h"
#include "web/box_edit.h"
#include "web/dialog_layout.h"
#include "web/port_choice.h"

namespace {

constexpr auto MAIN_TICK = std::chrono::milliseconds(MAIN_TIMER_PERIOD_MS);
constexpr auto UPLOAD_TICK = std::chrono::milliseconds(100);
// How often a loop with nothing to do looks at a stop request.
constexpr auto STOP_POLL = std::chrono::milliseconds(100);
constexpr size_t KEPT_DOWNLOADS = 8;

// Writes a file only the owner can read, replacing any of that name.
bool write_private_file(const std::string& path, const std::string& bytes) {
  std::error_code error;
  std::filesystem::remove(path, error);
  std::ofstream out(path, std::ios::binary);
  if (!out) return false;
  std::filesystem::permissions(
      path, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write, error);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out.flush());
}

// The name as the save dialog completes it: the default extension when none was typed.
std::string with_default_extension(const std::string& name, const std::string& extension) {
  if (extension.empty() || name.find('.') != std::string::npos) return name;
  return name + "." + extension;
}

}  // namespace

int DownloadShelf::put(Download download) {
  std::lock_guard<std::mutex> lock(mutex_);
  downloads_[++last_] = std::move(download);
  while (downloads_.size() > KEPT_DOWNLOADS) downloads_.erase(downloads_.begin());
  return last_;
}

std::optional<Download> DownloadShelf::get(int number) const {
  std::lock_guard<std::mutex> lock(mutex_);
  const auto found = downloads_.find(number);
  if (found == downloads_.end()) return std::nullopt;
  return found->second;
}

UiSession::UiSession(UiModel& model, UiEventQueue& queue, DownloadShelf& downloads,
                     UiSessionSetup setup)
    : model_(model),
      queue_(queue),
      downloads_(downloads),
      setup_(std::move(setup)),
      main_(model, IDD_MAIN, [this](const std::string& text) { show_error_box(text); }),
      uploader_(model, IDD_UPLOADER, [this](const std::string& text) { show_error_box(text); }),
      port_setup_(model, IDD_COM_PORT_SETUP,
                  [this](const std::string& text) { show_error_box(text); }),
      help_(model, IDD_HELP, [this](const std::string& text) { show_error_box(text); }) {}

void UiSession::run() {
  model_.open_dialog(IDD_MAIN);
  main_window_init(main_, *this, *this);
  next_main_tick_ = Clock::now() + MAIN_TICK;
  pump([this] { return quit_; });
  model_.publish(nlohmann::json{{"type", "exit"}}.dump());
}

bool UiSession::ended() {
  if (quit_) return true;
  if (!setup_.stop_requested || !setup_.stop_requested()) return false;
  // The worker would go on sending to a keyer whose firmware it is replacing.
  if (uploader_state.uploading) {
    if (!stop_deferred_ && setup_.err != nullptr) {
      *setup_.err << "ostrel: an upload is running; stopping once it ends (Ctrl-C again stops "
                     "it now, leaving the keyer without firmware)\n";
    }
    stop_deferred_ = true;
    return false;
  }
  return true;
}

void UiSession::pump(const std::function<bool()>& done) {
  while (!done() && !ended()) {
    const Clock::time_point now = Clock::now();
    run_timers(now);
    Clock::time_point deadline = std::min(next_main_tick_, now + STOP_POLL);
    if (upload_timer_) deadline = std::min(deadline, next_upload_tick_);
    if (const std::optional<UiEvent> event = queue_.pop(deadline)) {
      if (accepts(*event)) handle(*event);
    }
    // Whatever changed the message boxes (typing, a Read, a file), the pages learn the room left.
    model_.set_message_room(message_bytes_left(main_));
  }
}

void UiSession::run_timers(Clock::time_point now) {
  // The main window's timer goes on under its dialogs and message boxes, as in Win32.
  if (now >= next_main_tick_) {
    next_main_tick_ = now + MAIN_TICK;
    main_window_tick();
  }
  if (upload_timer_ && now >= next_upload_tick_) {
    next_upload_tick_ = now + UPLOAD_TICK;
    if (uploader_tick(uploader_)) upload_timer_ = false;
  }
}

bool UiSession::accepts(const UiEvent& event) const {
  const std::optional<PageWindow> top = model_.top_window();
  if (!top) return false;
  using Kind = UiEvent::Kind;
  switch (event.kind) {
    case Kind::alert_ok:
      return top->kind == PageWindow::Kind::alert;
    case Kind::save:
    case Kind::save_cancel:
      return top->kind == PageWindow::Kind::save_prompt;
    case Kind::close:
      return top->kind == PageWindow::Kind::dialog && top->dialog_id == event.dialog;
    default:
      break;
  }
  // A control of the window on top, there to be used: a disabled or hidden control, or one of a
  // window under a modal one, takes nothing.
  if (top->kind != PageWindow::Kind::dialog || top->dialog_id != event.dialog) return false;
  const LayoutDialog* dialog = find_dialog_layout(event.dialog);
  const LayoutControl* control = dialog ? find_control_layout(*dialog, event.id) : nullptr;
  const std::optional<ControlState> state = model_.control(event.dialog, event.id);
  if (control == nullptr || !state || !state->visible || !state->enabled) return false;
  const std::string kind = control->kind;
  switch (event.kind) {
    case Kind::click:
      return kind == "button" || kind == "check" || kind == "radio";
    case Kind::select:
      return kind == "combo" && event.index >= 0 &&
             event.index < static_cast<int>(state->items.size());
    case Kind::edit:
      return kind == "edit";
    default:
      return false;
  }
}

void UiSession::handle(const UiEvent& event) {
  using Kind = UiEvent::Kind;
  if (event.kind == Kind::alert_ok) {
    alert_done_ = true;
  } else if (event.kind == Kind::save) {
    save_answered_ = true;
    save_name_ = event.name;
    // The file goes to the page that named it, which need not be the one that clicked.
    save_client_ = event.client;
  } else if (event.kind == Kind::save_cancel) {
    save_answered_ = true;
    save_name_.reset();
  } else if (event.kind == Kind::edit) {
    WebControls& controls = event.dialog == IDD_MAIN ? main_ : uploader_;
    const LayoutControl* box = find_control_layout(*find_dialog_layout(event.dialog), event.id);
    const bool filtered = event.dialog == IDD_MAIN && is_message_box(event.id);
    const size_t caret = apply_box_edit(controls, *box, filtered, event.edit);
    // The answer to the page that typed carries the room as this edit left it.
    if (filtered) model_.set_message_room(message_bytes_left(main_));
    // The page that typed places its caret; the text itself has gone out with the change.
    model_.change_control(
        event.dialog, event.id, [](ControlState&) {}, caret, event.client);
  } else if (event.dialog == IDD_MAIN) {
    on_main_window(event);
  } else if (event.dialog == IDD_UPLOADER) {
    on_uploader(event);
  } else if (event.dialog == IDD_COM_PORT_SETUP) {
    on_port_setup(event);
  } else if (event.dialog == IDD_HELP) {
    // OK, and the close box: a help window that only a button can close surprises people.
    dialog_closed_ = true;
  }
}

void UiSession::on_main_window(const UiEvent& event) {
  if (event.kind == UiEvent::Kind::close) {
    main_window_close();
    return;
  }
  if (event.kind == UiEvent::Kind::select) {
    // The pick is in the list before the list tells its window, as with CBN_SELCHANGE.
    main_.combo_select(event.id, event.index);
    main_window_command(event.id, NOTIFY_SELECTION_CHANGE);
    return;
  }
  take_picked_file(event);
  main_window_command(event.id, NOTIFY_CLICKED);
  drop_picked_file();
  hand_over_download(save_client_);
}

void UiSession::on_uploader(const UiEvent& event) {
  if (event.kind == UiEvent::Kind::close || event.id == IDC_UPLOADER_EXIT) {
    if (uploader_exit(uploader_)) dialog_closed_ = true;
  } else if (event.id == IDC_UPLOADER_LOAD) {
    take_picked_file(event);
    uploader_load(uploader_, *this);
    drop_picked_file();
  } else if (event.id == IDC_UPLOADER_PROGRAM && uploader_program(uploader_)) {
    upload_timer_ = true;
    next_upload_tick_ = Clock::now() + UPLOAD_TICK;
  }
}

void UiSession::on_port_setup(const UiEvent& event) {
  if (event.kind == UiEvent::Kind::close || event.id == IDC_COM_PORT_EXIT) {
    dialog_closed_ = true;
  } else if (event.kind == UiEvent::Kind::select) {
    port_setup_.combo_select(event.id, event.index);
    // Once a port is picked the reminder has done its job.
    model_.set_caption(IDD_COM_PORT_SETUP, COM_PORT_SETUP_TITLE);
  } else if (event.id == IDC_COM_PORT_OK) {
    const int item = port_setup_.combo_selection(IDC_COM_PORT_LIST);
    if (item < 0 || item >= static_cast<int>(port_choices_.size())) {
      model_.set_caption(IDD_COM_PORT_SETUP, COM_PORT_CHOOSE_FIRST_TITLE);
      return;
    }
    use_port(port_choices_[static_cast<size_t>(item)]);
    dialog_closed_ = true;
  }
}

void UiSession::use_port(const std::string& port) {
  LinkOptions chosen = setup_.link;
  chosen.port = port;
  chosen.sim = false;
  teardown_link();
  std::ostringstream why;
  if (setup_link(chosen, why) != EXIT_OK) {
    // Only a trace file that cannot be reopened fails here; the port stays as it was.
    std::ostringstream ignored;
    setup_link(setup_.link, ignored);
    std::string text = why.str();
    while (!text.empty() && text.back() == '\n') text.pop_back();
    port_setup_.error_box(text);
    return;
  }
  setup_.link = chosen;
  if (!save_remembered_port(setup_.config_path, port))
    port_setup_.error_box("CFG File SAve Failed.");
}

void UiSession::run_dialog(int dialog_id, const std::function<void()>& init) {
  model_.open_dialog(dialog_id);
  dialog_closed_ = false;
  init();
  pump([this] { return dialog_closed_; });
  model_.pop_window();
  dialog_closed_ = false;
}

void UiSession::run_uploader_dialog() {
  run_dialog(IDD_UPLOADER, [this] { uploader_open(uploader_); });
}

void UiSession::run_comm_port_setup_dialog() {
  run_dialog(IDD_COM_PORT_SETUP, [this] {
    const std::string current = setup_.link.sim ? "" : setup_.link.port;
    port_choices_ = port_choices(list_serial_ports(), current);
    show_port_choices(port_setup_, port_choices_, current);
  });
}

void UiSession::run_help_dialog() {
  run_dialog(IDD_HELP, [this] { help_dialog_init(help_, setup_.os_name, setup_.exe_path); });
}

std::string UiSession::port_label() {
  return ::port_label(setup_.link);
}

void UiSession::show_error_box(const std::string& text) {
  PageWindow box;
  box.kind = PageWindow::Kind::alert;
  box.text = text;
  model_.push_window(box);
  alert_done_ = false;
  pump([this] { return alert_done_; });
  alert_done_ = false;
  model_.pop_window();
}

std::optional<std::string> UiSession::choose(const FileRequest& request) {
  if (!request.save) {
    // The page asked its user before it sent the click; the answer came with it.
    std::optional<std::string> picked = picked_path_;
    picked_path_.reset();
    return picked;
  }
  PageWindow prompt;
  prompt.kind = PageWindow::Kind::save_prompt;
  prompt.text = request.filters.empty() ? "" : request.filters.front().first;
  prompt.extension = request.default_extension;
  model_.push_window(prompt);
  save_answered_ = false;
  save_name_.reset();
  pump([this] { return save_answered_; });
  model_.pop_window();
  if (!save_name_ || !plain_file_name(*save_name_)) return std::nullopt;
  const std::string path =
      setup_.private_folder + "/" + with_default_extension(*save_name_, request.default_extension);
  if (path.size() + 1 > request.capacity) return std::nullopt;
  // Whatever is found there after the save was written by it.
  std::error_code error;
  std::filesystem::remove(path, error);
  saved_path_ = path;
  return path;
}

void UiSession::take_picked_file(const UiEvent& event) {
  picked_path_.reset();
  if (!event.file) return;
  const std::string path = setup_.private_folder + "/" + event.file->name;
  picked_file_ = path;
  if (write_private_file(path, event.file->bytes)) picked_path_ = path;
}

void UiSession::drop_picked_file() {
  picked_path_.reset();
  // The logic has read the file; the user's own copy is wherever the browser took it from.
  if (picked_file_.empty()) return;
  std::error_code error;
  std::filesystem::remove(picked_file_, error);
  picked_file_.clear();
}

void UiSession::hand_over_download(const std::string& client) {
  if (!saved_path_) return;
  const std::string path = *saved_path_;
  saved_path_.reset();
  std::ifstream in(path, std::ios::binary);
  if (!in) return;  // the save failed and has said so
  Download download;
  download.name = std::filesystem::path(path).filename().string();
  download.bytes.assign(std::istreambuf_iterator<char>(in), {});
  in.close();
  std::error_code error;
  std::filesystem::remove(path, error);
  const int number = downloads_.put(download);
  model_.publish(nlohmann::json{{"type", "download"},
                                {"client", client},
                                {"url", "/download/" + std::to_string(number)},
                                {"name", download.name}}
                     .dump());
}
