// gui-driver: operates a running Ostrel3tools.exe from outside, through the window messages that
// a user's mouse and keyboard would cause. One command per run; the GUI tests call it from bash.
//
// Anything that may block its handler or open a modal window is posted, never sent: a sent
// message would hold this process until the handler returns. Texts are read and written with
// SendMessageTimeout, so a window that is busy (a keyer operation blocks it for seconds) delays
// the answer but cannot hang the test.

#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "resources/version.h"

namespace {

constexpr const char* MAIN_WINDOW_TITLE = "Ostrel 3 Tools Utility " OSTREL_VERSION;
constexpr int MESSAGE_BOX_TEXT_ID = 0xFFFF;
constexpr int FILE_NAME_BOX_ID = 1148;      // the file dialog's name box
constexpr int OLD_FILE_NAME_BOX_ID = 1152;  // the same in the dialog's older layout
constexpr int POLL_MS = 50;
constexpr UINT SEND_WAIT_MS = 15000;

constexpr int EXIT_OK = 0;
constexpr int EXIT_FAILED = 1;
constexpr int EXIT_TIMED_OUT = 2;

struct Options {
  std::string window_title = MAIN_WINDOW_TITLE;
  int window_wait_ms = 20000;
};

int fail(const std::string& text) {
  std::fprintf(stderr, "gui-driver: %s\n", text.c_str());
  return EXIT_FAILED;
}

void print_line(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fputc('\n', stdout);
}

std::string window_title(HWND window) {
  char buffer[512] = {};
  GetWindowTextA(window, buffer, sizeof buffer);
  return buffer;
}

struct Search {
  std::string title;
  bool need_name_box = false;  // only file dialogs
  HWND found = nullptr;
};

bool has_file_name_box(HWND window) {
  return GetDlgItem(window, FILE_NAME_BOX_ID) || GetDlgItem(window, OLD_FILE_NAME_BOX_ID);
}

BOOL CALLBACK match_window(HWND window, LPARAM context) {
  Search& search = *reinterpret_cast<Search*>(context);
  if (!IsWindowVisible(window)) return TRUE;
  bool matches =
      search.need_name_box ? has_file_name_box(window) : window_title(window) == search.title;
  if (!matches) return TRUE;
  search.found = window;
  return FALSE;
}

HWND find_window(const std::string& title, bool need_name_box = false) {
  Search search{title, need_name_box, nullptr};
  EnumWindows(match_window, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Polls until the window is there, or gives up after wait_ms.
HWND wait_for_window(const std::string& title, int wait_ms, bool need_name_box = false) {
  DWORD start = GetTickCount();
  for (;;) {
    if (HWND window = find_window(title, need_name_box)) return window;
    if (static_cast<int>(GetTickCount() - start) >= wait_ms) return nullptr;
    Sleep(POLL_MS);
  }
}

bool send_with_timeout(HWND window, UINT message, WPARAM wparam, LPARAM lparam, DWORD_PTR* result) {
  DWORD_PTR ignored = 0;
  return SendMessageTimeoutA(window, message, wparam, lparam, SMTO_NORMAL, SEND_WAIT_MS,
                             result ? result : &ignored) != 0;
}

bool read_text(HWND window, std::string& text) {
  DWORD_PTR length = 0;
  if (!send_with_timeout(window, WM_GETTEXTLENGTH, 0, 0, &length)) return false;
  std::vector<char> buffer(length + 2, '\0');
  DWORD_PTR copied = 0;
  if (!send_with_timeout(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()),
                         &copied)) {
    return false;
  }
  text.assign(buffer.data(), copied < buffer.size() ? copied : buffer.size() - 1);
  return true;
}

// "\b", "\n", "\r", "\t", "\\" and "\xHH" in typed text, so that bash can name control characters.
std::string unescape(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    char next = text[++i];
    switch (next) {
      case 'b':
        out += '\b';
        break;
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      case 't':
        out += '\t';
        break;
      case 'x':
        if (i + 2 < text.size()) {
          out += static_cast<char>(std::strtol(text.substr(i + 1, 2).c_str(), nullptr, 16));
          i += 2;
        } else {
          out += "\\x";
        }
        break;
      default:
        out += next;
        break;
    }
  }
  return out;
}

bool parse_int(const std::string& text, int& value) {
  // Decimal, or hexadecimal after 0x (a leading 0 does not mean octal).
  bool hex = text.rfind("0x", 0) == 0 || text.rfind("0X", 0) == 0;
  char* end = nullptr;
  long parsed = std::strtol(text.c_str(), &end, hex ? 16 : 10);
  if (text.empty() || *end != '\0') return false;
  value = static_cast<int>(parsed);
  return true;
}

// The command's window and, unless id is 0 (the window itself), its control.
struct Target {
  HWND window = nullptr;
  HWND control = nullptr;
  int id = 0;
};

int find_target(const Options& options, const std::string& id_text, Target& target) {
  if (!parse_int(id_text, target.id)) return fail("not a control ID: " + id_text);
  target.window = wait_for_window(options.window_title, options.window_wait_ms);
  if (!target.window) return fail("no window titled \"" + options.window_title + "\"");
  target.control = target.id == 0 ? target.window : GetDlgItem(target.window, target.id);
  if (!target.control)
    return fail("no control " + id_text + " in \"" + options.window_title + "\"");
  return EXIT_OK;
}

void post_command(HWND window, int id, int notification, HWND control) {
  PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, notification), reinterpret_cast<LPARAM>(control));
}

