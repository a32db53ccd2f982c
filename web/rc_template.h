#pragma once

#include <map>
#include <string>
#include <vector>

// Reads the dialog templates of resources/*.rc, the same files the window is built from, so that
// the page draws every control where the window has it. Only what those files use is understood;
// anything else is an error naming the file and line, so that a template the page cannot follow
// stops the build instead of drifting.

struct RcControl {
  std::string kind;  // groupbox, edit, static, radio, check, button, combo, progress
  int id = 0;
  std::string text;  // the caption, with "\n" for the escaped line break
  int x = 0, y = 0, w = 0, h = 0;
  std::vector<std::string> styles;  // the style names given, as written (WS_VISIBLE, ES_NUMBER ...)
  std::vector<std::string> not_styles;  // the names given with NOT
  std::string align;                    // static texts: left, center, right
  bool default_button = false;          // DEFPUSHBUTTON
};

struct RcDialog {
  std::string name;  // IDD_MAIN
  int id = 0;
  int w = 0, h = 0;
  std::string caption;
  std::string font_face;
  int font_size = 0;
  std::vector<RcControl> controls;
};

// The #defines of a header: name -> number (only plain decimal numbers).
std::map<std::string, int> read_rc_defines(const std::string& text);

// Every DIALOGEX of an .rc file. On a statement it does not understand, it returns false with
// `error` as "FILE:LINE: what".
bool read_rc_dialogs(const std::string& text, const std::string& file_name,
                     const std::map<std::string, int>& defines, std::vector<RcDialog>& dialogs,
                     std::string& error);
