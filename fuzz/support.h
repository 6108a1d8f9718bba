// SPDX-License-Identifier: Apache-2.0
#pragma once
// Shared by the fuzz harnesses: checks, input carving, export call checks (see README.md).

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <type_traits>
#include <vector>

#include "core/utf8.h"
#include "silvantrope_log.h"

#define FUZZ_CHECK(c) \
  ((c) ? (void)0 : (std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #c), std::abort()))

namespace fuzz {

using Bytes = std::vector<uint8_t>;
inline bool utf8(std::string_view s) { return !silvantrope::utf8::validate(s); }
inline std::string_view text(const Bytes& b) { return {reinterpret_cast<const char*>(b.data()), b.size()}; }
inline uint32_t be32(const uint8_t* p) { return uint32_t{p[0]} << 24 | p[1] << 16 | p[2] << 8 | p[3]; }

// Error messages and lift failure details start with their kind's fixed text.
inline bool known_message(std::string_view m) {
  for (std::string_view p : {"verification failed: ", "leaf index ", "wrong proof size: ", "invalid hash length: ",
         "root mismatch: ", "consistency proof ", "tree size regression: ", "malformed canonical leaf: ",
         "malformed checkpoint: ", "malformed signed note: ", "invalid signature for known key ", "note has no ",
         "hybrid composite signature error: ", "malformed namespace: ", "malformed namespace policy: ", "vrf error: ", "vrf proof did not verify",
         "commitment did not open", "malformed coniks proof: ", "coniks proof root mismatch",
         "malformed keytrans structure: ", "keytrans proof root mismatch",
         "malformed tlog policy: line ", "malformed tlog proof: line ", "no policy log for checkpoint origin ",
         "witness quorum not met: ", "limit exceeded: ", "malformed tile: ",
         "not enough bytes remaining in buffer (", "out of range integral type conversion attempted",
         "unexpected tag byte for Option", "Invalid CommitmentHash enum value: ", "junk data left in buffer after "
         "lifting (count: ", "invalid utf-8 sequence of ", "incomplete utf-8 byte sequence from index "}) {
    if (m.starts_with(p)) return utf8(m);
  }
  return utf8(m) && m.find(" must be exactly ") != std::string_view::npos;
}

inline std::string sample(const std::string& name) {  // a file under samples/
  std::ifstream in(std::string(SILVANTROPE_SAMPLES) + "/" + name, std::ios::binary);
  return FUZZ_CHECK(in), std::string(std::istreambuf_iterator<char>(in), {});
}

// Input carving; reads past the end give zeros and short chunks.
struct Source {
  const uint8_t* p;
  size_t n;
  uint8_t u8() { return n ? (--n, *p++) : 0; }
  uint64_t u64() { uint64_t v = 0; for (int i = 0; i < 8; ++i) v = v << 8 | u8(); return v; }
  Bytes take(size_t k) { return k = std::min(k, n), p += k, n -= k, Bytes(p - k, p); }
  Bytes chunk() { const size_t high = u8(); return take(high << 8 | u8()); }  // two length bytes, then those bytes
};

inline bool is_zero(const RustBuffer& b) { return b.capacity == 0 && b.len == 0 && b.data == nullptr; }
inline void release(const RustBuffer& b) {
  RustCallStatus st{};
  ffi_silvantrope_log_rustbuffer_free(b, &st), FUZZ_CHECK(st.code == 0);
}

// An argument buffer holding b, framed as a byte list if shape bit 0; shape >> 5: 5 made by
// rustbuffer_from_bytes, 6 and 7 malformed (to be refused and left alone), else malloc'd.
inline RustBuffer arg(Bytes b, uint8_t shape = 0) {
  static uint8_t unowned;
  const size_t k = b.size();
  if (shape & 1) b.insert(b.begin(), {uint8_t(k >> 24), uint8_t(k >> 16), uint8_t(k >> 8), uint8_t(k)});
  RustCallStatus st{};
  if (shape >> 5 == 5) return ffi_silvantrope_log_rustbuffer_from_bytes({int32_t(b.size()), b.data()}, &st);
  if (shape >> 5 == 6) return {0, b.size() + 1, nullptr};
  if (shape >> 5 == 7) return {b.size(), b.size() + 1, &unowned};
  if (b.empty()) return {0, 0, nullptr};
  return {b.size(), b.size(), static_cast<uint8_t*>(std::memcpy(std::malloc(b.size()), b.data(), b.size()))};
}

// A call's status code, error message and returned byte list's contents.
struct Outcome {
  int code;
  std::string message;
  Bytes value;
  bool operator==(const Outcome&) const = default;
};

// Checks a call's status and returned byte list (if ret), then frees both.
inline Outcome settle(const RustCallStatus& st, const RustBuffer* ret = nullptr) {
  Outcome o{st.code, {}, {}};
  const RustBuffer& e = st.error_buf;
  FUZZ_CHECK(o.code >= 0 && o.code <= 2 && (o.code == 0) == is_zero(e) && (o.code == 0 || !ret || is_zero(*ret)));
  if (o.code == 0 && ret) {
    FUZZ_CHECK(ret->data && ret->len >= 4 && ret->len <= ret->capacity && be32(ret->data) == ret->len - 4);
    o.value.assign(ret->data + 4, ret->data + ret->len);
    release(*ret);
  }
  if (o.code == 0) return o;
  FUZZ_CHECK(e.data && e.len <= e.capacity);
  o.message.assign(reinterpret_cast<const char*>(e.data), e.len);
  release(e);
  const auto* m = reinterpret_cast<const uint8_t*>(o.message.data());  // code 1: i32 1, i32 length, message
  FUZZ_CHECK(o.code == 2 || (o.message.size() >= 8 && be32(m) == 1 && be32(m + 4) == o.message.size() - 8));
  if (o.code == 1) o.message.erase(0, 8);
  const size_t lift = o.message.starts_with("Failed to convert arg '") ? o.message.find("':\n") + 3 : 0;
  FUZZ_CHECK(!o.message.empty() && (o.code == 2 && !lift ? utf8(o.message) : known_message(o.message.substr(lift))));
  return o;
}

// Runs f twice: the same outcome, or the same success or failure (with a known message).
template <class F>
auto twice(F f) {
  auto a = f();
  const auto b = f();
  if constexpr (std::is_same_v<decltype(a), Outcome>) FUZZ_CHECK(a == b);
  else FUZZ_CHECK(a.has_value() == b.has_value() &&
                  (a || (a.error().message() == b.error().message() && known_message(a.error().message()))));
  return a;
}

}  // namespace fuzz
