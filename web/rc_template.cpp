#include "web/rc_template.h"

#include <cctype>
#include <optional>
#include <sstream>

namespace {

struct Token {
  enum Kind { word, number, string, comma, bar } kind;
  std::string text;
  long value = 0;
};

// One statement's tokens; false with `error` on a character the templates never use.
bool tokenize(const std::string& line, std::vector<Token>& tokens, std::string& error) {
  size_t i = 0;
  while (i < line.size()) {
    const char c = line[i];
    if (std::isspace(static_cast<unsigned char>(c))) {
      ++i;
    } else if (c == ',') {
      tokens.push_back({Token::comma, ",", 0});
      ++i;
    } else if (c == '|') {
      tokens.push_back({Token::bar, "|", 0});
      ++i;
    } else if (c == '"') {
      std::string text;
      ++i;
      bool closed = false;
      while (i < line.size()) {
        if (line[i] == '"' && i + 1 < line.size() && line[i + 1] == '"') {
          text += '"';  // a doubled quote stands for one
          i += 2;
        } else if (line[i] == '"') {
          closed = true;
          ++i;
          break;
        } else if (line[i] == '\\' && i + 1 < line.size()) {
          const char e = line[i + 1];
          text += e == 'n' ? '\n' : e == 't' ? '\t' : e;
          i += 2;
        } else {
          text += line[i++];
        }
      }
      if (!closed) {
        error = "a string is not closed";
        return false;
      }
      tokens.push_back({Token::string, text, 0});
    } else if (std::isdigit(static_cast<unsigned char>(c)) || c == '-') {
      size_t end = i + 1;
      while (end < line.size() && std::isalnum(static_cast<unsigned char>(line[end]))) ++end;
      const std::string text = line.substr(i, end - i);
      char* stop = nullptr;
      const long value = std::strtol(text.c_str(), &stop, 0);
      if (*stop != '\0') {
        error = "\"" + text + "\" is not a number";
        return false;
      }
      tokens.push_back({Token::number, text, value});
      i = end;
    } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
      size_t end = i + 1;
      while (end < line.size() &&
             (std::isalnum(static_cast<unsigned char>(line[end])) || line[end] == '_'))
        ++end;
      tokens.push_back({Token::word, line.substr(i, end - i), 0});
      i = end;
    } else {
      error = std::string("unexpected character '") + c + "'";
      return false;
    }
  }
  return true;
}

// The statement's fields, split at its top-level commas.
std::vector<std::vector<Token>> fields_of(const std::vector<Token>& tokens, size_t from) {
  std::vector<std::vector<Token>> fields(1);
  for (size_t i = from; i < tokens.size(); ++i) {
    if (tokens[i].kind == Token::comma) {
      fields.emplace_back();
    } else {
      fields.back().push_back(tokens[i]);
    }
  }
  if (fields.size() == 1 && fields[0].empty()) fields.clear();
  return fields;
}

// Reads one statement against the defines; each failure leaves its reason in `error`.
class StatementReader {
 public:
  StatementReader(const std::map<std::string, int>& defines, std::string& error)
      : defines_(defines), error_(error) {}

  std::optional<int> number(const std::vector<Token>& field, const char* what) {
    if (field.size() == 1 && field[0].kind == Token::number)
      return static_cast<int>(field[0].value);
    if (field.size() == 1 && field[0].kind == Token::word) {
      const auto found = defines_.find(field[0].text);
      if (found != defines_.end()) return found->second;
      error_ = what + std::string(" ") + field[0].text + " is not defined in the header";
      return std::nullopt;
    }
    error_ = std::string("expected a number for the ") + what;
    return std::nullopt;
  }

  std::optional<std::string> string(const std::vector<Token>& field, const char* what) {
    if (field.size() == 1 && field[0].kind == Token::string) return field[0].text;
    error_ = std::string("expected a quoted ") + what;
    return std::nullopt;
  }

