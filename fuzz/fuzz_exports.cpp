// The exported C functions, called the way a foreign binding calls them:
// argument buffers are handed over (the call consumes them), every returned
// buffer is released with ffi_silvantrope_log_rustbuffer_free, and leaks or
// double frees show up under AddressSanitizer.
//
// The first input byte picks a scenario; the rest is carved into scalars and
// argument buffers. Buffers may be well formed, framed for their wire type,
// raw junk, or malformed (length over capacity, null with a size). For every
// call the expected outcome is worked out independently first:
//   - the argument that fails to lift, and the exact code-2 message;
//   - for the key-history exports, the exact bytes or hash returned;
//   - for the proofs, success exactly when an RFC 9162 verifier written here
//     accepts, and otherwise a code-1 message that the inputs justify.
// Two scenarios build valid proofs over trees of up to 2^64 - 1 leaves (most
// subtrees stand in as opaque hashes) and then tamper with them.

#include <openssl/evp.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/quote.h"
#include "silvantrope_log.h"
#include "support.h"

namespace {

using fuzz::Bytes;
using fuzz::Source;
using fuzz::free_returned;
using fuzz::is_zero;
using Hash32 = std::array<uint8_t, 32>;

constexpr uint64_t kMaxCapacity = (uint64_t{1} << 63) - 1;
constexpr std::string_view kDefaultLabel = "tarnwyk/key-history/v1";

// ---------------------------------------------------------------------------

// Small values, powers of two and their neighbours, values near 2^64, or
// anything.
uint64_t interesting_u64(Source& s) {
  const uint8_t mode = s.u8();
  switch (mode % 5) {
    case 0: return s.u8();
    case 1: return s.u64();
    case 2: {
      const uint8_t b = s.u8();
      const uint64_t base = uint64_t{1} << (b % 64);
      return base + static_cast<uint64_t>(b >> 6) - 1;  // 2^k - 1 .. 2^k + 2 (wrapping)
    }
    case 3: return std::numeric_limits<uint64_t>::max() - s.u8();
    default: return s.u16();
  }
}

// ---------------------------------------------------------------------------
// Hashing, straight from libcrypto.

const EVP_MD* md(const char* name) {
  const EVP_MD* m = EVP_MD_fetch(nullptr, name, nullptr);
  FUZZ_CHECK(m != nullptr, std::string("libcrypto lacks ") + name);
  return m;
}

Bytes digest(const EVP_MD* m, const Bytes& msg) {
  Bytes out(static_cast<size_t>(EVP_MD_get_size(m)));
  unsigned int len = 0;
  FUZZ_CHECK(EVP_Digest(msg.data(), msg.size(), out.data(), &len, m, nullptr) == 1, "EVP_Digest");
  FUZZ_CHECK(len == out.size(), "digest size");
  return out;
}

const EVP_MD* sha256_md() {
  static const EVP_MD* const m = md("SHA2-256");
  return m;
}
const EVP_MD* sha3_512_md() {
  static const EVP_MD* const m = md("SHA3-512");
  return m;
}

Hash32 node_hash(const Hash32& left, const Hash32& right) {
  uint8_t msg[65];
  msg[0] = 0x01;
  std::memcpy(msg + 1, left.data(), 32);
  std::memcpy(msg + 33, right.data(), 32);
  Hash32 out;
  unsigned int len = 0;
  FUZZ_CHECK(EVP_Digest(msg, sizeof msg, out.data(), &len, sha256_md(), nullptr) == 1, "EVP_Digest");
  return out;
}

// ---------------------------------------------------------------------------
// Argument buffers.

enum class Shape {
  Owned,        // malloc'd (or made by rustbuffer_from_bytes), len <= capacity
  Static,       // capacity 0, len 0, pointing at a byte nobody frees
  Null,         // all zero: the empty buffer
  LenOverCap,   // malformed: len > capacity
  NullWithCap,  // malformed: null data, capacity != 0
  NullWithLen,  // malformed: null data, capacity 0, len != 0
};

enum class Wire { ByteList, ByteLists, OptionalByteList, Text };

struct BufPlan {
  Shape shape = Shape::Owned;
  Bytes bytes;
  uint64_t extra = 0;  // Owned: capacity - len; malformed: how far off
  bool via_library = false;
};

struct ArgPlan {
  const char* name;
  Wire wire;
  BufPlan buf;
};

uint8_t g_static_byte;

bool malformed(Shape s) {
  return s == Shape::LenOverCap || s == Shape::NullWithCap || s == Shape::NullWithLen;
}

const char* fault_message(Shape s) {
  switch (s) {
    case Shape::LenOverCap: return "RustBuffer length exceeds capacity";
    case Shape::NullWithCap: return "null RustBuffer had non-zero capacity";
    case Shape::NullWithLen: return "null RustBuffer had non-zero length";
    default: return "";
  }
}

// What the library sees through a well-formed buffer.
const Bytes& contents(const BufPlan& b) {
  static const Bytes empty;
  return b.shape == Shape::Owned ? b.bytes : empty;
}

uint8_t* malloc_copy(const Bytes& b) {
  auto* d = static_cast<uint8_t*>(std::malloc(b.empty() ? 1 : b.size()));
  FUZZ_CHECK(d != nullptr, "out of memory");
  if (!b.empty()) std::memcpy(d, b.data(), b.size());
  return d;
}

RustBuffer materialize(const BufPlan& b) {
  const uint64_t len = b.bytes.size();
  switch (b.shape) {
    case Shape::Owned:
      if (b.via_library) {
        RustCallStatus st{};
        const ForeignBytes fb{static_cast<int32_t>(len), b.bytes.empty() ? nullptr : b.bytes.data()};
        RustBuffer r = ffi_silvantrope_log_rustbuffer_from_bytes(fb, &st);
        FUZZ_CHECK(st.code == 0, "rustbuffer_from_bytes failed");
        FUZZ_CHECK(r.len == len && r.capacity >= len && r.data != nullptr,
                   "rustbuffer_from_bytes gave a bad buffer");
        return r;
      }
      return RustBuffer{len + b.extra, len, malloc_copy(b.bytes)};
    case Shape::Static: return RustBuffer{0, 0, &g_static_byte};
    case Shape::Null: return RustBuffer{0, 0, nullptr};
    case Shape::LenOverCap: return RustBuffer{len, len + 1 + b.extra, malloc_copy(b.bytes)};
    case Shape::NullWithCap: return RustBuffer{1 + b.extra, b.extra & 1 ? 0 : b.extra, nullptr};
    case Shape::NullWithLen: return RustBuffer{0, 1 + b.extra, nullptr};
  }
  return RustBuffer{0, 0, nullptr};
}

// After the call: the library released every well-formed buffer with storage
// (capacity != 0) and nothing else; the rest is ours.
void settle(const BufPlan& b, const RustBuffer& r) {
  const bool ours = (b.shape == Shape::Owned && !b.via_library) || b.shape == Shape::LenOverCap;
  const bool released = !malformed(b.shape) && r.data != nullptr && r.capacity != 0;
  if (ours && !released) std::free(r.data);
}

// Framed (length-prefixed) bytes whose size is usually 32, the size of every
// hash the verifiers take.
Bytes hash_sized(Source& s) {
  const uint8_t b = s.u8();
  return s.take(b < 160 ? 32 : b - 160);
}

Bytes payload(Source& s) {
  size_t n = s.u8();
  if (n == 255) n = s.u16();
  return s.take(n);
}

// A well-formed encoding of the wire type, from the input.
Bytes framed_for(Source& s, Wire w) {
  Bytes out;
  switch (w) {
    case Wire::ByteList: fuzz::put_framed(out, hash_sized(s)); break;
    case Wire::ByteLists: {
      const uint32_t count = s.u8() % 72;
      fuzz::put_be32(out, count);
      for (uint32_t i = 0; i < count; ++i) fuzz::put_framed(out, hash_sized(s));
      break;
    }
    case Wire::OptionalByteList:
      if (s.u8() % 4 == 0) {
        out.push_back(0);
      } else {
        out.push_back(1);
        fuzz::put_framed(out, payload(s));
      }
      break;
    case Wire::Text: out = payload(s); break;
  }
  return out;
}

BufPlan read_buf(Source& s, Wire w) {
  const uint8_t ctrl = s.u8();
  BufPlan b;
  switch (ctrl % 16) {
    case 6: case 7: case 8: case 9:
      b.bytes = payload(s);  // raw: junk, short, negative counts...
      break;
    case 10: b.shape = Shape::Static; return b;
    case 11: b.shape = Shape::Null; return b;
    case 12: {
      b.shape = Shape::LenOverCap;
      b.bytes = payload(s);
      const uint8_t k = s.u8() % 3;
      b.extra = k == 0 ? 0 : k == 1 ? 1000 : std::numeric_limits<uint64_t>::max() - b.bytes.size() - 1;
      return b;
    }
    case 13: b.shape = Shape::NullWithCap; b.extra = s.u8(); return b;
    case 14: b.shape = Shape::NullWithLen; b.extra = s.u8(); return b;
    default: b.bytes = framed_for(s, w); break;
  }
  switch (ctrl >> 4) {
    case 12: b.extra = 1; break;
    case 13: b.extra = 7; break;
    case 14: b.extra = uint64_t{1} << 40; break;
    case 15: b.extra = std::numeric_limits<uint64_t>::max() - b.bytes.size(); break;
    case 11: b.via_library = true; break;
    default: break;
  }
  return b;
}

// ---------------------------------------------------------------------------
// The lifting phase: arguments in declaration order, each checked, then
// lifted; the first that fails decides the code-2 message.

struct LiftedArg {
  Bytes bytes;               // ByteList, Text
  std::vector<Bytes> items;  // ByteLists
  std::optional<Bytes> opt;  // OptionalByteList
};

struct LiftPrediction {
  std::optional<std::string> failure;  // the code-2 message
  std::vector<LiftedArg> args;
};

Bytes slice(const Bytes& b, const fuzz::Slice& s) {
  return Bytes(b.begin() + static_cast<std::ptrdiff_t>(s.offset),
               b.begin() + static_cast<std::ptrdiff_t>(s.offset + s.size));
}

LiftPrediction predict_lift(const std::vector<ArgPlan>& args) {
  LiftPrediction p;
  for (const ArgPlan& a : args) {
    if (malformed(a.buf.shape)) {
      p.failure = fault_message(a.buf.shape);
      return p;
    }
    const Bytes& c = contents(a.buf);
    fuzz::LiftModel m(c.data(), c.size());
    LiftedArg v;
    bool ok = true;
    switch (a.wire) {
      case Wire::Text: v.bytes = c; break;
      case Wire::ByteList: {
        fuzz::Slice s{};
        ok = m.byte_list(s) && m.finish();
        if (ok) v.bytes = slice(c, s);
        break;
      }
      case Wire::ByteLists: {
        std::vector<fuzz::Slice> items;
        ok = m.byte_lists(items) && m.finish();
        if (ok) {
          for (const auto& s : items) v.items.push_back(slice(c, s));
        }
        break;
      }
      case Wire::OptionalByteList: {
        std::optional<fuzz::Slice> s;
        ok = m.optional_byte_list(s) && m.finish();
        if (ok && s) v.opt = slice(c, *s);
        break;
      }
    }
    if (!ok) {
      p.failure = std::string("Failed to convert arg '") + a.name + "':\n" + m.failure();
      return p;
    }
    p.args.push_back(std::move(v));
  }
  return p;
}

// ---------------------------------------------------------------------------
// Calls and what came back.

enum class Export {
  VerifyInclusion,
  VerifyConsistency,
  CanonicalBytes,
  EntryHash,
  EntryHashWithContext,
  LeafHash,
};

struct Outcome {
  int8_t code = 0;
  std::string message;  // code 1: the error's message; code 2: the bare message
  Bytes value;          // the returned byte list, on success
  bool returned = false;  // a byte list came back (not the zero value)
  bool status_seen = true;
};

std::string describe(const std::vector<ArgPlan>& args) {
  std::string out;
  for (const ArgPlan& a : args) {
    out += std::string("\n  ") + a.name + ": shape " + std::to_string(static_cast<int>(a.buf.shape)) +
           " extra " + std::to_string(a.buf.extra) + (a.buf.via_library ? " (library)" : "") +
           " bytes " + fuzz::hex(a.buf.bytes);
  }
  return out;
}

// A returned byte list: i32 length, then exactly that many bytes.
Bytes take_byte_list(const RustBuffer& r, const std::string& ctx) {
  FUZZ_CHECK(r.data != nullptr && r.len <= r.capacity && r.len >= 4,
             ctx + ": returned buffer is not a byte list");
  const uint32_t n = fuzz::get_be32(r.data);
  FUZZ_CHECK(n == r.len - 4, ctx + ": returned length prefix " + std::to_string(n) +
                                 " for " + std::to_string(r.len) + " bytes");
  Bytes v(r.data + 4, r.data + r.len);
  free_returned(r, ctx);
  return v;
}

Outcome call(Export e, uint64_t a, uint64_t b, const std::vector<ArgPlan>& args, bool null_status,
             const std::string& ctx) {
  std::vector<RustBuffer> bufs;
  for (const ArgPlan& arg : args) bufs.push_back(materialize(arg.buf));
  RustCallStatus status{};
  RustCallStatus* st = null_status ? nullptr : &status;
  std::optional<RustBuffer> ret;
  switch (e) {
    case Export::VerifyInclusion:
      uniffi_silvantrope_log_fn_func_verify_inclusion(a, b, bufs[0], bufs[1], bufs[2], st);
      break;
    case Export::VerifyConsistency:
      uniffi_silvantrope_log_fn_func_verify_consistency(a, b, bufs[0], bufs[1], bufs[2], st);
      break;
    case Export::CanonicalBytes:
      ret = uniffi_silvantrope_log_fn_func_key_history_v1_canonical_bytes(a, b, bufs[0], bufs[1],
                                                                          bufs[2], bufs[3], st);
      break;
    case Export::EntryHash:
      ret = uniffi_silvantrope_log_fn_func_key_history_v1_entry_hash(a, b, bufs[0], bufs[1],
                                                                     bufs[2], bufs[3], st);
      break;
    case Export::EntryHashWithContext:
      ret = uniffi_silvantrope_log_fn_func_key_history_entry_hash_with_context(
          bufs[0], a, b, bufs[1], bufs[2], bufs[3], bufs[4], st);
      break;
    case Export::LeafHash:
      ret = uniffi_silvantrope_log_fn_func_key_history_v1_rfc6962_leaf_hash(a, b, bufs[0], bufs[1],
                                                                           bufs[2], bufs[3], st);
      break;
  }
  for (size_t i = 0; i < args.size(); ++i) settle(args[i].buf, bufs[i]);

  Outcome out;
  if (null_status) {
    // Nothing to read the code from; a result is either the zero value or a
    // proper byte list.
    out.status_seen = false;
    if (ret && !is_zero(*ret)) {
      out.value = take_byte_list(*ret, ctx);
      out.returned = true;
    }
    return out;
  }
  out.code = status.code;
  FUZZ_CHECK(out.code == 0 || out.code == 1 || out.code == 2,
             ctx + ": status code " + std::to_string(out.code));
  const RustBuffer& eb = status.error_buf;
  if (out.code == 0) {
    FUZZ_CHECK(is_zero(eb), ctx + ": error_buf set on success");
    if (ret) {
      out.value = take_byte_list(*ret, ctx);
      out.returned = true;
    }
    return out;
  }
  if (ret) FUZZ_CHECK(is_zero(*ret), ctx + ": failure did not return the zero value");
  FUZZ_CHECK(eb.data != nullptr && eb.len <= eb.capacity, ctx + ": bad error_buf");
  const Bytes raw(eb.data, eb.data + eb.len);
  free_returned(eb, ctx);
  if (out.code == 1) {
    FUZZ_CHECK(raw.size() >= 8 && raw[0] == 0 && raw[1] == 0 && raw[2] == 0 && raw[3] == 1,
               ctx + ": code-1 error_buf " + fuzz::hex(raw));
    FUZZ_CHECK(fuzz::get_be32(raw.data() + 4) == raw.size() - 8,
               ctx + ": code-1 message length prefix does not match: " + fuzz::hex(raw));
    out.message.assign(raw.begin() + 8, raw.end());
  } else {
    out.message.assign(raw.begin(), raw.end());
    FUZZ_CHECK(!out.message.empty(), ctx + ": empty code-2 message");
  }
  FUZZ_CHECK(fuzz::valid_utf8(out.message), ctx + ": message is not UTF-8: " + fuzz::hex(raw));
  return out;
}

// A code-2 message is a lift failure or a rejected buffer.
void check_code2_shape(const Outcome& o, const std::string& ctx) {
  const std::string& m = o.message;
  if (fuzz::starts_with(m, "Failed to convert arg '")) {
    const size_t nl = m.find("':\n");
    FUZZ_CHECK(nl != std::string::npos && fuzz::known_lift_detail(m.substr(nl + 3)),
               ctx + ": lift failure message \"" + m + "\"");
    return;
  }
  FUZZ_CHECK(m == fault_message(Shape::LenOverCap) || m == fault_message(Shape::NullWithCap) ||
                 m == fault_message(Shape::NullWithLen),
             ctx + ": unexpected code-2 message \"" + m + "\"");
}

// Lift failures are fully predicted; returns false when the call got past
// lifting (per the prediction) so the caller checks the rest.
bool check_lift_phase(const Outcome& o, const LiftPrediction& p, const std::string& ctx) {
  if (!o.status_seen) {
    if (p.failure) FUZZ_CHECK(!o.returned, ctx + ": a failed call returned a buffer");
    return !p.failure;
  }
  if (o.code == 2) check_code2_shape(o, ctx);
  if (p.failure) {
    FUZZ_CHECK(o.code == 2 && o.message == *p.failure,
               ctx + ": expected code 2 \"" + *p.failure + "\", got code " +
                   std::to_string(o.code) + " \"" + o.message + "\"");
    return false;
  }
  FUZZ_CHECK(o.code != 2, ctx + ": unexpected code 2 \"" + o.message + "\"");
  return true;
}

// ---------------------------------------------------------------------------
// RFC 9162 proofs, by the recursive definitions of PATH and SUBPROOF.

// The largest power of two below n (n >= 2).
uint64_t split(uint64_t n) {
  uint64_t k = 1;
  while (k < n - k) k <<= 1;
  return k;
}

bool power_of_two(uint64_t x) { return x != 0 && (x & (x - 1)) == 0; }

size_t path_length(uint64_t m, uint64_t n) {
  size_t d = 0;
  while (n > 1) {
    const uint64_t k = split(n);
    if (m < k) {
      n = k;
    } else {
      m -= k;
      n -= k;
    }
    ++d;
  }
  return d;
}

// proof[0..top) covers leaf m of a tree of n leaves; its last element is the
// sibling nearest the root.
Hash32 path_root(uint64_t m, uint64_t n, const Hash32& leaf, const std::vector<Hash32>& proof,
                 size_t top) {
  if (n == 1) return leaf;
  const uint64_t k = split(n);
  const Hash32& sibling = proof[top - 1];
  if (m < k) return node_hash(path_root(m, k, leaf, proof, top - 1), sibling);
  return node_hash(sibling, path_root(m - k, n - k, leaf, proof, top - 1));
}

size_t consistency_length(uint64_t m, uint64_t lo, uint64_t hi, bool whole_old) {
  if (m == hi) return whole_old ? 0 : 1;
  const uint64_t k = split(hi - lo);
  if (m - lo <= k) return 1 + consistency_length(m, lo, lo + k, whole_old);
  return 1 + consistency_length(m, lo + k, hi, false);
}

struct Roots {
  Hash32 old_root;
  Hash32 new_root;
};

// Walks SUBPROOF(m, D[lo:hi], whole_old), taking proof elements from the back.
bool consistency_walk(uint64_t m, uint64_t lo, uint64_t hi, bool whole_old,
                      const std::vector<Hash32>& proof, size_t& top, const Hash32& root1,
                      Roots& out) {
  if (m == hi) {
    if (whole_old) {
      out = {root1, root1};
      return true;
    }
    if (top == 0) return false;
    const Hash32 h = proof[--top];
    out = {h, h};
    return true;
  }
  if (top == 0) return false;
  const Hash32 sibling = proof[--top];
  const uint64_t k = split(hi - lo);
  Roots sub{};
  if (m - lo <= k) {
    if (!consistency_walk(m, lo, lo + k, whole_old, proof, top, root1, sub)) return false;
    out = {sub.old_root, node_hash(sub.new_root, sibling)};
  } else {
    if (!consistency_walk(m, lo + k, hi, false, proof, top, root1, sub)) return false;
    out = {node_hash(sibling, sub.old_root), node_hash(sibling, sub.new_root)};
  }
  return true;
}

std::optional<Hash32> as_hash(const Bytes& b) {
  if (b.size() != 32) return std::nullopt;
  Hash32 h;
  std::memcpy(h.data(), b.data(), 32);
  return h;
}

bool all_hashes(const std::vector<Bytes>& items, std::vector<Hash32>& out) {
  for (const Bytes& b : items) {
    auto h = as_hash(b);
    if (!h) return false;
    out.push_back(*h);
  }
  return true;
}

bool inclusion_holds(uint64_t index, uint64_t size, const Bytes& leaf,
                     const std::vector<Bytes>& proof, const Bytes& root) {
  const auto l = as_hash(leaf);
  const auto r = as_hash(root);
  std::vector<Hash32> p;
  if (!l || !r || !all_hashes(proof, p) || index >= size) return false;
  if (p.size() != path_length(index, size)) return false;
  return path_root(index, size, *l, p, p.size()) == *r;
}

bool consistency_holds(uint64_t size1, uint64_t size2, const std::vector<Bytes>& proof,
                       const Bytes& root1, const Bytes& root2) {
  const auto r1 = as_hash(root1);
  const auto r2 = as_hash(root2);
  std::vector<Hash32> p;
  if (!r1 || !r2 || !all_hashes(proof, p) || size1 == 0 || size2 < size1) return false;
  if (size1 == size2) return p.empty() && *r1 == *r2;
  size_t top = p.size();
  Roots roots{};
  if (!consistency_walk(size1, 0, size2, true, p, top, *r1, roots) || top != 0) return false;
  return roots.old_root == *r1 && roots.new_root == *r2;
}

const std::string kRootMismatch = "root mismatch: recomputed root does not match the expected root";

std::string hash_length_message(size_t got) {
  return "invalid hash length: got " + std::to_string(got) + " bytes, want 32";
}
std::string proof_size_message(uint64_t got, uint64_t want) {
  return "wrong proof size: got " + std::to_string(got) + ", want " + std::to_string(want);
}

// Code-1 messages each input can give rise to.
std::vector<std::string> hash_length_messages(std::initializer_list<const Bytes*> singles,
                                              const std::vector<Bytes>& proof) {
  std::vector<std::string> out;
  for (const Bytes* b : singles) {
    if (b->size() != 32) out.push_back(hash_length_message(b->size()));
  }
  for (const Bytes& b : proof) {
    if (b.size() != 32) out.push_back(hash_length_message(b.size()));
  }
  return out;
}

std::vector<std::string> inclusion_messages(uint64_t index, uint64_t size, const Bytes& leaf,
                                            const std::vector<Bytes>& proof, const Bytes& root) {
  auto out = hash_length_messages({&leaf, &root}, proof);
  if (index >= size) {
    out.push_back("leaf index " + std::to_string(index) + " is beyond tree size " +
                  std::to_string(size));
    return out;
  }
  const size_t want = path_length(index, size);
  if (proof.size() != want) out.push_back(proof_size_message(proof.size(), want));
  if (out.empty()) out.push_back(kRootMismatch);
  return out;
}

std::vector<std::string> consistency_messages(uint64_t size1, uint64_t size2,
                                              const std::vector<Bytes>& proof, const Bytes& root1,
                                              const Bytes& root2) {
  auto out = hash_length_messages({&root1, &root2}, proof);
  if (size2 < size1) {
    out.push_back("tree size regression: size2 (" + std::to_string(size2) + ") < size1 (" +
                  std::to_string(size1) + ")");
    return out;
  }
  if (size1 == 0) {
    out.push_back("consistency proof from an empty tree is meaningless");
    return out;
  }
  if (size1 == size2) {
    if (!proof.empty()) out.push_back("consistency proof between equal sizes must be empty");
  } else {
    const size_t want = consistency_length(size1, 0, size2, true);
    if (proof.empty()) out.push_back(proof_size_message(0, 1));
    if (proof.size() != want) out.push_back(proof_size_message(proof.size(), want));
  }
  if (out.empty()) out.push_back(kRootMismatch);
  return out;
}

void check_verdict(const Outcome& o, bool holds, const std::vector<std::string>& allowed,
                   const std::string& ctx) {
  if (!o.status_seen) return;
  if (holds) {
    FUZZ_CHECK(o.code == 0, ctx + ": a valid proof was rejected: \"" + o.message + "\"");
    return;
  }
  FUZZ_CHECK(o.code == 1, ctx + ": an invalid proof was accepted");
  bool justified = false;
  for (const std::string& m : allowed) justified = justified || m == o.message;
  std::string list;
  for (const std::string& m : allowed) list += "\n    " + m;
  FUZZ_CHECK(justified, ctx + ": message \"" + o.message + "\" is not one of:" + list);
}

std::string scalars(const char* a, uint64_t x, const char* b, uint64_t y) {
  return std::string(a) + "=" + std::to_string(x) + " " + b + "=" + std::to_string(y);
}

Outcome run_inclusion(uint64_t index, uint64_t size, const std::vector<ArgPlan>& args,
                      bool null_status) {
  const std::string ctx = "verify_inclusion " + scalars("index", index, "size", size) + describe(args);
  const LiftPrediction p = predict_lift(args);
  const Outcome o = call(Export::VerifyInclusion, index, size, args, null_status, ctx);
  if (!check_lift_phase(o, p, ctx)) return o;
  const Bytes& leaf = p.args[0].bytes;
  const std::vector<Bytes>& proof = p.args[1].items;
  const Bytes& root = p.args[2].bytes;
  check_verdict(o, inclusion_holds(index, size, leaf, proof, root),
                inclusion_messages(index, size, leaf, proof, root), ctx);
  return o;
}

Outcome run_consistency(uint64_t size1, uint64_t size2, const std::vector<ArgPlan>& args,
                        bool null_status) {
  const std::string ctx =
      "verify_consistency " + scalars("size1", size1, "size2", size2) + describe(args);
  const LiftPrediction p = predict_lift(args);
  const Outcome o = call(Export::VerifyConsistency, size1, size2, args, null_status, ctx);
  if (!check_lift_phase(o, p, ctx)) return o;
  const std::vector<Bytes>& proof = p.args[0].items;
  const Bytes& root1 = p.args[1].bytes;
  const Bytes& root2 = p.args[2].bytes;
  check_verdict(o, consistency_holds(size1, size2, proof, root1, root2),
                consistency_messages(size1, size2, proof, root1, root2), ctx);
  return o;
}

void inclusion_from_input(Source& s, bool null_status) {
  const uint64_t index = interesting_u64(s);
  const uint64_t size = interesting_u64(s);
  std::vector<ArgPlan> args{{"leaf_hash", Wire::ByteList, {}},
                            {"proof", Wire::ByteLists, {}},
                            {"root", Wire::ByteList, {}}};
  for (ArgPlan& a : args) a.buf = read_buf(s, a.wire);
  run_inclusion(index, size, args, null_status);
}

void consistency_from_input(Source& s, bool null_status) {
  const uint64_t size1 = interesting_u64(s);
  const uint64_t size2 = interesting_u64(s);
  std::vector<ArgPlan> args{{"proof", Wire::ByteLists, {}},
                            {"root1", Wire::ByteList, {}},
                            {"root2", Wire::ByteList, {}}};
  for (ArgPlan& a : args) a.buf = read_buf(s, a.wire);
  run_consistency(size1, size2, args, null_status);
}

// ---------------------------------------------------------------------------
// Valid proofs over large trees. Every subtree that is a power of two in size
// and lies wholly on one side of the point of interest (the leaf, or the old
// tree's edge) is an opaque pseudo-random hash; only the subtrees that cross
// it are opened up. That is a consistent tree of any size up to 2^64 - 1.

class LazyTree {
 public:
  // Inclusion of leaf `point`, or consistency with the tree of `point` leaves.
  LazyTree(uint64_t seed, uint64_t point, bool inclusion)
      : seed_(seed), point_(point), inclusion_(inclusion) {}