int print_text(const Target& target) {
  std::string text;
  if (!read_text(target.control, text)) return fail("the window did not answer WM_GETTEXT");
  print_line(text);
  return EXIT_OK;
}

int type_text(const Target& target, const std::string& typed) {
  // The box's modified flag is the barrier: characters can only set it, so once the cleared
  // flag posted after them is seen, every character before it has been handled.
  if (!send_with_timeout(target.control, EM_SETMODIFY, TRUE, 0, nullptr)) {
    return fail("the box did not answer");
  }
  for (unsigned char c : typed) PostMessageA(target.control, WM_CHAR, c, 1);
  PostMessageA(target.control, EM_SETMODIFY, FALSE, 0);
  DWORD start = GetTickCount();
  for (;;) {
    DWORD_PTR modified = 1;
    if (send_with_timeout(target.control, EM_GETMODIFY, 0, 0, &modified) && !modified) break;
    if (GetTickCount() - start > SEND_WAIT_MS) return fail("the typed characters were not handled");
    Sleep(10);
  }
  return print_text(target);
}

int print_combo_items(const Target& target) {
  DWORD_PTR count = 0;
  if (!send_with_timeout(target.control, CB_GETCOUNT, 0, 0, &count)) return fail("no answer");
  if (static_cast<LRESULT>(count) == CB_ERR) return fail("not a list");
  // Wide texts: an item asked for in ANSI from another process comes back unconverted.
  for (DWORD_PTR i = 0; i < count; ++i) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(target.control, CB_GETLBTEXTLEN, i, 0, SMTO_NORMAL, SEND_WAIT_MS,
                             &length) ||
        static_cast<LRESULT>(length) == CB_ERR) {
      return fail("no item text");
    }
    std::vector<wchar_t> wide(length + 1, L'\0');
    SendMessageTimeoutW(target.control, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(wide.data()),
                        SMTO_NORMAL, SEND_WAIT_MS, nullptr);
    char text[1024] = {};
    WideCharToMultiByte(CP_ACP, 0, wide.data(), -1, text, sizeof text - 1, nullptr, nullptr);
    print_line(text);
  }
  return EXIT_OK;
}

int print_number(const Target& target, UINT message) {
  DWORD_PTR value = 0;
  if (!send_with_timeout(target.control, message, 0, 0, &value)) return fail("no answer");
  print_line(std::to_string(static_cast<LRESULT>(value)));
  return EXIT_OK;
}

int select_item(const Target& target, int index) {
  DWORD_PTR result = 0;
  if (!send_with_timeout(target.control, CB_SETCURSEL, index, 0, &result)) return fail("no answer");
  if (static_cast<LRESULT>(result) != index) return fail("no such item");
  // Setting the selection by message notifies nobody; the user's pick would.
  post_command(target.window, target.id, CBN_SELCHANGE, target.control);
  return EXIT_OK;
}

int wait_text(const Target& target, const std::string& expected, int wait_ms) {
  DWORD start = GetTickCount();
  std::string text;
  for (;;) {
    if (read_text(target.control, text) && text == expected) return EXIT_OK;
    if (static_cast<int>(GetTickCount() - start) >= wait_ms) break;
    Sleep(POLL_MS);
  }
  std::fprintf(stderr, "gui-driver: control %d reads \"%s\", not \"%s\"\n", target.id, text.c_str(),
               expected.c_str());
  return EXIT_TIMED_OUT;
}

// Polls a condition about the target; a posted click is handled only when its window gets to it,
// so what the click changes is waited for, never read at once.
int wait_until(const Target& target, const char* what, const std::string& wanted, int wait_ms,
               const std::function<bool()>& holds) {
  DWORD start = GetTickCount();
  while (!holds()) {
    if (static_cast<int>(GetTickCount() - start) >= wait_ms) {
      std::fprintf(stderr, "gui-driver: control %d: %s not %s after %d ms\n", target.id, what,
                   wanted.c_str(), wait_ms);
      return EXIT_TIMED_OUT;
    }
    Sleep(POLL_MS);
  }
  return EXIT_OK;
}