  // NAME | NAME | NOT NAME ...
  bool styles(const std::vector<Token>& field, RcControl& control) {
    bool expect_name = true;
    bool negate = false;
    for (const Token& token : field) {
      if (expect_name && token.kind == Token::word && token.text == "NOT") {
        negate = true;
      } else if (expect_name && (token.kind == Token::word || token.kind == Token::number)) {
        (negate ? control.not_styles : control.styles).push_back(token.text);
        negate = false;
        expect_name = false;
      } else if (!expect_name && token.kind == Token::bar) {
        expect_name = true;
      } else {
        error_ = "cannot read the style \"" + token.text + "\"";
        return false;
      }
    }
    if (expect_name && !field.empty()) {
      error_ = "a style list ends with '|'";
      return false;
    }
    return true;
  }

  // x, y, w, h from four fields starting at `at`.
  bool rectangle(const std::vector<std::vector<Token>>& fields, size_t at, RcControl& control) {
    int* places[] = {&control.x, &control.y, &control.w, &control.h};
    for (int k = 0; k < 4; ++k) {
      const std::optional<int> value = number(fields[at + k], "position");
      if (!value) return false;
      *places[k] = *value;
    }
    return true;
  }

 private:
  const std::map<std::string, int>& defines_;
  std::string& error_;
};

struct ControlStatement {
  const char* keyword;
  const char* kind;
  bool has_text;
  const char* align;
};

// The control statements the templates use, with what each draws.
constexpr ControlStatement CONTROL_STATEMENTS[] = {
    {"GROUPBOX", "groupbox", true, ""},  {"LTEXT", "static", true, "left"},
    {"CTEXT", "static", true, "center"}, {"RTEXT", "static", true, "right"},
    {"PUSHBUTTON", "button", true, ""},  {"DEFPUSHBUTTON", "button", true, ""},
    {"CHECKBOX", "check", true, ""},     {"RADIOBUTTON", "radio", true, ""},
    {"EDITTEXT", "edit", false, ""},     {"COMBOBOX", "combo", false, ""},
};

const ControlStatement* control_statement(const std::string& keyword) {
  for (const ControlStatement& statement : CONTROL_STATEMENTS) {
    if (keyword == statement.keyword) return &statement;
  }
  return nullptr;
}

// A statement of the form KEYWORD [text,] id, x, y, w, h [, styles].
bool read_plain_control(const ControlStatement& statement,
                        const std::vector<std::vector<Token>>& fields, StatementReader& reader,
                        RcControl& control, std::string& error) {
  const size_t first = statement.has_text ? 1 : 0;
  if (fields.size() != first + 5 && fields.size() != first + 6) {
    error = std::string(statement.keyword) + " takes " + (statement.has_text ? "text, " : "") +
            "id, x, y, width, height and styles";
    return false;
  }
  control.kind = statement.kind;
  control.align = statement.align;
  control.default_button = std::string(statement.keyword) == "DEFPUSHBUTTON";
  if (statement.has_text) {
    const std::optional<std::string> text = reader.string(fields[0], "caption");
    if (!text) return false;
    control.text = *text;
  }
  const std::optional<int> id = reader.number(fields[first], "control id");
  if (!id) return false;
  control.id = *id;
  if (!reader.rectangle(fields, first + 1, control)) return false;
  return fields.size() == first + 5 || reader.styles(fields[first + 5], control);
}

// CONTROL text, id, class, styles, x, y, w, h: only the progress bar is used.
bool read_generic_control(const std::vector<std::vector<Token>>& fields, StatementReader& reader,
                          RcControl& control, std::string& error) {
  if (fields.size() != 8) {
    error = "CONTROL takes text, id, class, styles, x, y, width and height";
    return false;
  }
  const std::optional<std::string> text = reader.string(fields[0], "caption");
  const std::optional<int> id = text ? reader.number(fields[1], "control id") : std::nullopt;
  if (!id) return false;
  const std::vector<Token>& window_class = fields[2];
  const bool progress = window_class.size() == 1 && (window_class[0].text == "PROGRESS_CLASS" ||
                                                     window_class[0].text == "msctls_progress32");
  if (!progress) {
    error = "CONTROL of class \"" + (window_class.empty() ? "" : window_class[0].text) +
            "\" is not drawn by the page";
    return false;
  }
  control.kind = "progress";
  control.text = *text;
  control.id = *id;
  return reader.styles(fields[3], control) && reader.rectangle(fields, 4, control);
}

