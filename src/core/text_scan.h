// SPDX-License-Identifier: Apache-2.0
#pragma once

// Whole-text checks at memory speed, 16 bytes at a time where SSE2 is there:
// the hot paths of note and policy parsing look at every byte of texts that
// are almost always plain ASCII.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/utf8.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace silvantrope::text {

// Whether the 16-byte passes are built. Each function takes it as its last
// argument, so the tests run the byte loops alone (what builds without SSE2
// run) on x86-64 too.
#if defined(__SSE2__)
inline constexpr bool kVectors = true;
#else
inline constexpr bool kVectors = false;
#endif

struct Scan {
  bool control = false;  // a byte below 0x20 other than the allowed ones
  bool high = false;     // a byte of 0x80 or above (so UTF-8 needs a look)
  bool del = false;      // the byte 0x7F
};

// Bytes below 0x20 are controls except "\n", and "\t" when tab_ok.
inline Scan scan(std::string_view s, bool tab_ok = false, [[maybe_unused]] bool vectors = kVectors) {
  Scan r;
  size_t i = 0;
  auto one = [&](uint8_t b) {
    r.high |= b >= 0x80;
    r.del |= b == 0x7F;
    r.control |= b < 0x20 && b != '\n' && !(tab_ok && b == '\t');
  };
#if defined(__SSE2__)
  if (vectors) {
    const __m128i space = _mm_set1_epi8(0x20), nl = _mm_set1_epi8('\n'), tab = _mm_set1_epi8('\t');
    const __m128i tab_mask = tab_ok ? _mm_set1_epi8(-1) : _mm_setzero_si128();
    __m128i high = _mm_setzero_si128(), control = _mm_setzero_si128(), del = _mm_setzero_si128();
    for (; i + 16 <= s.size(); i += 16) {
      const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s.data() + i));
      high = _mm_or_si128(high, x);  // sign bits
      // Signed compare: bytes of 0x80 and up are negative, so below 0x20 too; high catches them.
      __m128i low = _mm_andnot_si128(_mm_cmplt_epi8(x, _mm_setzero_si128()), _mm_cmplt_epi8(x, space));
      low = _mm_andnot_si128(_mm_cmpeq_epi8(x, nl), low);
      low = _mm_andnot_si128(_mm_and_si128(tab_mask, _mm_cmpeq_epi8(x, tab)), low);
      control = _mm_or_si128(control, low);
      del = _mm_or_si128(del, _mm_cmpeq_epi8(x, _mm_set1_epi8(0x7F)));
    }
    r.del = _mm_movemask_epi8(del) != 0;
    r.high = _mm_movemask_epi8(high) != 0;
    r.control = _mm_movemask_epi8(control) != 0;
  }
#endif
  for (; i < s.size(); ++i) one(static_cast<uint8_t>(s[i]));
  return r;
}

// True when every byte is in the standard base64 alphabet (no "=").
inline bool all_base64(std::string_view s, [[maybe_unused]] bool vectors = kVectors) {
  size_t i = 0;
  bool ok = true;
#if defined(__SSE2__)
  // A range [lo, lo + n) test in one signed compare: adding 0x80 - lo maps
  // the range onto [-128, -128 + n) and every other byte above it.
  auto below = [](__m128i x, uint8_t lo, int n) {
    return _mm_cmplt_epi8(_mm_add_epi8(x, _mm_set1_epi8(static_cast<char>(0x80 - lo))),
                          _mm_set1_epi8(static_cast<char>(-128 + n)));
  };
  if (vectors) {
    __m128i good = _mm_set1_epi8(-1);
    for (; i + 16 <= s.size(); i += 16) {
      const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s.data() + i));
      // Letters of either case once 0x20 is set; "/" and the digits are 0x2F-0x39.
      const __m128i letter = below(_mm_or_si128(x, _mm_set1_epi8(0x20)), 'a', 26);
      const __m128i slash_digit = below(x, '/', 11);
      const __m128i plus = _mm_cmpeq_epi8(x, _mm_set1_epi8('+'));
      good = _mm_and_si128(good, _mm_or_si128(_mm_or_si128(letter, slash_digit), plus));
    }
    ok = _mm_movemask_epi8(good) == 0xFFFF;
  }
#endif
  for (; i < s.size() && ok; ++i) {
    const char c = s[i];
    ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '/' && c <= '9') || c == '+';
  }
  return ok;
}

// The index of the first space or tab at or after from, or s.size().
inline size_t find_blank(std::string_view s, size_t from, [[maybe_unused]] bool vectors = kVectors) {
  size_t i = from;
#if defined(__SSE2__)
  const __m128i space = _mm_set1_epi8(' '), tab = _mm_set1_epi8('\t');
  for (; vectors && i + 16 <= s.size(); i += 16) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s.data() + i));
    const int m = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(x, space), _mm_cmpeq_epi8(x, tab)));
    if (m != 0) return i + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(m)));
  }
#endif
  while (i < s.size() && s[i] != ' ' && s[i] != '\t') ++i;
  return i;
}

// utf8::validate with runs of 64 and of 16 ASCII bytes skipped at once; the
// first invalid sequence, or nothing.
inline std::optional<utf8::Invalid> validate_utf8(std::string_view s, [[maybe_unused]] bool vectors = kVectors) {
  size_t i = 0;
  while (i < s.size()) {
#if defined(__SSE2__)
    if (vectors && i + 64 <= s.size()) {
      const auto* p = reinterpret_cast<const __m128i*>(s.data() + i);
      const __m128i any = _mm_or_si128(_mm_or_si128(_mm_loadu_si128(p), _mm_loadu_si128(p + 1)),
                                       _mm_or_si128(_mm_loadu_si128(p + 2), _mm_loadu_si128(p + 3)));
      if (_mm_movemask_epi8(any) == 0) {
        i += 64;
        continue;
      }
    }
    if (vectors && i + 16 <= s.size() &&
        _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s.data() + i))) == 0) {
      i += 16;
      continue;
    }
#endif
    if (static_cast<uint8_t>(s[i]) < 0x80) {
      ++i;
      continue;
    }
    const utf8::Step st = utf8::decode_at(s, i);
    if (st.invalid) return st.invalid;
    i += st.width;
  }
  return std::nullopt;
}

}  // namespace silvantrope::text