// A message box: prints its text and answers it with OK.
int answer_box(const std::string& title, int wait_ms) {
  HWND box = wait_for_window(title, wait_ms);
  if (!box) {
    std::fprintf(stderr, "gui-driver: no \"%s\" box within %d ms\n", title.c_str(), wait_ms);
    return EXIT_TIMED_OUT;
  }
  HWND text_control = GetDlgItem(box, MESSAGE_BOX_TEXT_ID);
  std::string text;
  if (!text_control || !read_text(text_control, text)) return fail("the box has no text");
  print_line(text);
  post_command(box, IDOK, BN_CLICKED, GetDlgItem(box, IDOK));
  return EXIT_OK;
}

// The common file dialog: the path goes into the name box, then OK.
int fill_file_dialog(const std::string& path, int wait_ms) {
  HWND dialog = wait_for_window("", wait_ms, true);
  if (!dialog) {
    std::fprintf(stderr, "gui-driver: no file dialog within %d ms\n", wait_ms);
    return EXIT_TIMED_OUT;
  }
  HWND name_box = GetDlgItem(dialog, FILE_NAME_BOX_ID);
  if (!name_box) name_box = GetDlgItem(dialog, OLD_FILE_NAME_BOX_ID);
  if (!send_with_timeout(name_box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()),
                         nullptr)) {
    return fail("the file dialog did not take the name");
  }
  post_command(dialog, IDOK, BN_CLICKED, GetDlgItem(dialog, IDOK));
  return EXIT_OK;
}

int wait_gone(const std::string& title, int wait_ms) {
  DWORD start = GetTickCount();
  while (find_window(title)) {
    if (static_cast<int>(GetTickCount() - start) >= wait_ms) {
      std::fprintf(stderr, "gui-driver: \"%s\" still open after %d ms\n", title.c_str(), wait_ms);
      return EXIT_TIMED_OUT;
    }
    Sleep(POLL_MS);
  }
  return EXIT_OK;
}

const char* const USAGE =
    "usage: gui-driver [-w TITLE] [-t MS] COMMAND ARGS...\n"
    "  -w TITLE             the window to act on (default: the main window), waited for\n"
    "  -t MS                how long to wait for that window (default 20000)\n"
    "  ID 0 names the window itself.\n"
    "commands:\n"
    "  wait-window TITLE MS   until a visible window with that title exists\n"
    "  wait-gone TITLE MS     until no visible window has that title\n"
    "  absent TITLE           fails if a visible window has that title now\n"
    "  click ID               post the control's click command to the window\n"
    "  press ID               post BM_CLICK to the button\n"
    "  text ID                print the text\n"
    "  set-text ID TEXT       replace the text (WM_SETTEXT)\n"
    "  type ID CHARS          post each character as WM_CHAR, then print the text\n"
    "                         (\\b \\n \\r \\t \\\\ \\xHH name control characters)\n"
    "  wait-text ID TEXT MS   until the text equals TEXT\n"
    "  check ID               print the check state (0, 1)\n"
    "  progress ID            print a progress bar's position\n"
    "  enabled ID             print 1 when enabled, else 0\n"
    "  wait-enabled ID 0|1 MS until the control is disabled (0) or enabled (1)\n"
    "  wait-check ID STATE MS until the button's check state is STATE (0, 1)\n"
    "  visible ID             print 1 when visible, else 0\n"
    "  items ID               print a list's items, one a line\n"
    "  selection ID           print a list's selected index (-1 for none)\n"
    "  select ID INDEX        select a list item and notify the window (CBN_SELCHANGE)\n"
    "  box TITLE MS           wait for a message box, print its text, answer OK\n"
    "  file-dialog PATH MS    wait for a file dialog, enter PATH, answer OK\n"
    "  escape                 post the Escape key to the window\n"
    "  close                  post WM_CLOSE to the window (the close box)\n"
    "gui-driver serve: reads commands from stdin, one a line, arguments separated by tabs.\n";

