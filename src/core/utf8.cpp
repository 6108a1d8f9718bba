// SPDX-License-Identifier: Apache-2.0
#include "core/utf8.h"

namespace silvantrope::utf8 {
namespace {

uint8_t width_of(uint8_t first) {
  if (first < 0x80) return 1;
  if (first >= 0xC2 && first <= 0xDF) return 2;
  if (first >= 0xE0 && first <= 0xEF) return 3;
  if (first >= 0xF0 && first <= 0xF4) return 4;
  return 0;
}

bool is_continuation(uint8_t b) { return (b & 0xC0) == 0x80; }

// The second byte's range is narrower than 80..BF for a few lead bytes: that
// rules out overlong forms, surrogates and values above U+10FFFF.
bool second_ok(uint8_t first, uint8_t second) {
  switch (first) {
    case 0xE0: return second >= 0xA0 && second <= 0xBF;
    case 0xED: return second >= 0x80 && second <= 0x9F;
    case 0xF0: return second >= 0x90 && second <= 0xBF;
    case 0xF4: return second >= 0x80 && second <= 0x8F;
    default: return is_continuation(second);
  }
}

}  // namespace

Step decode_at(std::string_view s, size_t i) {
  auto byte = [&](size_t k) { return static_cast<uint8_t>(s[k]); };
  auto fail = [&](std::optional<uint8_t> len) { return Step{0, 0, Invalid{i, len}}; };

  const uint8_t first = byte(i);
  const uint8_t w = width_of(first);
  if (w == 1) return {first, 1, std::nullopt};
  if (w == 0) return fail(1);

  // Each following byte is checked as it is reached; running out of input
  // before a wrong byte is seen makes the sequence incomplete.
  if (i + 1 >= s.size()) return fail(std::nullopt);
  if (!second_ok(first, byte(i + 1))) return fail(1);
  for (uint8_t k = 2; k < w; ++k) {
    if (i + k >= s.size()) return fail(std::nullopt);
    if (!is_continuation(byte(i + k))) return fail(k);
  }

  char32_t cp = first & (0x7F >> w);
  for (uint8_t k = 1; k < w; ++k) cp = (cp << 6) | (byte(i + k) & 0x3F);
  return {cp, w, std::nullopt};
}

std::optional<Invalid> validate(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    if (static_cast<uint8_t>(s[i]) < 0x80) {
      ++i;
      continue;
    }
    Step st = decode_at(s, i);
    if (st.invalid) return st.invalid;
    i += st.width;
  }
  return std::nullopt;
}

std::string describe(const Invalid& e) {
  if (e.error_len) {
    return "invalid utf-8 sequence of " + std::to_string(*e.error_len) + " bytes from index " +
           std::to_string(e.valid_up_to);
  }
  return "incomplete utf-8 byte sequence from index " + std::to_string(e.valid_up_to);
}

}  // namespace silvantrope::utf8
