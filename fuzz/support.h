#pragma once

// Shared pieces of the fuzz harnesses: an always-on check macro, byte helpers,
// a UTF-8 checker and a model of argument lifting. The checker and the model
// are written from the wire rules directly and share no code with src/, so
// the harnesses can hold the library against them.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "silvantrope_log.h"

namespace fuzz {

[[noreturn]] inline void check_failed(const char* file, int line, const char* cond,
                                      const std::string& why) {
  std::fprintf(stderr, "%s:%d: check failed: %s\n  %s\n", file, line, cond, why.c_str());
  std::fflush(stderr);
  std::abort();
}

// Unlike assert(), never compiled out: the replay drivers are built with
// NDEBUG in the release configuration.
#define FUZZ_CHECK(cond, why)                                               \
  do {                                                                      \
    if (!(cond)) ::fuzz::check_failed(__FILE__, __LINE__, #cond, (why));    \
  } while (0)

using Bytes = std::vector<uint8_t>;

inline std::string hex(const uint8_t* p, size_t n) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  const size_t shown = n < 96 ? n : 96;
  for (size_t i = 0; i < shown; ++i) {
    out += digits[p[i] >> 4];
    out += digits[p[i] & 15];
  }
  if (shown < n) out += "...(" + std::to_string(n) + " bytes)";
  return out;
}
inline std::string hex(const Bytes& b) { return hex(b.data(), b.size()); }
inline std::string hex(std::string_view s) {
  return hex(reinterpret_cast<const uint8_t*>(s.data()), s.size());
}

inline bool starts_with(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && s.compare(0, prefix.size(), prefix) == 0;
}
inline bool ends_with(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

inline void put_be32(Bytes& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}
inline void put_be64(Bytes& out, uint64_t v) {
  for (int shift = 56; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}
inline uint32_t get_be32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}
inline void put_bytes(Bytes& out, const uint8_t* p, size_t n) {
  if (n != 0) out.insert(out.end(), p, p + n);
}
// A byte list / string as it travels: i32 length, then the bytes.
inline void put_framed(Bytes& out, const uint8_t* p, size_t n) {
  put_be32(out, static_cast<uint32_t>(n));
  put_bytes(out, p, n);
}
inline void put_framed(Bytes& out, const Bytes& b) { put_framed(out, b.data(), b.size()); }

// ---------------------------------------------------------------------------
// UTF-8, checked against the table of well-formed byte sequences (Unicode
// Table 3-7). A failure reports where the valid prefix ends and how many bytes
// the bad sequence spans (0 when the input ends inside a sequence), the way
// Rust's Utf8Error does.

struct Utf8Problem {
  size_t valid_up_to;
  unsigned error_len;  // 0: the input ended inside a sequence
};

struct LeadByte {
  unsigned length;  // 0: never a lead byte
  uint8_t second_lo;
  uint8_t second_hi;
};

inline LeadByte lead_byte(uint8_t b) {
  if (b <= 0x7F) return {1, 0, 0};
  if (b >= 0xC2 && b <= 0xDF) return {2, 0x80, 0xBF};
  if (b == 0xE0) return {3, 0xA0, 0xBF};
  if ((b >= 0xE1 && b <= 0xEC) || b == 0xEE || b == 0xEF) return {3, 0x80, 0xBF};
  if (b == 0xED) return {3, 0x80, 0x9F};
  if (b == 0xF0) return {4, 0x90, 0xBF};
  if (b >= 0xF1 && b <= 0xF3) return {4, 0x80, 0xBF};
  if (b == 0xF4) return {4, 0x80, 0x8F};
  return {0, 0, 0};
}

// Length of the well-formed sequence at p[i], or the problem found there.
inline std::optional<Utf8Problem> utf8_sequence_at(const uint8_t* p, size_t n, size_t i,
                                                   unsigned& length) {
  const LeadByte lead = lead_byte(p[i]);
  if (lead.length == 0) return Utf8Problem{i, 1};
  for (unsigned k = 1; k < lead.length; ++k) {
    if (i + k >= n) return Utf8Problem{i, 0};
    const uint8_t lo = k == 1 ? lead.second_lo : 0x80;
    const uint8_t hi = k == 1 ? lead.second_hi : 0xBF;
    if (p[i + k] < lo || p[i + k] > hi) return Utf8Problem{i, k};
  }
  length = lead.length;
  return std::nullopt;
}

inline std::optional<Utf8Problem> utf8_problem(const uint8_t* p, size_t n) {
  size_t i = 0;
  while (i < n) {
    unsigned len = 0;
    if (auto bad = utf8_sequence_at(p, n, i, len)) return bad;
    i += len;
  }
  return std::nullopt;
}
inline std::optional<Utf8Problem> utf8_problem(std::string_view s) {
  return utf8_problem(reinterpret_cast<const uint8_t*>(s.data()), s.size());
}
inline bool valid_utf8(std::string_view s) { return !utf8_problem(s); }

inline std::string utf8_problem_text(const Utf8Problem& e) {
  if (e.error_len == 0) {
    return "incomplete utf-8 byte sequence from index " + std::to_string(e.valid_up_to);
  }
  return "invalid utf-8 sequence of " + std::to_string(e.error_len) + " bytes from index " +
         std::to_string(e.valid_up_to);
}

inline void append_utf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// ---------------------------------------------------------------------------
// Argument lifting, modelled from the wire rules: every length or count is a
// big-endian i32 (negative ones rejected), list elements are read one after
// the other, an option is a 0/1 tag byte, an enum an i32 index from 1, and a
// whole buffer must be used up. Failures carry the detail text a caller sees.

struct Slice {
  size_t offset;
  size_t size;
  bool operator==(const Slice& o) const { return offset == o.offset && size == o.size; }
};

class LiftModel {
 public:
  LiftModel(const uint8_t* p, size_t n) : p_(p), n_(n) {}

  bool byte_list(Slice& out) {
    size_t count = 0;
    if (!length(count)) return false;
    const size_t start = pos_;
    // u8 elements, one at a time.
    for (size_t i = 0; i < count; ++i) {
      if (!need(1)) return false;
      ++pos_;
    }
    out = {start, count};
    return true;
  }

  bool string(Slice& out) {
    size_t size = 0;
    if (!length(size)) return false;
    if (!need(size)) return false;
    if (auto bad = utf8_problem(p_ + pos_, size)) {
      failure_ = utf8_problem_text(*bad);
      return false;
    }
    out = {pos_, size};
    pos_ += size;
    return true;
  }

  bool byte_lists(std::vector<Slice>& out) {
    size_t count = 0;
    if (!length(count)) return false;
    for (size_t i = 0; i < count; ++i) {
      Slice s{};
      if (!byte_list(s)) return false;
      out.push_back(s);
    }
    return true;
  }

  bool strings(std::vector<Slice>& out) {
    size_t count = 0;
    if (!length(count)) return false;
    for (size_t i = 0; i < count; ++i) {
      Slice s{};
      if (!string(s)) return false;
      out.push_back(s);
    }
    return true;
  }

  bool optional_byte_list(std::optional<Slice>& out) {
    if (!need(1)) return false;
    const uint8_t tag = p_[pos_++];
    if (tag == 0) {
      out.reset();
      return true;
    }
    if (tag != 1) {
      failure_ = "unexpected tag byte for Option";
      return false;
    }
    Slice s{};
    if (!byte_list(s)) return false;
    out = s;
    return true;
  }

  bool commitment_hash(int32_t& out) {
    int32_t v = 0;
    if (!i32(v)) return false;
    if (v != 1 && v != 2) {
      failure_ = "Invalid CommitmentHash enum value: " + std::to_string(v);
      return false;
    }
    out = v;
    return true;
  }

  // The whole buffer has to be consumed.
  bool finish() {
    if (pos_ == n_) return true;
    failure_ = "junk data left in buffer after lifting (count: " + std::to_string(n_ - pos_) + ")";
    return false;
  }

  const std::string& failure() const { return failure_; }

 private:
  bool need(size_t k) {
    if (n_ - pos_ >= k) return true;
    failure_ = "not enough bytes remaining in buffer (" + std::to_string(n_ - pos_) + " < " +
               std::to_string(k) + ")";
    return false;
  }

  bool i32(int32_t& v) {
    if (!need(4)) return false;
    v = static_cast<int32_t>(get_be32(p_ + pos_));
    pos_ += 4;
    return true;
  }

  bool length(size_t& out) {
    int32_t v = 0;
    if (!i32(v)) return false;
    if (v < 0) {
      failure_ = "out of range integral type conversion attempted";
      return false;
    }
    out = static_cast<size_t>(v);
    return true;
  }

  const uint8_t* p_;
  size_t n_;
  size_t pos_ = 0;
  std::string failure_;
};

// Every detail text a lift failure may carry starts with one of these.
inline bool known_lift_detail(std::string_view d) {
  static const std::string_view prefixes[] = {
      "not enough bytes remaining in buffer (",
      "out of range integral type conversion attempted",
      "unexpected tag byte for Option",
      "Invalid CommitmentHash enum value: ",
      "junk data left in buffer after lifting (count: ",
      "invalid utf-8 sequence of ",
      "incomplete utf-8 byte sequence from index ",
  };
  for (std::string_view p : prefixes) {
    if (starts_with(d, p)) return true;
  }
  return false;
}

// ---------------------------------------------------------------------------
// Context labels: application/purpose/vN, checked segment by segment.

struct LabelShape {
  uint64_t version;
};

inline std::optional<LabelShape> label_shape(std::string_view s) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  for (size_t i = 0; i <= s.size(); ++i) {
    if (i == s.size() || s[i] == '/') {
      parts.push_back(s.substr(start, i - start));
      start = i + 1;
    }
  }
  if (parts.size() != 3) return std::nullopt;
  for (int k = 0; k < 2; ++k) {
    if (parts[k].empty()) return std::nullopt;
    for (char c : parts[k]) {
      const auto b = static_cast<uint8_t>(c);
      if (b < 0x21 || b > 0x7E) return std::nullopt;
    }
  }
  const std::string_view v = parts[2];
  if (v.size() < 2 || v[0] != 'v') return std::nullopt;
  const std::string_view digits = v.substr(1);
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
  }
  if (digits.size() > 1 && digits[0] == '0') return std::nullopt;
  // Fits in 64 bits: compared as decimal text against 2^64 - 1.
  constexpr std::string_view kMax = "18446744073709551615";
  if (digits.size() > kMax.size() || (digits.size() == kMax.size() && digits > kMax)) {
    return std::nullopt;
  }
  uint64_t value = 0;
  for (char c : digits) value = value * 10 + static_cast<uint64_t>(c - '0');
  return LabelShape{value};
}

