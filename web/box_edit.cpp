#include "web/box_edit.h"

#include <algorithm>

#include "messages/message_editor.h"

namespace {

// Longer than any box's text, so that the edit sees the whole of it.
constexpr int WHOLE_TEXT = 1 << 20;

bool line_break_at(const std::string& text, size_t i) {
  return text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n';
}

// The byte offset of the page's place `place`.
size_t byte_offset(const std::string& text, size_t place) {
  size_t i = 0;
  for (size_t seen = 0; i < text.size() && seen < place; ++seen)
    i += line_break_at(text, i) ? 2 : 1;
  return i;
}

// The page's place of the byte offset `offset`.
size_t place_of(const std::string& text, size_t offset) {
  size_t place = 0;
  for (size_t i = 0; i < offset && i < text.size(); ++place) i += line_break_at(text, i) ? 2 : 1;
  return place;
}

// What the box makes of one typed character, or "" when it does not take it.
std::string typed_piece(DialogControls& window, const LayoutControl& box, bool filtered, char c) {
  const auto byte = static_cast<unsigned char>(c);
  if (c == '\n' && !has_style(box, "ES_MULTILINE")) return "";
  if (has_style(box, "ES_NUMBER") && (c < '0' || c > '9')) return "";
  if (filtered && !message_filter_accepts(window, byte)) return "";
  if (c == '\n') return "\r\n";
  if (has_style(box, "ES_UPPERCASE") && c >= 'a' && c <= 'z') return std::string(1, c - 'a' + 'A');
  return std::string(1, c);
}

}  // namespace

size_t apply_box_edit(DialogControls& window, const LayoutControl& box, bool filtered,
                      const BoxEdit& edit) {
  std::string text = window.get_text(box.id, WHOLE_TEXT);
  size_t from = byte_offset(text, std::min(edit.start, edit.end));
  size_t to = byte_offset(text, std::max(edit.start, edit.end));
  if (edit.insert.empty()) {
    text.erase(from, to - from);
    window.set_text(box.id, text);
    return place_of(text, from);
  }
  for (size_t i = 0; i < edit.insert.size(); ++i) {
    const char c = edit.insert[i];
    if (c == '\r') continue;  // a pasted CR LF is one line break, typed as its LF
    if (static_cast<unsigned char>(c) >= 0x80) {
      // One character of several bytes: refused whole, as a code above 127 is by the filter.
      while (i + 1 < edit.insert.size() &&
             (static_cast<unsigned char>(edit.insert[i + 1]) & 0xC0) == 0x80)
        ++i;
      continue;
    }
    // The filter counts the box as it is before this character, the ones before it included.
    const std::string piece = typed_piece(window, box, filtered, c);
    if (piece.empty()) continue;
    text.replace(from, to - from, piece);
    from += piece.size();
    to = from;
    window.set_text(box.id, text);
  }
  return place_of(text, from);
}
