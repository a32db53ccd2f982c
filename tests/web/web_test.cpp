// The pieces of `ostrel ui` that the browser test cannot reach one by one: the template reader,
// typing through the input filter, the page's events, and the ui thread's modal loop.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <fstream>
#include <iterator>
#include <sstream>

#include "cli/exit_status.h"
#include "cli/link_setup.h"
#include "messages/message_editor.h"
#include "platform/pause.h"
#include "platform/recording_controls.h"
#include "resources/control_ids.h"
#include "resources/version.h"
#include "settings/settings_fields.h"
#include "settings/settings_image.h"
#include "web/box_edit.h"
#include "web/dialog_layout.h"
#include "web/listen_address.h"
#include "web/rc_template.h"
#include "web/ui_events.h"
#include "web/ui_model.h"
#include "web/ui_session.h"

namespace {

std::string read_source(const std::string& name) {
  std::ifstream in(std::string(OSTREL_SOURCE_DIR) + "/" + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

const LayoutControl& layout_of(int dialog, int id) {
  const LayoutDialog* layout = find_dialog_layout(dialog);
  const LayoutControl* control = layout ? find_control_layout(*layout, id) : nullptr;
  if (control == nullptr) throw std::runtime_error("no control " + std::to_string(id));
  return *control;
}

TEST(WebTemplates, ThePageHasEachControlWhereTheWindowHasIt) {
  struct Row {
    int dialog, id;
    const char* kind;
    const char* text;
    int x, y, w, h;
    bool hidden, disabled;
    const char* style;
  };
  const Row rows[] = {
      {IDD_MAIN, IDC_READ, "button", "Read Ostrel", 12, 288, 40, 16, false, false, "WS_GROUP"},
      {IDD_MAIN, IDC_RESET_DEFAULTS, "button", "Reset to\nDefaults", 308, 168, 48, 20, false, false,
       "BS_MULTILINE"},
      {IDD_MAIN, IDC_MSG7, "edit", "", 12, 16, 164, 32, true, false, "ES_UPPERCASE"},
      {IDD_MAIN, IDC_SERIAL_NUMBER, "edit", "", 240, 148, 32, 12, false, true, ""},
      {IDD_MAIN, IDC_SIDETONE_FREQ, "edit", "", 316, 204, 32, 12, false, false, "ES_NUMBER"},
      {IDD_MAIN, 4088, "static", "Msg 9", 184, 100, 36, 12, true, false, ""},
      {IDD_MAIN, IDC_OUTPUT_CONFIG, "combo", "", 236, 204, 72, 95, false, false, "CBS_DROPDOWN"},
      {IDD_UPLOADER, IDC_UPLOADER_PROGRESS, "progress", "", 7, 19, 204, 10, false, false,
       "WS_BORDER"},
      {IDD_COM_PORT_SETUP, IDC_COM_PORT_OK, "button", "OK", 8, 36, 45, 15, false, false, ""},
      {IDD_HELP, IDC_HELP_FILE, "static", "Help File: README.txt", 4, 44, 252, 12, false, false,
       "SS_PATHELLIPSIS"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.id);
    const LayoutControl& c = layout_of(row.dialog, row.id);
    EXPECT_EQ(std::string(c.kind), row.kind);
    EXPECT_EQ(std::string(c.text), row.text);
    EXPECT_EQ((std::array{c.x, c.y, c.w, c.h}), (std::array{row.x, row.y, row.w, row.h}));
    EXPECT_EQ(starts_hidden(c), row.hidden);
    EXPECT_EQ(starts_disabled(c), row.disabled);
    if (row.style[0] != '\0') {
      EXPECT_TRUE(has_style(c, row.style));
    }
  }
  const LayoutDialog& main = *find_dialog_layout(IDD_MAIN);
  EXPECT_EQ(std::string(main.caption), "Ostrel 3 Tools Utility " OSTREL_VERSION);
  EXPECT_EQ((std::array{main.w, main.h}), (std::array{374, 330}));
  EXPECT_TRUE(layout_of(IDD_MAIN, IDC_STATUS_LINE).align == std::string("left"));
  EXPECT_TRUE(layout_of(IDD_MAIN, IDC_IC_LABEL).align == std::string("center"));
  EXPECT_TRUE(layout_of(IDD_COM_PORT_SETUP, IDC_COM_PORT_OK).default_button);
}

// A screen reader names an edit box or a list by the static text before it in the template, in the
// window and in the page alike: each must come right after its own caption.
TEST(WebTemplates, EveryBoxAndListComesAfterItsCaption) {
  std::map<std::pair<int, int>, std::string> captions = {
      {{IDD_MAIN, IDC_SERIAL_NUMBER}, "S/N"},
      {{IDD_MAIN, IDC_CALLSIGN_USER1}, "User Callsign"},
      {{IDD_MAIN, IDC_CALLSIGN_USER2}, "User Callsign"},
      // The path of the file whose data the area lists; the list of ports has no caption but the
      // dialog's title.
      {{IDD_UPLOADER, IDC_UPLOADER_LOG}, "#4038"},
      {{IDD_COM_PORT_SETUP, IDC_COM_PORT_LIST}, "(title)"},
  };
  for (const SettingField& field : SETTING_FIELDS) {
    if (field.kind != FieldKind::check) captions[{IDD_MAIN, field.control_id}] = field.caption;
  }
  for (int slot = 0; slot < 12; ++slot) {
    captions[{IDD_MAIN, MESSAGE_BOX_IDS[slot]}] = "Msg " + std::to_string(slot + 1);
  }
  size_t seen = 0;
  for (const LayoutDialog& dialog : dialog_layouts()) {
    for (const LayoutControl& control : dialog.controls) {
      const std::string kind = control.kind;
      if (kind != "edit" && kind != "combo") continue;
      SCOPED_TRACE(std::to_string(dialog.id) + ":" + std::to_string(control.id));
      const auto wanted = captions.find({dialog.id, control.id});
      ASSERT_NE(wanted, captions.end()) << "a box or list without a caption to check";
      const LayoutControl* caption = caption_of(dialog, control);
      const std::string found = caption == nullptr         ? "(title)"
                                : caption->text[0] != '\0' ? caption->text
                                                           : "#" + std::to_string(caption->id);
      EXPECT_EQ(found, wanted->second);
      ++seen;
    }
  }
  EXPECT_EQ(seen, captions.size());
  // The bar is named by the status line above it.
  const LayoutDialog& uploader = *find_dialog_layout(IDD_UPLOADER);
  EXPECT_EQ(caption_of(uploader, layout_of(IDD_UPLOADER, IDC_UPLOADER_PROGRESS))->id,
            IDC_UPLOADER_STATUS);
}

TEST(WebTemplates, ATemplateThePageCannotFollowStopsTheBuildNamingTheLine) {
  const std::map<std::string, int> defines =
      read_rc_defines(read_source("resources/control_ids.h"));
  const std::string header = "IDD_HELP DIALOGEX 0, 0, 10, 10\nCAPTION \"x\"\nBEGIN\n";
  const struct {
    std::string body;
    std::string error;
  } rows[] = {
      {"LISTBOX IDC_HELP_OK, 1, 2, 3, 4\nEND\n", "t.rc:4: \"LISTBOX\" is not a control statement"},
      {"PUSHBUTTON \"OK\", IDC_NOWHERE, 1, 2, 3, 4\nEND\n",
       "t.rc:4: control id IDC_NOWHERE is not"},
      {"PUSHBUTTON \"OK, IDC_HELP_OK, 1, 2, 3, 4\nEND\n", "t.rc:4: a string is not closed"},
      {"PUSHBUTTON \"OK\", IDC_HELP_OK, 1, 2, 3\nEND\n", "t.rc:4: PUSHBUTTON takes text, id"},
      {"CONTROL \"\", 5, \"Button\", 0, 1, 2, 3, 4\nEND\n", "t.rc:4: CONTROL of class \"Button\""},
      {"EDITTEXT 5, 1, 2, 3, 4, ES_NUMBER |\nEND\n", "t.rc:4: a style list ends with '|'"},
      {"EDITTEXT 5, 1, 2, 3, 4\n", "t.rc:4: the dialog IDD_HELP has no END"},
  };
  for (const auto& row : rows) {
    std::vector<RcDialog> dialogs;
    std::string error;
    EXPECT_FALSE(read_rc_dialogs(header + row.body, "t.rc", defines, dialogs, error));
    EXPECT_EQ(error.rfind(row.error, 0), 0u) << error;
  }
}

TEST(WebTyping, EachCharacterPassesTheBoxAsTheWindowsBoxWouldTakeIt) {
  const struct {
    int id;
    std::string before;
    size_t start, end;
    std::string insert;
    std::string after;
    size_t caret;
  } rows[] = {
      {IDC_MSG1, "", 0, 0, "a#b", "AB", 2},            // upper case; '#' has no code
      {IDC_MSG1, "AB", 1, 1, "\n", "A\r\nB", 2},       // a line break, one place
      {IDC_MSG1, "A\r\nB", 1, 2, "", "AB", 1},         // deleting the break takes CR LF
      {IDC_MSG1, "A\r\nB", 2, 3, "", "A\r\n", 2},      // places after a break count it once
      {IDC_MSG1, "CQ", 0, 2, "$de\xc3\xa9", "DE", 2},  // '$' and 'é' refused, selection replaced
      {IDC_MSG1, "", 0, 0, "x\r\ny", "X\r\nY", 3},     // a pasted CR LF is one break
      {IDC_CALLSIGN_USER1, "", 0, 0, "w1\naw", "W1AW", 4},  // no break in a one-line box
      {IDC_SIDETONE_FREQ, "", 0, 0, "8a0o0", "800", 3},     // ES_NUMBER: digits only
      {IDC_MSG1, "AB", 9, 9, "c", "ABC", 3},                // a place past the end is the end
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.after);
    RecordingControls window;
    window.set_text(row.id, row.before);
    const bool filtered = row.id != IDC_SIDETONE_FREQ;
    const size_t caret = apply_box_edit(window, layout_of(IDD_MAIN, row.id), filtered,
                                        BoxEdit{row.start, row.end, row.insert});
    EXPECT_EQ(window.text(row.id), row.after);
    EXPECT_EQ(caret, row.caret);
  }
}

TEST(WebTyping, AtTheCapacityOnlyDeletionsPass) {
  RecordingControls window;
  window.set_text(IDC_MSG7, std::string(239, 'E'));  // a hidden box counts too
  const LayoutControl& box = layout_of(IDD_MAIN, IDC_MSG1);
  apply_box_edit(window, box, true, BoxEdit{0, 0, "abc"});
  EXPECT_EQ(window.text(IDC_MSG1), "A");
  apply_box_edit(window, box, true, BoxEdit{0, 1, "z"});  // typing over a selection too
  EXPECT_EQ(window.text(IDC_MSG1), "A");
  apply_box_edit(window, box, true, BoxEdit{0, 1, ""});
  EXPECT_EQ(window.text(IDC_MSG1), "");
}

TEST(WebTyping, AnEditTakesTimeInProportionToItsLengthAndStopsAtTheControlsLimit) {
  const struct {
    int id;
    char c;
    size_t kept;  // what the box holds after 40,000 of c
  } rows[] = {
      {IDC_SIDETONE_FREQ, '7', EDIT_TEXT_LIMIT},  // unfiltered: the edit control's limit
      {IDC_MSG1, 'e', MESSAGE_CAPACITY},          // the message filter's 240 bytes
  };
  for (const auto& row : rows) {
    RecordingControls window;
    const auto started = std::chrono::steady_clock::now();
    const size_t caret = apply_box_edit(window, layout_of(IDD_MAIN, row.id), row.id == IDC_MSG1,
                                        BoxEdit{0, 0, std::string(40000, row.c)});
    const auto took = std::chrono::steady_clock::now() - started;
    EXPECT_LT(took, std::chrono::milliseconds(500)) << row.id;
    EXPECT_EQ(window.text(row.id).size(), row.kept);
    EXPECT_EQ(caret, row.kept);
  }
}

TEST(WebListen, TheAddressIsParsedAsAnAddressAndEveryAddressAtOnceIsRefused) {
  const struct {
    const char* text;
    const char* host_port;  // "" when refused
    const char* error;
  } rows[] = {
      {"127.0.0.1:8080", "127.0.0.1:", ""},
      {"[::1]:0", "[::1]:", ""},
      {"192.168.1.20:65535", "192.168.1.20:", ""},
      {"0x7f.1:80", "127.0.0.1:", ""},              // as a browser writes what it reaches
      {"[::ffff:127.0.0.1]:80", "127.0.0.1:", ""},  // an IPv4 address in IPv6 clothes
      {"0.0.0.0:0", "", "--listen: name the address the page will be reached at, not 0.0.0.0"},
      {"0:0", "", "--listen: name the address"},
      {"0x0:0", "", "--listen: name the address"},
      {"0000:0", "", "--listen: name the address"},
      {"[::0]:0", "", "--listen: name the address"},
      {"[::]:0", "", "--listen: name the address"},
      {"[::ffff:0.0.0.0]:0", "", "--listen: name the address"},
      {"[0:0:0:0:0:0:0:0]:8080", "", "--listen: name the address"},
      {":::0", "", "--listen: write an IPv6 address in brackets"},
      {"localhost:8080", "", "--listen: localhost is not an address"},
      {"[127.0.0.1]:80", "", "--listen: 127.0.0.1 is not an address"},
      {"127.0.0.1:65536", "", "--listen: the port is a number from 0 to 65535"},
      {"127.0.0.1:-1", "", "--listen: the port"},
      {"127.0.0.1", "", "--listen takes HOST:PORT"},
  };
  for (const auto& row : rows) {
    ListenAddress address;
    std::string error;
    const bool taken = parse_listen_address(row.text, address, error);
    EXPECT_EQ(taken, row.host_port[0] != '\0') << row.text << ": " << error;
    if (taken) {
      EXPECT_EQ(address.host_port, row.host_port) << row.text;
    } else {
      EXPECT_EQ(error.rfind(row.error, 0), 0u) << row.text << ": " << error;
    }
  }
}

// A page that falls behind more than the model keeps, in bytes too, starts again from the whole
// state: a run of long edits cannot pile up.
TEST(WebModel, APageFarBehindGetsTheWholeStateAgain) {
  UiModel model;
  uint64_t behind = 0;
  model.snapshot(behind);
  for (int i = 0; i < 5; ++i) model.publish('"' + std::string(1 << 20, 'x') + '"');
  EXPECT_EQ(model.next_events(behind, std::chrono::milliseconds(0))->rfind("event: snapshot", 0),
            0u);
}

TEST(WebEvents, ARequestIsTakenWholeOrRefusedWithItsReason) {
  const struct {
    std::string body;
    std::string error;  // "" when it is taken
  } rows[] = {
      {"not json", "the body is not a JSON object"},
      {R"({"events": 3})", "no list of events"},
      {R"({"events": [{"kind": "drag", "dialog": 1001, "id": 1}]})", "an event of unknown kind"},
      {R"({"events": [{"kind": "click", "dialog": 1001}]})", "click without a control id"},
      {R"({"events": [{"kind": "edit", "dialog": 1001, "id": 4001, "start": -1, "end": 0,
           "insert": ""}]})",
       "edit without start, end and insert"},
      {R"({"events": [{"kind": "click", "dialog": 1001, "id": 4092,
           "file": {"name": "../etc/x.eep", "data": ""}}]})",
       "a file name that is not a plain name"},
      {R"({"events": [{"kind": "click", "dialog": 1001, "id": 4092,
           "file": {"name": "a.eep", "data": "QUJ=Q"}}]})",
       "a file without a name and base64 data"},
      {R"({"events": [{"kind": "click", "dialog": 1001, "id": 4011},
                      {"kind": "save"}]})",
       "save without a name"},
      {R"({"events": [{"kind": "click", "dialog": 1001, "id": 4092,
           "file": {"name": "a.eep", "data": ")" +
           std::string((MAX_PICKED_FILE + 2) / 3 * 4 + 4, 'A') + R"("}}]})",
       "a file larger than 512 KiB"},
      {R"({"client": "p", "events": [{"kind": "click", "dialog": 1001, "id": 4092,
           "file": {"name": "a.eep", "data": "QUJDRA=="}}]})",
       ""},
  };
  for (const auto& row : rows) {
    std::string error;
    const std::optional<std::vector<UiEvent>> events = parse_ui_events(row.body, error);
    EXPECT_EQ(events.has_value(), row.error.empty()) << row.body.substr(0, 200);
    if (!row.error.empty()) {
      EXPECT_EQ(error.rfind(row.error, 0), 0u) << error;
    }
  }
  std::string error;
  const auto taken = parse_ui_events(rows[std::size(rows) - 1].body, error);
  ASSERT_TRUE(taken);
  EXPECT_EQ((*taken)[0].file->bytes, "ABCD");
  EXPECT_EQ((*taken)[0].client, "p");
}

