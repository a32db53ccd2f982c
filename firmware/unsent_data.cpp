#include "firmware/unsent_data.h"

#include <algorithm>
#include <cstdio>

#include "firmware/firmware_image.h"
#include "firmware/programming_file.h"
#include "firmware/upload_worker.h"

namespace {

const char* const NEVER_SENT = "the upload never sends this part of program memory";
const char* const OUTSIDE = "outside program memory (0x0000-0x3FFF)";

struct Unsent {
  ByteRange range;
  const char* why;
};

bool address_is_uploaded(uint32_t address) {
  return block_is_uploaded(static_cast<int>(address / FIRMWARE_BLOCK_DATA));
}

// Program bytes that the file supplied for blocks the upload leaves out, as runs.
void add_never_sent(std::vector<Unsent>& unsent) {
  const auto& held = programming_file_state.held;
  for (uint32_t a = 0; a < FIRMWARE_IMAGE_BYTES; ++a) {
    if (!held.test(a) || address_is_uploaded(a)) continue;
    if (!unsent.empty() && unsent.back().range.last + 1 == a)
      unsent.back().range.last = a;
    else
      unsent.push_back({{a, a}, NEVER_SENT});
  }
}

// The bytes beyond program memory, in address order, overlapping and touching ranges merged.
void add_outside(std::vector<Unsent>& unsent) {
  std::vector<ByteRange> ranges = programming_file_state.outside;
  std::sort(ranges.begin(), ranges.end(),
            [](const ByteRange& a, const ByteRange& b) { return a.first < b.first; });
  const size_t first_outside = unsent.size();
  for (const ByteRange& r : ranges) {
    if (unsent.size() > first_outside && r.first <= unsent.back().range.last + 1)
      unsent.back().range.last = std::max(unsent.back().range.last, r.last);
    else
      unsent.push_back({r, OUTSIDE});
  }
}

std::string line_for(const Unsent& u) {
  char text[160];
  std::snprintf(text, sizeof text, "0x%04llX-0x%04llX not programmed: %s",
                static_cast<unsigned long long>(u.range.first),
                static_cast<unsigned long long>(u.range.last), u.why);
  return text;
}

}  // namespace

std::vector<std::string> unsent_data_lines(size_t shown) {
  std::vector<Unsent> unsent;
  add_never_sent(unsent);
  add_outside(unsent);
  // "and 1 more" would take a line as well: then the range itself is shown.
  const size_t lines = unsent.size() <= shown + 1 ? unsent.size() : shown;
  std::vector<std::string> text;
  for (size_t i = 0; i < lines; ++i) text.push_back(line_for(unsent[i]));
  if (lines < unsent.size()) {
    text.push_back("and " + std::to_string(unsent.size() - lines) + " more ranges not programmed");
  }
  return text;
}

bool upload_sends_file_data() {
  const auto& held = programming_file_state.held;
  for (uint32_t a = 0; a < FIRMWARE_IMAGE_BYTES; ++a) {
    if (held.test(a) && address_is_uploaded(a)) return true;
  }
  return false;
}
