// SPDX-License-Identifier: Apache-2.0
#include "values.h"

#include <algorithm>

#include "input.h"
#include "usage_error.h"

namespace slog {
namespace {

int digit(char c, int base) {
  int v = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : 99;
  return v < base ? v : -1;
}

std::optional<uint64_t> number(const std::string& digits, int base, uint64_t max) {
  if (digits.empty() || (base == 10 && digits.size() > 1 && digits[0] == '0')) return std::nullopt;
  uint64_t v = 0;
  for (char c : digits) {
    const int d = digit(c, base);
    if (d < 0 || v > (max - static_cast<uint64_t>(d)) / static_cast<uint64_t>(base)) return std::nullopt;
    v = v * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
  }
  return v;
}

int base64_value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  return c == '+' ? 62 : c == '/' ? 63 : -1;
}

constexpr size_t kShownBytesMax = 256;

// The length of the UTF-8 sequence at s[i], or 0 where none starts.
size_t sequence_at(std::string_view s, size_t i) {
  const auto b = static_cast<uint8_t>(s[i]);
  const size_t n = b >= 0xC2 && b <= 0xDF ? 2 : b >= 0xE0 && b <= 0xEF ? 3 : b >= 0xF0 && b <= 0xF4 ? 4 : 0;
  return n != 0 && i + n <= s.size() && !invalid_utf8_at(s.substr(i, n)) ? n : 0;
}

}  // namespace

std::string shown(std::string_view s) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out = "'";
  size_t i = 0;
  while (i < s.size()) {
    const auto b = static_cast<uint8_t>(s[i]);
    const size_t n = b < 0x80 ? 1 : sequence_at(s, i);
    if (i + std::max<size_t>(n, 1) > kShownBytesMax) break;
    if (b == '\\' || b == '\'') {
      out += '\\';
      out += s[i];
    } else if (n == 0 || b < 0x20 || b == 0x7F) {
      out += "\\x";
      out += kHex[b >> 4];
      out += kHex[b & 15];
    } else {
      out.append(s.substr(i, n));
    }
    i += std::max<size_t>(n, 1);
  }
  out += "'";
  if (i < s.size()) out += " (" + std::to_string(s.size() - i) + " more bytes)";
  return out;
}

std::string word(std::string_view s) {
  const bool plain = !s.empty() && s.size() <= kShownBytesMax && std::all_of(s.begin(), s.end(), [](char c) {
    return c > 0x20 && c < 0x7F && c != '\'' && c != '\\';
  });
  return plain ? std::string(s) : shown(s);
}

uint64_t decimal(const std::string& s, const std::string& what, uint64_t max) {
  if (auto v = number(s, 10, max)) return *v;
  throw UsageError(what + " must be a decimal number from 0 to " + std::to_string(max) + ", got " + shown(s));
}

std::optional<uint64_t> decimal_or_none(const std::string& s, uint64_t max) { return number(s, 10, max); }

int32_t int32(const std::string& s, const std::string& what) {
  const bool negative = !s.empty() && s[0] == '-';
  if (auto v = number(negative ? s.substr(1) : s, 10, negative ? uint64_t{1} << 31 : INT32_MAX)) {
    return static_cast<int32_t>(negative ? -static_cast<int64_t>(*v) : static_cast<int64_t>(*v));
  }
  throw UsageError(what + " must be a decimal number from -2147483648 to 2147483647, got " + shown(s));
}

uint64_t id(const std::string& s, const std::string& what, uint64_t max) {
  const bool is_hex = s.rfind("0x", 0) == 0;
  if (auto v = is_hex ? number(s.substr(2), 16, max) : number(s, 10, max)) return *v;
  throw UsageError(what + " must be an id from 0 to " + std::to_string(max) + " (decimal or 0x-prefixed hex), got " +
                   shown(s));
}

Bytes hex(const std::string& s, const std::string& what) {
  Bytes out;
  for (size_t i = 0; i + 1 < s.size() && s.size() % 2 == 0; i += 2) {
    const int hi = digit(s[i], 16), lo = digit(s[i + 1], 16);
    if (hi < 0 || lo < 0) break;
    out.push_back(static_cast<uint8_t>(hi * 16 + lo));
  }
  if (out.size() * 2 != s.size()) throw UsageError(what + " is not hex: " + shown(s));
  return out;
}

std::optional<Bytes> from_base64(const std::string& s) {
  if (s.empty() || s.size() % 4 != 0) return std::nullopt;
  const size_t pad = s.size() - s.find_last_not_of('=') - 1;
  if (pad > 2) return std::nullopt;
  Bytes out;
  uint32_t acc = 0;
  for (size_t i = 0; i < s.size() - pad; ++i) {
    const int v = base64_value(s[i]);
    if (v < 0) return std::nullopt;
    acc = acc << 6 | static_cast<uint32_t>(v);
    if (i % 4 == 3) {
      for (int shift = 16; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(acc >> shift));
      acc = 0;
    }
  }
  // The last group: 2 symbols carry 1 byte and 4 unused bits, 3 carry 2 bytes
  // and 2 unused bits; the unused bits must be zero (canonical encoding).
  if (pad == 2) {
    if (acc & 0xf) return std::nullopt;
    out.push_back(static_cast<uint8_t>(acc >> 4));
  } else if (pad == 1) {
    if (acc & 0x3) return std::nullopt;
    out.push_back(static_cast<uint8_t>(acc >> 10));
    out.push_back(static_cast<uint8_t>(acc >> 2));
  }
  return out;
}

Bytes hash(const std::string& s, const std::string& what) {
  if (s.size() % 2 == 0 && s.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos) return hex(s, what);
  if (auto b = from_base64(s)) return *b;
  throw UsageError(what + " is neither hex nor standard base64: " + shown(s));
}

std::vector<Bytes> hashes(const std::vector<std::string>& values, const std::string& what) {
  std::vector<Bytes> out;
  for (const std::string& v : values) {
    for (size_t at = 0; at <= v.size();) {
      size_t end = v.find(',', at);
      if (end == std::string::npos) end = v.size();
      if (end == at) throw UsageError(what + " has an empty item: " + shown(v));
      out.push_back(hash(v.substr(at, end - at), what));
      at = end + 1;
    }
  }
  return out;
}

std::string to_hex(const Bytes& b) {
  static const char* d = "0123456789abcdef";
  std::string s;
  for (uint8_t x : b) {
    s += d[x >> 4];
    s += d[x & 15];
  }
  return s;
}

}  // namespace slog