UiEvent event(UiEvent::Kind kind, int id = 0, const std::string& insert = "") {
  UiEvent e;
  e.kind = kind;
  e.dialog = IDD_MAIN;
  e.id = id;
  e.edit.insert = insert;
  return e;
}

// Under the "Error" box the window takes nothing, as a window under a modal box does: the events
// queued behind Write meet the box and are dropped; the box's OK ends it.
TEST(WebSession, UnderTheErrorBoxTheWindowTakesNothing) {
  set_pause_function([](int) {});
  LinkOptions link;
  link.sim = true;
  std::ostringstream ignored;
  ASSERT_EQ(setup_link(link, ignored), EXIT_OK);
  UiModel model;
  UiEventQueue queue;
  DownloadShelf downloads;
  UiSessionSetup setup;
  setup.link = link;
  using Kind = UiEvent::Kind;
  queue.push({event(Kind::click, IDC_WRITE),  // the empty panel fails at Weight
              event(Kind::click, IDC_USER2), event(Kind::edit, IDC_WEIGHT, "50"),
              event(Kind::alert_ok), event(Kind::edit, IDC_SERIAL_NUMBER, "7"),
              event(Kind::click, IDC_EXIT)});
  UiSession session(model, queue, downloads, setup);
  session.run();
  teardown_link();
  set_pause_function(nullptr);

  EXPECT_FALSE(model.control(IDD_MAIN, IDC_USER2)->checked);
  EXPECT_EQ(model.control(IDD_MAIN, IDC_WEIGHT)->text, "");
  EXPECT_EQ(model.control(IDD_MAIN, IDC_SERIAL_NUMBER)->text, "");  // disabled
  uint64_t sequence = 0;
  const std::string shown = *model.next_events(sequence, std::chrono::milliseconds(0));
  EXPECT_NE(shown.find(R"("kind":"alert","text":"Weight must be between 10 and 90")"),
            std::string::npos);
  EXPECT_NE(shown.find(R"({"type":"exit"})"), std::string::npos);
}

}  // namespace
