#pragma once

// Models of the text encodings inside signed notes, checkpoints and key
// strings, written from the rules the library states for them and sharing no
// code with src/:
//   - standard padded base64, encoded bit by bit;
//   - the note decoder: the standard alphabet, no whitespace, a length that is
//     a multiple of 4, a trailing run of at most two "=", each "=" counting as
//     six zero bits wherever it stands, and a group that ends after fewer than
//     two symbols is malformed; the bits a short group discards must be zero;
//   - strict RFC 4648 base64 (canonical padding, zero unused bits);
//   - key-id hex (two digits per byte, either case);
//   - key names (non-empty, no "+", no Unicode White_Space).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support.h"

namespace fuzz {

inline int base64_symbol(uint8_t c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return 26 + (c - 'a');
  if (c >= '0' && c <= '9') return 52 + (c - '0');
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

inline char base64_char(unsigned v) {
  return "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/"[v & 63];
}

// Standard padded base64: a bit accumulator, then "=" up to a multiple of 4.
inline std::string base64(const uint8_t* p, size_t n) {
  std::string out;
  uint32_t acc = 0;
  int bits = 0;
  for (size_t i = 0; i < n; ++i) {
    acc = (acc << 8) | p[i];
    bits += 8;
    while (bits >= 6) {
      bits -= 6;
      out += base64_char(acc >> bits);
    }
    acc &= (1u << bits) - 1;
  }
  if (bits > 0) out += base64_char(acc << (6 - bits));
  while (out.size() % 4 != 0) out += '=';
  return out;
}
inline std::string base64(const Bytes& b) { return base64(b.data(), b.size()); }

inline std::string_view view(const Bytes& b) { return {reinterpret_cast<const char*>(b.data()), b.size()}; }
inline Bytes bytes_of(std::string_view s) { return Bytes(s.begin(), s.end()); }

// The five details a note-base64 failure may carry.
inline constexpr std::string_view kB64Length = "base64 length is not a multiple of 4";
inline constexpr std::string_view kB64Padding = "too much base64 padding";
inline constexpr std::string_view kB64Character = "invalid base64 character";
inline constexpr std::string_view kB64Group = "invalid base64 group";
inline constexpr std::string_view kB64NonCanonical = "non-canonical base64";

struct NoteBase64 {
  bool ok = false;
  Bytes bytes;                             // when ok
  std::vector<std::string_view> problems;  // every kind of problem the text has
  // ok, and every "=" belongs to the trailing run: the one form the standard
  // encoder writes, so encoding the bytes gives the text back.
  bool canonical = false;
};

inline void add_problem(NoteBase64& r, std::string_view p) {
  for (std::string_view q : r.problems) {
    if (q == p) return;
  }
  r.problems.push_back(p);
}

inline NoteBase64 note_base64(std::string_view t) {
  NoteBase64 r;
  size_t trailing = 0;
  while (trailing < t.size() && t[t.size() - 1 - trailing] == '=') ++trailing;
  if (t.size() % 4 != 0) add_problem(r, kB64Length);
  if (trailing > 2) add_problem(r, kB64Padding);
  bool equals_elsewhere = false;
  for (size_t i = 0; i < t.size(); ++i) {
    const auto c = static_cast<uint8_t>(t[i]);
    if (c == '=') {
      if (i < t.size() - trailing) equals_elsewhere = true;
    } else if (base64_symbol(c) < 0) {
      add_problem(r, kB64Character);
    }
  }
  // Whole groups only; a ragged tail is already a length problem.
  for (size_t g = 0; g + 4 <= t.size(); g += 4) {
    uint32_t value = 0;
    int symbols = 0;  // up to and including the last one that is not "="
    for (int k = 0; k < 4; ++k) {
      const auto c = static_cast<uint8_t>(t[g + k]);
      const int v = c == '=' ? 0 : base64_symbol(c) < 0 ? 0 : base64_symbol(c);
      value = value * 64 + static_cast<uint32_t>(v);
      if (c != '=') symbols = k + 1;
    }
    if (symbols < 2) {
      add_problem(r, kB64Group);
      continue;
    }
    const int keep = symbols - 1;  // bytes the group yields
    const uint32_t dropped = value & ((1u << (8 * (3 - keep))) - 1);
    if (dropped != 0) {
      add_problem(r, kB64NonCanonical);
      continue;
    }
    for (int k = 0; k < keep; ++k) r.bytes.push_back(static_cast<uint8_t>(value >> (16 - 8 * k)));
  }
  r.ok = r.problems.empty();
  if (!r.ok) r.bytes.clear();
  r.canonical = r.ok && !equals_elsewhere;
  return r;
}

// Strict RFC 4648: groups of four, "=" only as the canonical padding of the
// last group, and the bits of the last symbol past the data all zero.
inline std::optional<Bytes> strict_base64(std::string_view t) {
  if (t.size() % 4 != 0) return std::nullopt;
  size_t pad = 0;
  if (!t.empty() && t.back() == '=') pad = (t.size() >= 2 && t[t.size() - 2] == '=') ? 2 : 1;
  Bytes out;
  uint64_t acc = 0;
  int bits = 0;
  for (size_t i = 0; i + pad < t.size(); ++i) {
    const int v = base64_symbol(static_cast<uint8_t>(t[i]));
    if (v < 0) return std::nullopt;
    acc = (acc << 6) | static_cast<uint64_t>(v);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out.push_back(static_cast<uint8_t>(acc >> bits));
      acc &= (uint64_t{1} << bits) - 1;
    }
  }
  // With the length a multiple of 4, the padding leaves 2 or 3 symbols in
  // the last group, whose 4 or 2 spare bits must be zero.
  if (acc != 0) return std::nullopt;
  return out;
}

inline int hex_digit(uint8_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return 10 + c - 'a';
  if (c >= 'A' && c <= 'F') return 10 + c - 'A';
  return -1;
}

// Two hex digits per byte, nothing else.
inline std::optional<Bytes> hex_digits(std::string_view t) {
  if (t.size() % 2 != 0) return std::nullopt;
  Bytes out;
  for (size_t i = 0; i < t.size(); i += 2) {
    const int hi = hex_digit(static_cast<uint8_t>(t[i]));
    const int lo = hex_digit(static_cast<uint8_t>(t[i + 1]));
    if (hi < 0 || lo < 0) return std::nullopt;
    out.push_back(static_cast<uint8_t>(hi * 16 + lo));
  }
  return out;
}

inline std::string hex8(uint32_t v) {
  std::string s;
  for (int shift = 28; shift >= 0; shift -= 4) s += "0123456789abcdef"[(v >> shift) & 15];
  return s;
}

// Unicode White_Space.
inline bool white_space(char32_t c) {
  return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
         (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
         c == 0x3000;
}

// Non-empty, no "+", no white space among its characters; bytes that are not
// part of a well-formed UTF-8 sequence are not characters and pass.
inline bool key_name_ok(std::string_view name) {
  if (name.empty()) return false;
  const auto* p = reinterpret_cast<const uint8_t*>(name.data());
  size_t i = 0;
  while (i < name.size()) {
    unsigned len = 0;
    if (utf8_sequence_at(p, name.size(), i, len)) {
      ++i;
      continue;
    }
    char32_t c = len == 1 ? p[i] : p[i] & (0x7F >> len);
    for (unsigned k = 1; k < len; ++k) c = (c << 6) | (p[i + k] & 0x3F);
    if (c == '+' || white_space(c)) return false;
    i += len;
  }
  return true;
}

// Decimal digits of a u64, with no leading zero.
inline std::optional<uint64_t> decimal_u64(std::string_view s) {
  if (s.empty() || s.size() > 20 || (s.size() > 1 && s[0] == '0')) return std::nullopt;
  for (char c : s) {
    if (c < '0' || c > '9') return std::nullopt;
  }
  constexpr std::string_view kMax = "18446744073709551615";
  if (s.size() == kMax.size() && s > kMax) return std::nullopt;
  uint64_t v = 0;
  for (char c : s) v = v * 10 + static_cast<uint64_t>(c - '0');
  return v;
}

}  // namespace fuzz