// Input carving: values read from the fuzzer's bytes; reads past the end give
// zeros, so every input drives a complete run.
class Source {
 public:
  Source(const uint8_t* p, size_t n) : p_(p), n_(n) {}
  bool empty() const { return n_ == 0; }
  uint8_t u8() {
    if (n_ == 0) return 0;
    --n_;
    return *p_++;
  }
  uint16_t u16() {
    const uint16_t hi = u8();
    return static_cast<uint16_t>((hi << 8) | u8());
  }
  uint64_t u64() {
    uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v = (v << 8) | u8();
    return v;
  }
  Bytes take(size_t k) {
    if (k > n_) k = n_;
    Bytes b(p_, p_ + k);
    p_ += k;
    n_ -= k;
    return b;
  }
  // A length byte (255: a 16-bit length follows), then that many bytes.
  Bytes payload() {
    size_t k = u8();
    if (k == 255) k = u16();
    return take(k);
  }

 private:
  const uint8_t* p_;
  size_t n_;
};

// Hands a buffer the library returned back to it; it must take it.
inline void free_returned(const RustBuffer& b, const std::string& ctx) {
  RustCallStatus st{};
  ffi_silvantrope_log_rustbuffer_free(b, &st);
  FUZZ_CHECK(st.code == 0, ctx + ": rustbuffer_free refused a returned buffer");
}

// The zero value a failed call returns.
inline bool is_zero(const RustBuffer& b) { return b.capacity == 0 && b.len == 0 && b.data == nullptr; }

}  // namespace fuzz
