// SPDX-License-Identifier: Apache-2.0
#include "encoding/base64.h"

#include <array>

#include "core/text_scan.h"

namespace silvantrope::encoding {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr int8_t kInvalid = -1;

constexpr std::array<int8_t, 256> make_values() {
  std::array<int8_t, 256> v{};
  for (auto& x : v) x = kInvalid;
  for (int i = 0; i < 64; ++i) v[static_cast<uint8_t>(kAlphabet[i])] = static_cast<int8_t>(i);
  return v;
}
constexpr std::array<int8_t, 256> kValues = make_values();

Error malformed(std::string_view detail) { return Error::malformed_signed_note(detail); }

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Decodes text under the rules above, handing each byte to emit; emit
// returns false to stop early (everything read so far was checked). The
// callers first take every group before the last with one table pass when
// none of them holds "=" or a character outside the alphabet.
template <class Emit>
Result<size_t> scan(std::string_view text, Emit&& emit) {
  if (text.size() % 4 != 0) return malformed("base64 length is not a multiple of 4");
  if (text.empty()) return size_t{0};
  size_t trailing = 0;
  while (trailing < text.size() && text[text.size() - 1 - trailing] == '=') ++trailing;
  if (trailing >= 3) return malformed("too much base64 padding");

  size_t n = 0;
  for (size_t g = 0; g < text.size(); g += 4) {
    uint32_t acc = 0;
    int last = 0;
    for (int k = 0; k < 4; ++k) {
      const char c = text[g + k];
      acc <<= 6;
      if (c == '=') continue;
      const int8_t v = kValues[static_cast<uint8_t>(c)];
      if (v == kInvalid) return malformed("invalid base64 character");
      acc |= static_cast<uint32_t>(v);
      last = k + 1;
    }
    const uint8_t b[3] = {uint8_t(acc >> 16), uint8_t(acc >> 8), uint8_t(acc)};
    int count = 0;
    switch (last) {
      case 4: count = 3; break;
      case 3:
        if ((acc & 0xFF) != 0) return malformed("non-canonical base64");
        count = 2;
        break;
      case 2:
        if ((acc & 0xFFFF) != 0) return malformed("non-canonical base64");
        count = 1;
        break;
      default:
        return malformed("invalid base64 group");
    }
    for (int i = 0; i < count; ++i, ++n) {
      if (!emit(b[i])) return n + 1;
    }
  }
  return n;
}

}  // namespace

Result<size_t> base64_decode_to(std::string_view text, uint8_t* out) {
  uint8_t* o = out;
  // Fast path: every group before the last is four alphabet characters.
  if (text.size() % 4 == 0 && text.size() > 4 && text::all_base64(text.substr(0, text.size() - 4))) {
    const auto* g = reinterpret_cast<const uint8_t*>(text.data());
    const auto* const last = g + text.size() - 4;
    for (; g != last; g += 4, o += 3) {
      const uint32_t acc = uint32_t(kValues[g[0]]) << 18 | uint32_t(kValues[g[1]]) << 12 |
                           uint32_t(kValues[g[2]]) << 6 | uint32_t(kValues[g[3]]);
      o[0] = uint8_t(acc >> 16), o[1] = uint8_t(acc >> 8), o[2] = uint8_t(acc);
    }
    text = text.substr(text.size() - 4);
  }
  auto n = scan(text, [&](uint8_t b) { *o++ = b; return true; });
  if (!n) return std::move(n).error();
  return static_cast<size_t>(o - out);
}

Result<Bytes> base64_decode(std::string_view text) {
  Bytes out(text.size() / 4 * 3);
  auto n = base64_decode_to(text, out.data());
  if (!n) return std::move(n).error();
  out.resize(*n);
  return out;
}

Result<size_t> base64_check(std::string_view text) {
  if (text.size() % 4 == 0 && text.size() > 4) {
    const size_t body = text.size() - 4;
    if (text::all_base64(text.substr(0, body))) {
      auto tail = scan(text.substr(body), [](uint8_t) { return true; });
      if (!tail) return std::move(tail).error();
      return body / 4 * 3 + *tail;
    }
  }
  return scan(text, [](uint8_t) { return true; });
}

size_t base64_prefix(std::string_view text, uint8_t* out, size_t n) {
  size_t got = 0;
  auto r = scan(text, [&](uint8_t b) { out[got++] = b; return got < n; });
  return r ? got : 0;
}

std::string base64_encode(ByteView bytes) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const uint32_t v = (uint32_t(bytes[i]) << 16) | (uint32_t(bytes[i + 1]) << 8) | bytes[i + 2];
    for (int s = 18; s >= 0; s -= 6) out += kAlphabet[(v >> s) & 63];
  }
  const size_t rest = bytes.size() - i;
  if (rest == 1) {
    const uint32_t v = uint32_t(bytes[i]) << 16;
    out += kAlphabet[(v >> 18) & 63];
    out += kAlphabet[(v >> 12) & 63];
    out += "==";
  } else if (rest == 2) {
    const uint32_t v = (uint32_t(bytes[i]) << 16) | (uint32_t(bytes[i + 1]) << 8);
    out += kAlphabet[(v >> 18) & 63];
    out += kAlphabet[(v >> 12) & 63];
    out += kAlphabet[(v >> 6) & 63];
    out += '=';
  }
  return out;
}

Result<Bytes> hex_decode(std::string_view text) {
  Bytes out;
  out.reserve(text.size() / 2);
  for (size_t i = 0; i + 1 < text.size(); i += 2) {
    const int hi = hex_value(text[i]), lo = hex_value(text[i + 1]);
    if (hi < 0 || lo < 0) return malformed("invalid hex character");
    out.push_back(static_cast<uint8_t>(hi << 4 | lo));
  }
  // An unpaired last character is not a byte's worth of digits.
  if (text.size() % 2 != 0) return malformed("invalid hex character");
  return out;
}

}  // namespace silvantrope::encoding
