// SPDX-License-Identifier: Apache-2.0
#include "core/quote.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "core/utf8.h"

namespace silvantrope {
namespace {

struct Range {
  char32_t first;
  char32_t last;
};

// Code points that are Cc, Cf, Cs, Co, Cn, Zl, Zp, Zs (except U+0020) or
// Grapheme_Extend, as sorted disjoint ranges.
constexpr Range kEscaped[] = {
#include "core/unicode_escapes.inc"
};

void append_hex_escape(std::string& out, const char* format, unsigned value) {
  char buf[16];
  std::snprintf(buf, sizeof buf, format, value);
  out += buf;
}

}  // namespace

bool needs_unicode_escape(char32_t c) {
  auto it = std::upper_bound(std::begin(kEscaped), std::end(kEscaped), c,
                             [](char32_t v, const Range& r) { return v < r.first; });
  return it != std::begin(kEscaped) && c <= std::prev(it)->last;
}

std::string quote(std::string_view whole) {
  std::string_view s = whole.substr(0, kQuotedBytesMax);
  if (s.size() < whole.size()) {
    // Back up to the start of a sequence: a cut UTF-8 character would show as \x escapes.
    size_t cut = s.size();
    for (int k = 0; k < 3 && cut > 0 && (static_cast<uint8_t>(whole[cut]) & 0xC0) == 0x80; ++k) --cut;
    if ((static_cast<uint8_t>(whole[cut]) & 0xC0) != 0x80) s = whole.substr(0, cut);
  }
  std::string out;
  out.reserve(s.size() + 32);
  out += '"';
  size_t i = 0;
  while (i < s.size()) {
    const auto b = static_cast<uint8_t>(s[i]);
    if (b >= 0x20 && b < 0x7F && b != '"' && b != '\\') {
      out += static_cast<char>(b);
      ++i;
      continue;
    }
    switch (b) {
      case '"': out += "\\\""; ++i; continue;
      case '\\': out += "\\\\"; ++i; continue;
      case '\t': out += "\\t"; ++i; continue;
      case '\r': out += "\\r"; ++i; continue;
      case '\n': out += "\\n"; ++i; continue;
      case '\0': out += "\\0"; ++i; continue;
      default: break;
    }
    const utf8::Step st = utf8::decode_at(s, i);
    if (st.invalid) {
      // The whole invalid sequence (or the truncated tail) as raw bytes.
      const size_t n = st.invalid->error_len ? *st.invalid->error_len : s.size() - i;
      for (size_t k = 0; k < n; ++k) {
        append_hex_escape(out, "\\x%02x", static_cast<uint8_t>(s[i + k]));
      }
      i += n;
      continue;
    }
    if (needs_unicode_escape(st.code_point)) {
      append_hex_escape(out, "\\u{%x}", static_cast<unsigned>(st.code_point));
    } else {
      out.append(s.substr(i, st.width));
    }
    i += st.width;
  }
  out += '"';
  if (const size_t left = whole.size() - s.size(); left > 0) {
    out += "... (" + std::to_string(left) + (left == 1 ? " more byte)" : " more bytes)");
  }
  return out;
}

}  // namespace silvantrope