  Hash32 opaque(uint64_t lo, uint64_t hi) const {
    Hash32 h;
    uint64_t x = seed_ ^ (lo * 0x9E3779B97F4A7C15ull) ^ (hi * 0xC2B2AE3D27D4EB4Full);
    for (size_t i = 0; i < 32; i += 8) {
      x += 0x9E3779B97F4A7C15ull;
      uint64_t z = x;
      z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
      z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
      z ^= z >> 31;
      for (size_t j = 0; j < 8; ++j) h[i + j] = static_cast<uint8_t>(z >> (8 * j));
    }
    return h;
  }

  Hash32 mth(uint64_t lo, uint64_t hi) {
    const uint64_t n = hi - lo;
    if (power_of_two(n) && !opened(lo, hi)) return opaque(lo, hi);
    const auto key = std::make_pair(lo, hi);
    if (auto it = memo_.find(key); it != memo_.end()) return it->second;
    const uint64_t k = split(n);
    const Hash32 h = node_hash(mth(lo, lo + k), mth(lo + k, hi));
    memo_.emplace(key, h);
    return h;
  }

  std::vector<Hash32> path(uint64_t m, uint64_t lo, uint64_t hi) {
    if (hi - lo == 1) return {};
    const uint64_t k = split(hi - lo);
    std::vector<Hash32> p;
    if (m < lo + k) {
      p = path(m, lo, lo + k);
      p.push_back(mth(lo + k, hi));
    } else {
      p = path(m, lo + k, hi);
      p.push_back(mth(lo, lo + k));
    }
    return p;
  }

