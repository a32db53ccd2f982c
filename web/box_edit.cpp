#include "web/box_edit.h"

#include <algorithm>
#include <optional>
#include <string_view>

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

// What a box makes of a typed character, as its styles say.
struct BoxStyles {
  explicit BoxStyles(const LayoutControl& box)
      : multiline(has_style(box, "ES_MULTILINE")),
        number(has_style(box, "ES_NUMBER")),
        uppercase(has_style(box, "ES_UPPERCASE")) {}

  // The character as the box takes it (a view of `c` itself or of a constant), or nothing when
  // the box does not take it whatever it holds; the message filter, which depends on that, is
  // asked apart.
  std::string_view piece(const char& c) const {
    if (c == '\n') return multiline ? "\r\n" : "";
    if (number && (c < '0' || c > '9')) return "";
    if (uppercase && c >= 'a' && c <= 'z') return UPPER.substr(static_cast<size_t>(c - 'a'), 1);
    return std::string_view(&c, 1);
  }

  static constexpr std::string_view UPPER = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  bool multiline, number, uppercase;
};

// The texts the message filter counts, with the edited box's kept up to date as characters go
// in. Only a box's first MESSAGE_BOX_CHARS count, so only they are copied each time.
class FilterTexts {
 public:
  FilterTexts(DialogControls& window, int box_id) : texts_(read_message_texts(window)) {
    for (int i = 0; i < MESSAGE_SLOTS; ++i) {
      if (MESSAGE_BOX_IDS[i] == box_id) slot_ = i;
    }
  }
  bool accepts(char c) const {
    return message_filter_accepts(texts_, static_cast<unsigned char>(c));
  }
  // The box now reads `before`, `typed` and `after`, one after the other.
  void update(std::string_view before, std::string_view typed, std::string_view after) {
    std::string& seen = texts_[slot_];
    seen.clear();
    for (const std::string_view part : {before, typed, after}) {
      seen.append(part.substr(0, static_cast<size_t>(MESSAGE_BOX_CHARS) - seen.size()));
    }
  }

 private:
  MessageTexts texts_;
  size_t slot_ = 0;
};

}  // namespace

size_t apply_box_edit(DialogControls& window, const LayoutControl& box, bool filtered,
                      const BoxEdit& edit) {
  std::string text = window.get_text(box.id, WHOLE_TEXT);
  const size_t from = byte_offset(text, std::min(edit.start, edit.end));
  const size_t to = byte_offset(text, std::max(edit.start, edit.end));
  if (edit.insert.empty()) {
    text.erase(from, to - from);
    window.set_text(box.id, text);
    return place_of(text, from);
  }
  const std::string_view before = std::string_view(text).substr(0, from);
  const std::string_view after = std::string_view(text).substr(to);
  const BoxStyles styles(box);
  std::optional<FilterTexts> filter;
  if (filtered) filter.emplace(window, box.id);
  // The selection goes with the first character the box takes; until then it stays.
  bool taken = false;
  std::string typed;
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
    const std::string_view piece = styles.piece(edit.insert[i]);
    if (piece.empty()) continue;
    // As the edit control counts it: the selection goes, the character comes.
    if (before.size() + typed.size() + piece.size() + after.size() > EDIT_TEXT_LIMIT) continue;
    // The filter counts the box as it is before this character, the ones before it included.
    if (filter && !filter->accepts(c)) continue;
    typed += piece;
    taken = true;
    if (filter) filter->update(before, typed, after);
  }
  if (!taken) return place_of(text, from);
  const std::string result = std::string(before) + typed + std::string(after);
  window.set_text(box.id, result);
  return place_of(result, from + typed.size());
}
