// Build step: reads the dialog templates and writes them as a C++ source of LayoutDialog tables
// (dialog_layout.h), so that the page and the server take every control from the window's own
// templates.
//
//   generate_layouts OUTPUT.cpp control_ids.h TEMPLATE.rc...
#include <cctype>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

#include "web/rc_template.h"

namespace {

bool read_file(const std::string& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  text = buffer.str();
  return true;
}

// A C++ string literal of the text: letters, digits and spaces as they are, every other byte as
// an octal escape, which no following character can extend.
std::string literal(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (std::isalnum(byte) || c == ' ') {
      out += c;
    } else {
      char octal[8];
      std::snprintf(octal, sizeof octal, "\\%03o", byte);
      out += octal;
    }
  }
  return out + "\"";
}

std::string name_list(const std::vector<std::string>& names) {
  std::string list;
  for (const std::string& name : names) list += name + " ";
  return literal(list);
}

void write_source(std::ostream& out, const std::vector<RcDialog>& dialogs) {
  out << "// Generated from the dialog templates by generate_layouts: do not edit.\n"
         "#include \"web/dialog_layout.h\"\n\nnamespace {\n";
  for (const RcDialog& dialog : dialogs) {
    out << "constexpr LayoutControl controls_" << dialog.id << "[] = {\n";
    for (const RcControl& c : dialog.controls) {
      out << "    {" << literal(c.kind) << ", " << c.id << ", " << literal(c.text) << ", " << c.x
          << ", " << c.y << ", " << c.w << ", " << c.h << ", " << name_list(c.styles) << ", "
          << name_list(c.not_styles) << ", " << literal(c.align) << ", "
          << (c.default_button ? "true" : "false") << "},\n";
    }
    out << "};\n";
  }
  out << "constexpr LayoutDialog dialogs[] = {\n";
  for (const RcDialog& d : dialogs) {
    out << "    {" << d.id << ", " << literal(d.caption) << ", " << literal(d.font_face) << ", "
        << d.font_size << ", " << d.w << ", " << d.h << ", controls_" << d.id << "},\n";
  }
  out << "};\n}  // namespace\n\nstd::span<const LayoutDialog> dialog_layouts() { return dialogs; "
         "}\n";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::cerr << "usage: generate_layouts OUTPUT.cpp control_ids.h TEMPLATE.rc...\n";
    return 2;
  }
  std::string header;
  if (!read_file(argv[2], header)) {
    std::cerr << "generate_layouts: cannot read " << argv[2] << "\n";
    return 1;
  }
  const std::map<std::string, int> defines = read_rc_defines(header);
  std::vector<RcDialog> dialogs;
  for (int i = 3; i < argc; ++i) {
    std::string text, error;
    if (!read_file(argv[i], text)) {
      std::cerr << "generate_layouts: cannot read " << argv[i] << "\n";
      return 1;
    }
    if (!read_rc_dialogs(text, argv[i], defines, dialogs, error)) {
      std::cerr << "generate_layouts: " << error << "\n";
      return 1;
    }
  }
  std::ostringstream source;
  write_source(source, dialogs);
  std::ofstream out(argv[1], std::ios::binary);
  out << source.str();
  if (!out.flush()) {
    std::cerr << "generate_layouts: cannot write " << argv[1] << "\n";
    return 1;
  }
  return 0;
}