// The text without comments; block comments may span lines, so the line count is kept.
std::string without_comments(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  bool in_string = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (in_string) {
      out += c;
      if (c == '"') in_string = false;
    } else if (c == '"') {
      in_string = true;
      out += c;
    } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '*') {
      const size_t end = text.find("*/", i + 2);
      const size_t stop = end == std::string::npos ? text.size() : end + 2;
      for (size_t k = i; k < stop; ++k)
        if (text[k] == '\n') out += '\n';
      i = stop - 1;
    } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '/') {
      while (i + 1 < text.size() && text[i + 1] != '\n') ++i;
    } else {
      if (c == '\n') in_string = false;
      out += c;
    }
  }
  return out;
}

}  // namespace

std::map<std::string, int> read_rc_defines(const std::string& text) {
  std::map<std::string, int> defines;
  std::istringstream lines(without_comments(text));
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    std::string directive, name, value;
    if (!(words >> directive >> name >> value) || directive != "#define") continue;
    char* stop = nullptr;
    const long number = std::strtol(value.c_str(), &stop, 10);
    if (*stop == '\0') defines[name] = static_cast<int>(number);
  }
  return defines;
}

bool read_rc_dialogs(const std::string& text, const std::string& file_name,
                     const std::map<std::string, int>& defines, std::vector<RcDialog>& dialogs,
                     std::string& error) {
  std::istringstream lines(without_comments(text));
  std::string line;
  int line_number = 0;
  std::string reason;
  StatementReader reader(defines, reason);
  enum { outside, header, body } place = outside;
  const auto fail = [&](const std::string& what) {
    error = file_name + ":" + std::to_string(line_number) + ": " + what;
    return false;
  };

  while (std::getline(lines, line)) {
    ++line_number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line[start] == '#') continue;
    std::vector<Token> tokens;
    if (!tokenize(line, tokens, reason)) return fail(reason);
    const std::string& keyword = tokens[0].text;

    if (place == outside) {
      if (tokens.size() < 2 || tokens[1].text != "DIALOGEX") {
        return fail("expected NAME DIALOGEX x, y, width, height");
      }
      RcDialog dialog;
      dialog.name = keyword;
      const std::optional<int> id = reader.number({tokens[0]}, "dialog");
      if (!id) return fail(reason);
      dialog.id = *id;
      const auto fields = fields_of(tokens, 2);
      RcControl size;
      if (fields.size() != 4 || !reader.rectangle(fields, 0, size)) {
        return fail("DIALOGEX takes x, y, width and height");
      }
      dialog.w = size.w;
      dialog.h = size.h;
      dialogs.push_back(dialog);
      place = header;
      continue;
    }

    RcDialog& dialog = dialogs.back();
    if (place == header) {
      const auto fields = fields_of(tokens, 1);
      if (keyword == "BEGIN") {
        place = body;
      } else if (keyword == "CAPTION") {
        const std::optional<std::string> caption =
            fields.size() == 1 ? reader.string(fields[0], "caption") : std::nullopt;
        if (!caption) return fail("CAPTION takes one quoted text");
        dialog.caption = *caption;
      } else if (keyword == "FONT") {
        const std::optional<int> size =
            fields.size() >= 2 ? reader.number(fields[0], "font size") : std::nullopt;
        const std::optional<std::string> face =
            size ? reader.string(fields[1], "font name") : std::nullopt;
        if (!face) return fail("FONT takes a size and a quoted name");
        dialog.font_size = *size;
        dialog.font_face = *face;
      } else if (keyword != "STYLE" && keyword != "EXSTYLE" && keyword != "CLASS") {
        return fail("\"" + keyword + "\" is not a dialog header statement the page knows");
      }
      continue;
    }

    if (keyword == "END") {
      place = outside;
      continue;
    }
    RcControl control;
    const auto fields = fields_of(tokens, 1);
    bool read = false;
    if (const ControlStatement* statement = control_statement(keyword)) {
      read = read_plain_control(*statement, fields, reader, control, reason);
    } else if (keyword == "CONTROL") {
      read = read_generic_control(fields, reader, control, reason);
    } else {
      reason = "\"" + keyword + "\" is not a control statement the page knows";
    }
    if (!read) return fail(reason);
    dialog.controls.push_back(control);
  }
  if (place != outside) return fail("the dialog " + dialogs.back().name + " has no END");
  return true;
}