int run(const Options& options, const std::vector<std::string>& args) {
  if (args.empty()) return fail(std::string("no command\n") + USAGE);
  const std::string& command = args[0];
  auto need = [&](size_t count) { return args.size() == count + 1; };
  int number = 0;

  if (command == "wait-window" && need(2) && parse_int(args[2], number)) {
    if (wait_for_window(args[1], number)) return EXIT_OK;
    std::fprintf(stderr, "gui-driver: no \"%s\" within %d ms\n", args[1].c_str(), number);
    return EXIT_TIMED_OUT;
  }
  if (command == "wait-gone" && need(2) && parse_int(args[2], number)) {
    return wait_gone(args[1], number);
  }
  if (command == "absent" && need(1)) {
    return find_window(args[1]) ? fail("\"" + args[1] + "\" is open") : EXIT_OK;
  }
  if (command == "box" && need(2) && parse_int(args[2], number)) return answer_box(args[1], number);
  if (command == "file-dialog" && need(2) && parse_int(args[2], number)) {
    return fill_file_dialog(args[1], number);
  }

  if (command == "escape" || command == "close") {
    if (!need(0)) return fail(USAGE);
    HWND window = wait_for_window(options.window_title, options.window_wait_ms);
    if (!window) return fail("no window titled \"" + options.window_title + "\"");
    if (command == "close") {
      PostMessageA(window, WM_CLOSE, 0, 0);
    } else {
      PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 1);
      PostMessageA(window, WM_KEYUP, VK_ESCAPE, 0xC0000001);
    }
    return EXIT_OK;
  }

  // The rest name a control of the window.
  if (args.size() < 2) return fail(USAGE);
  Target target;
  if (int status = find_target(options, args[1], target)) return status;
  if (command == "click" && need(1)) {
    post_command(target.window, target.id, BN_CLICKED, target.control);
    return EXIT_OK;
  }
  if (command == "press" && need(1)) {
    PostMessageA(target.control, BM_CLICK, 0, 0);
    return EXIT_OK;
  }
  if (command == "text" && need(1)) return print_text(target);
  if (command == "set-text" && need(2)) {
    if (!send_with_timeout(target.control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(args[2].c_str()),
                           nullptr)) {
      return fail("the window did not answer WM_SETTEXT");
    }
    return EXIT_OK;
  }
  if (command == "type" && need(2)) return type_text(target, unescape(args[2]));
  if (command == "wait-text" && need(3) && parse_int(args[3], number)) {
    return wait_text(target, args[2], number);
  }
  if (command == "check" && need(1)) return print_number(target, BM_GETCHECK);
  if (command == "progress" && need(1)) return print_number(target, PBM_GETPOS);
  if (command == "enabled" && need(1)) {
    print_line(IsWindowEnabled(target.control) ? "1" : "0");
    return EXIT_OK;
  }
  if (command == "wait-enabled" && need(3) && parse_int(args[3], number)) {
    bool wanted = args[2] == "1";
    return wait_until(target, "enabled", args[2], number,
                      [&] { return (IsWindowEnabled(target.control) != FALSE) == wanted; });
  }
  if (command == "wait-check" && need(3) && parse_int(args[3], number)) {
    int wanted = 0;
    if (!parse_int(args[2], wanted)) return fail(USAGE);
    return wait_until(target, "check state", args[2], number, [&] {
      DWORD_PTR state = 0;
      return send_with_timeout(target.control, BM_GETCHECK, 0, 0, &state) &&
             static_cast<int>(state) == wanted;
    });
  }
  if (command == "visible" && need(1)) {
    print_line(IsWindowVisible(target.control) ? "1" : "0");
    return EXIT_OK;
  }
  if (command == "items" && need(1)) return print_combo_items(target);
  if (command == "selection" && need(1)) return print_number(target, CB_GETCURSEL);
  if (command == "select" && need(2) && parse_int(args[2], number)) {
    return select_item(target, number);
  }
  return fail("bad command line\n" + std::string(USAGE));
}

// Options first (-w TITLE, -t MS), then the command.
int execute(std::vector<std::string> args) {
  Options options;
  while (args.size() >= 2 && (args[0] == "-w" || args[0] == "-t")) {
    if (args[0] == "-w") {
      options.window_title = args[1];
    } else if (!parse_int(args[1], options.window_wait_ms)) {
      return fail("-t needs milliseconds");
    }
    args.erase(args.begin(), args.begin() + 2);
  }
  return run(options, args);
}

// One command a line, its arguments separated by tabs; after each command's output comes the
// line SERVE_DONE and its exit status. Starting a Wine process takes about a second, so a test
// keeps one driver for all its commands.
constexpr const char* SERVE_DONE = "<<gui-driver done>> ";

int serve() {
  std::string text;
  char chunk[4096];
  while (std::fgets(chunk, sizeof chunk, stdin)) {
    text += chunk;
    if (text.back() != '\n' && !std::feof(stdin)) continue;  // a line longer than the chunk
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    std::vector<std::string> args;
    size_t begin = 0;
    for (;;) {
      size_t tab = text.find('\t', begin);
      args.push_back(
          text.substr(begin, tab == std::string::npos ? std::string::npos : tab - begin));
      if (tab == std::string::npos) break;
      begin = tab + 1;
    }
    text.clear();
    int status = execute(args);
    std::fprintf(stdout, "%s%d\n", SERVE_DONE, status);
    std::fflush(stdout);
    std::fflush(stderr);
  }
  return EXIT_OK;
}

}  // namespace

int main(int argc, char** argv) {
  // Texts go out byte for byte: bash compares them.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stdin), _O_BINARY);
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && args[0] == "serve") return serve();
  int status = execute(args);
  std::fflush(stdout);
  return status;
}