  std::vector<Hash32> subproof(uint64_t m, uint64_t lo, uint64_t hi, bool whole_old) {
    if (m == hi) return whole_old ? std::vector<Hash32>{} : std::vector<Hash32>{mth(lo, hi)};
    const uint64_t k = split(hi - lo);
    std::vector<Hash32> p;
    if (m - lo <= k) {
      p = subproof(m, lo, lo + k, whole_old);
      p.push_back(mth(lo + k, hi));
    } else {
      p = subproof(m, lo + k, hi, false);
      p.push_back(mth(lo, lo + k));
    }
    return p;
  }

 private:
  bool opened(uint64_t lo, uint64_t hi) const {
    if (inclusion_) return hi - lo > 1 && lo <= point_ && point_ < hi;
    return lo < point_ && point_ < hi;
  }

  uint64_t seed_;
  uint64_t point_;
  bool inclusion_;
  std::map<std::pair<uint64_t, uint64_t>, Hash32> memo_;
};

Bytes to_bytes(const Hash32& h) { return Bytes(h.begin(), h.end()); }

BufPlan framed_buf(const Bytes& value, bool via_library) {
  BufPlan b;
  fuzz::put_framed(b.bytes, value);
  b.via_library = via_library;
  return b;
}

BufPlan framed_list_buf(const std::vector<Hash32>& items, bool via_library) {
  BufPlan b;
  fuzz::put_be32(b.bytes, static_cast<uint32_t>(items.size()));
  for (const Hash32& h : items) fuzz::put_framed(b.bytes, to_bytes(h));
  b.via_library = via_library;
  return b;
}

void flip_bit(Hash32& h, uint8_t which) { h[(which >> 3) % 32] ^= static_cast<uint8_t>(1u << (which & 7)); }

enum class Tamper { None, ProofBit, FirstBit, SecondBit, Resize };

void inclusion_valid(Source& s) {
  uint64_t size = interesting_u64(s);
  if (size == 0) size = 1;
  const uint64_t index = interesting_u64(s) % size;
  LazyTree tree(s.u64(), index, true);
  Hash32 leaf = tree.opaque(index, index + 1);
  std::vector<Hash32> proof = tree.path(index, 0, size);
  Hash32 root = tree.mth(0, size);
  FUZZ_CHECK(proof.size() == path_length(index, size), "harness: path length");
  FUZZ_CHECK(path_root(index, size, leaf, proof, proof.size()) == root, "harness: path root");

  const uint8_t t = s.u8();
  const auto tamper = static_cast<Tamper>(t % 5);
  const uint8_t bit = s.u8();
  switch (tamper) {
    case Tamper::None: break;
    case Tamper::ProofBit:
      if (proof.empty()) {
        flip_bit(leaf, bit);
      } else {
        flip_bit(proof[s.u8() % proof.size()], bit);
      }
      break;
    case Tamper::FirstBit: flip_bit(leaf, bit); break;
    case Tamper::SecondBit: flip_bit(root, bit); break;
    case Tamper::Resize:
      if (bit & 1 && !proof.empty()) {
        proof.pop_back();
      } else {
        proof.push_back(tree.opaque(size, bit));
      }
      break;
  }
  const bool via_library = (t >> 7) != 0;
  std::vector<ArgPlan> args{{"leaf_hash", Wire::ByteList, framed_buf(to_bytes(leaf), via_library)},
                            {"proof", Wire::ByteLists, framed_list_buf(proof, via_library)},
                            {"root", Wire::ByteList, framed_buf(to_bytes(root), via_library)}};
  const Outcome o = run_inclusion(index, size, args, false);
  const std::string ctx = "valid inclusion proof, " + scalars("index", index, "size", size) +
                          " tamper " + std::to_string(t % 5);
  if (tamper == Tamper::None) {
    FUZZ_CHECK(o.code == 0, ctx + ": rejected: \"" + o.message + "\"");
  } else if (tamper != Tamper::Resize) {
    FUZZ_CHECK(o.code == 1 && o.message == kRootMismatch, ctx + ": got \"" + o.message + "\"");
  } else {
    FUZZ_CHECK(o.code == 1, ctx + ": resized proof accepted");
  }
}

void consistency_valid(Source& s) {
  uint64_t size2 = interesting_u64(s);
  if (size2 == 0) size2 = 1;
  const uint64_t size1 = 1 + interesting_u64(s) % size2;
  LazyTree tree(s.u64(), size1, false);
  std::vector<Hash32> proof = tree.subproof(size1, 0, size2, true);
  Hash32 root1 = tree.mth(0, size1);
  Hash32 root2 = tree.mth(0, size2);
  if (size1 != size2) {
    FUZZ_CHECK(proof.size() == consistency_length(size1, 0, size2, true), "harness: proof length");
  }

  const uint8_t t = s.u8();
  const auto tamper = static_cast<Tamper>(t % 5);
  const uint8_t bit = s.u8();
  switch (tamper) {
    case Tamper::None: break;
    case Tamper::ProofBit:
      if (proof.empty()) {
        flip_bit(root2, bit);
      } else {
        flip_bit(proof[s.u8() % proof.size()], bit);
      }
      break;
    case Tamper::FirstBit: flip_bit(root1, bit); break;
    case Tamper::SecondBit: flip_bit(root2, bit); break;
    case Tamper::Resize:
      if (bit & 1 && !proof.empty()) {
        proof.pop_back();
      } else {
        proof.push_back(tree.opaque(size2, bit));
      }
      break;
  }
  const bool via_library = (t >> 7) != 0;
  std::vector<ArgPlan> args{{"proof", Wire::ByteLists, framed_list_buf(proof, via_library)},
                            {"root1", Wire::ByteList, framed_buf(to_bytes(root1), via_library)},
                            {"root2", Wire::ByteList, framed_buf(to_bytes(root2), via_library)}};
  const Outcome o = run_consistency(size1, size2, args, false);
  const std::string ctx = "valid consistency proof, " + scalars("size1", size1, "size2", size2) +
                          " tamper " + std::to_string(t % 5);
  if (tamper == Tamper::None) {
    FUZZ_CHECK(o.code == 0, ctx + ": rejected: \"" + o.message + "\"");
  } else if (tamper != Tamper::Resize) {
    FUZZ_CHECK(o.code == 1 && o.message == kRootMismatch, ctx + ": got \"" + o.message + "\"");
  } else {
    FUZZ_CHECK(o.code == 1, ctx + ": resized proof accepted");
  }
}

// ---------------------------------------------------------------------------
// Key-history entries.

Bytes canonical_entry(uint64_t seq, uint64_t ts, const Bytes& x25519, const Bytes& pq,
                      const Bytes& signing, const Bytes& prev) {
  Bytes out;
  fuzz::put_be32(out, 1);
  fuzz::put_be64(out, seq);
  fuzz::put_be64(out, ts);
  for (const Bytes* f : {&x25519, &pq, &signing, &prev}) fuzz::put_framed(out, *f);
  return out;
}

Bytes context_hash(std::string_view label, const Bytes& message) {
  Bytes m;
  fuzz::put_be64(m, label.size());
  fuzz::put_bytes(m, reinterpret_cast<const uint8_t*>(label.data()), label.size());
  fuzz::put_bytes(m, message.data(), message.size());
  return digest(sha3_512_md(), m);
}

void key_history(Source& s, Export e, bool null_status) {
  const uint64_t seq = interesting_u64(s);
  const uint64_t ts = interesting_u64(s);
  std::vector<ArgPlan> args;
  const bool with_context = e == Export::EntryHashWithContext;
  if (with_context) args.push_back({"context", Wire::Text, {}});
  args.push_back({"enc_x25519", Wire::ByteList, {}});
  args.push_back({"enc_pq", Wire::ByteList, {}});
  args.push_back({"signing_pub", Wire::ByteList, {}});
  args.push_back({"prev_entry_hash", Wire::OptionalByteList, {}});
  for (ArgPlan& a : args) a.buf = read_buf(s, a.wire);

  const std::string ctx = "key history export " + std::to_string(static_cast<int>(e)) + " " +
                          scalars("seq", seq, "ts_ms", ts) + describe(args);
  const LiftPrediction p = predict_lift(args);
  const Outcome o = call(e, seq, ts, args, null_status, ctx);
  if (!check_lift_phase(o, p, ctx)) return;

  const size_t first = with_context ? 1 : 0;
  // A present but empty previous hash counts as absent.
  const Bytes prev = p.args[first + 3].opt.value_or(Bytes{});
  const Bytes canonical = canonical_entry(seq, ts, p.args[first].bytes, p.args[first + 1].bytes,
                                          p.args[first + 2].bytes, prev);
  Bytes want;
  switch (e) {
    case Export::CanonicalBytes: want = canonical; break;
    case Export::EntryHash: want = context_hash(kDefaultLabel, canonical); break;
    case Export::LeafHash: {
      Bytes m{0x00};
      fuzz::put_bytes(m, canonical.data(), canonical.size());
      want = digest(sha256_md(), m);
      break;
    }
    case Export::EntryHashWithContext: {
      const Bytes& raw = p.args[0].bytes;
      const std::string_view label(reinterpret_cast<const char*>(raw.data()), raw.size());
      if (!fuzz::label_shape(label)) {
        if (!o.status_seen) {
          FUZZ_CHECK(!o.returned, ctx + ": a malformed label gave a result");
          return;
        }
        FUZZ_CHECK(o.code == 1, ctx + ": malformed label accepted");
        FUZZ_CHECK(fuzz::starts_with(o.message, "malformed canonical leaf: context label ") &&
                       fuzz::ends_with(o.message, ": " + silvantrope::quote(label)),
                   ctx + ": message \"" + o.message + "\"");
        return;
      }
      want = context_hash(label, canonical);
      break;
    }
    default: FUZZ_CHECK(false, "not a key-history export");
  }
  FUZZ_CHECK(!o.status_seen || o.code == 0, ctx + ": failed: \"" + o.message + "\"");
  FUZZ_CHECK(o.returned, ctx + ": nothing returned");
  FUZZ_CHECK(o.value == want, ctx + ": returned " + fuzz::hex(o.value) + ", expected " + fuzz::hex(want));
}

// ---------------------------------------------------------------------------
// Buffer management exports on a small pool of live buffers.

struct Live {
  RustBuffer buf;
  Bytes contents;
};

void check_contents(const Live& l, const std::string& ctx) {
  FUZZ_CHECK(l.buf.len == l.contents.size(), ctx + ": length changed");
  if (!l.contents.empty()) {
    FUZZ_CHECK(std::memcmp(l.buf.data, l.contents.data(), l.contents.size()) == 0,
               ctx + ": contents changed");
  }
}

// Writes the whole capacity: a capacity that overstates the storage shows up
// as a heap overflow.
void scribble(Live& l, uint8_t v) {
  if (l.buf.capacity == 0) return;
  std::memset(l.buf.data, v, l.buf.capacity);
  l.contents.assign(l.buf.len, v);
}

std::string expect_fault(const RustCallStatus& st, const std::string& ctx) {
  FUZZ_CHECK(st.code == 2, ctx + ": expected code 2, got " + std::to_string(st.code));
  const RustBuffer& eb = st.error_buf;
  FUZZ_CHECK(eb.data != nullptr && eb.len <= eb.capacity, ctx + ": bad error_buf");
  std::string m(reinterpret_cast<const char*>(eb.data), eb.len);
  free_returned(eb, ctx);
  return m;
}

void runtime(Source& s) {
  std::vector<Live> pool;
  for (int step = 0; step < 16 && !s.empty(); ++step) {
    const uint8_t op = s.u8();
    const bool big = (op & 0x80) != 0;
    RustCallStatus st{};
    switch (op % 6) {
      case 0: {  // alloc
        const uint64_t size = big ? kMaxCapacity + 1 + s.u8() : s.u8();
        RustBuffer r = ffi_silvantrope_log_rustbuffer_alloc(size, &st);
        const std::string ctx = "rustbuffer_alloc(" + std::to_string(size) + ")";
        if (big) {
          FUZZ_CHECK(expect_fault(st, ctx) == "capacity overflow", ctx);
          FUZZ_CHECK(is_zero(r), ctx + ": not the zero value");
          break;
        }
        FUZZ_CHECK(st.code == 0 && is_zero(st.error_buf), ctx + ": failed");
        FUZZ_CHECK(r.data != nullptr && r.len == size && r.capacity == size, ctx + ": bad buffer");
        Live l{r, Bytes(size, 0)};
        check_contents(l, ctx + " (zero filled)");
        scribble(l, op);
        pool.push_back(std::move(l));
        break;
      }
      case 1: {  // from_bytes
        const uint8_t kind = s.u8() % 4;
        const Bytes b = payload(s);
        ForeignBytes fb{static_cast<int32_t>(b.size()), b.empty() ? nullptr : b.data()};
        static const uint8_t dummy = 0;
        if (kind == 1) fb = {0, nullptr};
        if (kind == 2) fb = {static_cast<int32_t>(1 + b.size()), nullptr};
        if (kind == 3) fb = {-1 - static_cast<int32_t>(b.size()), &dummy};
        RustBuffer r = ffi_silvantrope_log_rustbuffer_from_bytes(fb, &st);
        const std::string ctx = "rustbuffer_from_bytes(" + std::to_string(fb.len) + " bytes)";
        if (kind == 2) {
          FUZZ_CHECK(expect_fault(st, ctx) == "null ForeignBytes had non-zero length", ctx);
          FUZZ_CHECK(is_zero(r), ctx + ": not the zero value");
          break;
        }
        if (kind == 3) {
          FUZZ_CHECK(expect_fault(st, ctx) ==
                         "bytes length negative or overflowed: TryFromIntError(())", ctx);
          FUZZ_CHECK(is_zero(r), ctx + ": not the zero value");
          break;
        }
        FUZZ_CHECK(st.code == 0 && is_zero(st.error_buf), ctx + ": failed");
        FUZZ_CHECK(r.data != nullptr && r.capacity >= r.len, ctx + ": bad buffer");
        Live l{r, kind == 1 ? Bytes{} : b};
        check_contents(l, ctx);
        pool.push_back(std::move(l));
        break;
      }
      case 2: {  // reserve
        if (pool.empty()) break;
        const size_t i = s.u8() % pool.size();
        Live l = pool[i];
        pool.erase(pool.begin() + static_cast<std::ptrdiff_t>(i));
        const uint64_t additional = big ? kMaxCapacity - l.buf.len + 1 + s.u8() : s.u16();
        const std::string ctx = "rustbuffer_reserve(len " + std::to_string(l.buf.len) + ", cap " +
                                std::to_string(l.buf.capacity) + ", +" +
                                std::to_string(additional) + ")";
        RustBuffer r = ffi_silvantrope_log_rustbuffer_reserve(l.buf, additional, &st);
        if (big) {
          // The buffer was handed over and is gone.
          FUZZ_CHECK(expect_fault(st, ctx) == "capacity overflow", ctx);
          FUZZ_CHECK(is_zero(r), ctx + ": not the zero value");
          break;
        }
        FUZZ_CHECK(st.code == 0 && is_zero(st.error_buf), ctx + ": failed");
        FUZZ_CHECK(r.data != nullptr && r.len == l.buf.len && r.capacity - r.len >= additional,
                   ctx + ": bad buffer");
        l.buf = r;
        check_contents(l, ctx);
        scribble(l, op);
        pool.push_back(std::move(l));
        break;
      }
      case 3: {  // free, sometimes without a status
        if (pool.empty()) break;
        const size_t i = s.u8() % pool.size();
        ffi_silvantrope_log_rustbuffer_free(pool[i].buf, big ? nullptr : &st);
        FUZZ_CHECK(st.code == 0, "rustbuffer_free failed");
        pool.erase(pool.begin() + static_cast<std::ptrdiff_t>(i));
        break;
      }
      case 4: {  // a malformed buffer is refused, and left alone
        BufPlan b;
        b.shape = static_cast<Shape>(static_cast<int>(Shape::LenOverCap) + s.u8() % 3);
        b.bytes = s.take(s.u8() % 8);
        b.extra = s.u8();
        const RustBuffer r = materialize(b);
        const bool reserve = big;
        const std::string ctx = std::string(reserve ? "rustbuffer_reserve" : "rustbuffer_free") +
                                " of a malformed buffer (" + fault_message(b.shape) + ")";
        if (reserve) {
          const RustBuffer got = ffi_silvantrope_log_rustbuffer_reserve(r, 1, &st);
          FUZZ_CHECK(is_zero(got), ctx + ": not the zero value");
        } else {
          ffi_silvantrope_log_rustbuffer_free(r, &st);
        }
        FUZZ_CHECK(expect_fault(st, ctx) == fault_message(b.shape), ctx);
        settle(b, r);
        break;
      }
      default:
        FUZZ_CHECK(ffi_silvantrope_log_uniffi_contract_version() == 30, "contract version");
        break;
    }
  }
  for (const Live& l : pool) free_returned(l.buf, "final rustbuffer_free");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Source s(data, size);
  const uint8_t selector = s.u8();
  const bool null_status = (selector >> 4) == 0xF;
  switch (selector % 9) {
    case 0: inclusion_from_input(s, null_status); break;
    case 1: consistency_from_input(s, null_status); break;
    case 2: key_history(s, Export::CanonicalBytes, null_status); break;
    case 3: key_history(s, Export::EntryHash, null_status); break;
    case 4: key_history(s, Export::EntryHashWithContext, null_status); break;
    case 5: key_history(s, Export::LeafHash, null_status); break;
    case 6: inclusion_valid(s); break;
    case 7: consistency_valid(s); break;
    case 8: runtime(s); break;
  }
  return 0;
}
