// SPDX-License-Identifier: Apache-2.0
//
// silvantrope_log.hpp: the C ABI of silvantrope_log.h as typed C++17 calls.
//
// One function per exported verification function, with the export's name and
// arguments: text as std::string_view, byte lists as Bytes, lists as
// std::vector, records as structs. Each returns a Result<T>: the value, or an
// Error carrying the library's message. Nothing here throws on a failed
// verification; buffers the library hands out are released by RAII.
//
//   auto head = silvantrope_log::checkpoint_verify(note, keys);
//   if (!head) std::puts(head.error().message.c_str());
//   else std::printf("%s %llu\n", head->origin.c_str(), (unsigned long long)head->size);
//
// The namespace wire holds the serialization helpers the typed calls are built
// from, for callers that drive the C ABI directly.
#ifndef SILVANTROPE_LOG_HPP
#define SILVANTROPE_LOG_HPP

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "silvantrope_log.h"

namespace silvantrope_log {

using Bytes = std::vector<uint8_t>;

// A failed call: kind Verification (status code 1, the input did not verify
// or is malformed; message is the VerifyError's text) or Unexpected (code 2,
// an argument could not be lifted or an internal fault; message as given).
struct Error {
  enum class Kind { Verification = 1, Unexpected = 2 };
  Kind kind = Kind::Verification;
  std::string message;
};

// The value of a call, or its Error.
template <class T>
class [[nodiscard]] Result {
 public:
  Result(T value) : v_(std::move(value)) {}
  Result(Error error) : v_(std::move(error)) {}
  bool ok() const { return v_.index() == 0; }
  explicit operator bool() const { return ok(); }
  // Only when ok().
  const T& value() const& { return *std::get_if<0>(&v_); }
  T& value() & { return *std::get_if<0>(&v_); }
  const T* operator->() const { return std::get_if<0>(&v_); }
  const T& operator*() const { return value(); }
  // Only when !ok().
  const Error& error() const { return *std::get_if<1>(&v_); }

 private:
  std::variant<T, Error> v_;
};

template <>
class [[nodiscard]] Result<void> {
 public:
  Result() = default;
  Result(Error error) : error_(std::move(error)) {}
  bool ok() const { return !error_.has_value(); }
  explicit operator bool() const { return ok(); }
  const Error& error() const { return *error_; }

 private:
  std::optional<Error> error_;
};

// A library-owned RustBuffer, released with the buffer-free export.
class Buffer {
 public:
  Buffer() = default;
  explicit Buffer(RustBuffer b) : b_(b) {}
  Buffer(Buffer&& o) noexcept : b_(o.release()) {}
  Buffer& operator=(Buffer&& o) noexcept {
    if (this != &o) {
      reset();
      b_ = o.release();
    }
    return *this;
  }
  Buffer(const Buffer&) = delete;
  Buffer& operator=(const Buffer&) = delete;
  ~Buffer() { reset(); }

  const uint8_t* data() const { return b_.data; }
  size_t size() const { return static_cast<size_t>(b_.len); }
  Bytes bytes() const { return b_.len == 0 ? Bytes{} : Bytes(b_.data, b_.data + b_.len); }
  // Gives up ownership, for passing the buffer to a call that consumes it.
  RustBuffer release() { return std::exchange(b_, RustBuffer{0, 0, nullptr}); }
  void reset() {
    if (b_.data != nullptr || b_.capacity != 0) {
      RustCallStatus st{};
      ffi_silvantrope_log_rustbuffer_free(release(), &st);
    }
  }

 private:
  RustBuffer b_{0, 0, nullptr};
};

// Records and enumerations. Enumerations carry their 1-based wire index.

struct CheckpointHead {
  std::string origin;
  uint64_t size = 0;
  Bytes root;
  std::vector<std::string> extensions;
};

struct SearchResult {
  bool present = false;
  std::optional<Bytes> value;
};

enum class SecurityLevel : int32_t { Cat3 = 1, Cat5 };
enum class CheckpointSuite : int32_t { Hybrid = 1, HybridMatched, PureCnsa2 };
enum class CommitmentHash : int32_t { Sha3_256 = 1, Sha3_512 };
enum class VrfMode : int32_t { Classical = 1, HybridOutput, PurePqExperimental };
enum class DirectoryMode : int32_t { Coniks = 1, Keytrans };
enum class KeytransSuite : int32_t { SilvantropeHybridExp = 1, Kt128Sha256Ed25519, Kt128Sha256P256 };

struct PolicyPosture {
  std::string namespace_;
  uint32_t policy_schema_version = 0;
  SecurityLevel security_level{};
  CheckpointSuite checkpoint_suite{};
  CommitmentHash commitment_hash{};
  VrfMode vrf_mode{};
  DirectoryMode directory_mode{};
  KeytransSuite keytrans_suite{};
  uint64_t effective_from = 0;
  uint64_t created_at = 0;
  Bytes policy_hash;
  Bytes rfc6962_leaf_hash;
};

namespace detail {
template <class E, size_t N>
const char* enum_name(E e, const char* const (&names)[N]) {
  const auto i = static_cast<int32_t>(e);
  return i >= 1 && static_cast<size_t>(i) <= N ? names[i - 1] : "?";
}
}  // namespace detail

// The variant names, as the interface description declares them.
inline const char* name(SecurityLevel e) { return detail::enum_name(e, {"Cat3", "Cat5"}); }
inline const char* name(CheckpointSuite e) { return detail::enum_name(e, {"Hybrid", "HybridMatched", "PureCnsa2"}); }
inline const char* name(CommitmentHash e) { return detail::enum_name(e, {"Sha3_256", "Sha3_512"}); }
inline const char* name(VrfMode e) { return detail::enum_name(e, {"Classical", "HybridOutput", "PurePqExperimental"}); }
inline const char* name(DirectoryMode e) { return detail::enum_name(e, {"Coniks", "Keytrans"}); }
inline const char* name(KeytransSuite e) {
  return detail::enum_name(e, {"SilvantropeHybridExp", "Kt128Sha256Ed25519", "Kt128Sha256P256"});
}

// C2SP tlog-policy files and tlog-proof@v1. policy and proof are the files'
// text; only cosignatures at or after not_before (POSIX seconds) count.

struct TlogPolicy {
  std::vector<std::string> logs;       // log key names, in file order
  std::vector<std::string> witnesses;  // witness names
  std::vector<std::string> groups;     // group names
  std::string quorum;
};

struct Cosignature {
  std::string witness;
  uint64_t timestamp = 0;
};

struct VerifiedCheckpoint {
  CheckpointHead head;
  std::vector<Cosignature> cosignatures;  // every policy witness that cosigned, with its latest timestamp
};

struct VerifiedProof {
  uint64_t index = 0;
  std::optional<Bytes> extra;
  VerifiedCheckpoint checkpoint;
};

// C2SP tlog-tiles: a tile as fetched, under its URL path ("tile/1/x001/234.p/7").
struct Tile {
  std::string path;
  Bytes data;
};

namespace wire {

// Big-endian serialization of argument values.
class Encoder {
 public:
  Encoder& u8(uint8_t v) {
    out_.push_back(v);
    return *this;
  }
  Encoder& i32(int32_t v) {
    for (int s = 24; s >= 0; s -= 8) out_.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> s));
    return *this;
  }
  Encoder& raw(const void* p, size_t n) {
    const auto* b = static_cast<const uint8_t*>(p);
    out_.insert(out_.end(), b, b + n);
    return *this;
  }
  Encoder& byte_list(const Bytes& b) { return i32(static_cast<int32_t>(b.size())).raw(b.data(), b.size()); }
  Encoder& string(std::string_view s) { return i32(static_cast<int32_t>(s.size())).raw(s.data(), s.size()); }
  const Bytes& bytes() const { return out_; }

 private:
  Bytes out_;
};

// A library buffer holding a copy of n bytes (n at most 2^31 - 1).
inline RustBuffer make_buffer(const void* data, size_t n) {
  RustCallStatus st{};
  return ffi_silvantrope_log_rustbuffer_from_bytes(
      ForeignBytes{static_cast<int32_t>(n), static_cast<const uint8_t*>(data)}, &st);
}
inline RustBuffer make_buffer(const Bytes& b) { return make_buffer(b.data(), b.size()); }

inline RustBuffer text(std::string_view s) { return make_buffer(s.data(), s.size()); }
inline RustBuffer byte_list(const Bytes& b) { return make_buffer(Encoder().byte_list(b).bytes()); }
inline RustBuffer list_of_byte_lists(const std::vector<Bytes>& items) {
  Encoder e;
  e.i32(static_cast<int32_t>(items.size()));
  for (const Bytes& b : items) e.byte_list(b);
  return make_buffer(e.bytes());
}
inline RustBuffer list_of_strings(const std::vector<std::string>& items) {
  Encoder e;
  e.i32(static_cast<int32_t>(items.size()));
  for (const std::string& s : items) e.string(s);
  return make_buffer(e.bytes());
}
inline RustBuffer list_of_tiles(const std::vector<Tile>& tiles) {
  Encoder e;
  e.i32(static_cast<int32_t>(tiles.size()));
  for (const Tile& t : tiles) e.string(t.path).byte_list(t.data);
  return make_buffer(e.bytes());
}
inline RustBuffer optional_bytes(const std::optional<Bytes>& b) {
  Encoder e;
  b ? e.u8(1).byte_list(*b) : e.u8(0);
  return make_buffer(e.bytes());
}
inline RustBuffer commitment_hash(CommitmentHash h) {
  return make_buffer(Encoder().i32(static_cast<int32_t>(h)).bytes());
}

inline void free_buffer(RustBuffer b) { Buffer{b}.reset(); }
inline Bytes contents(const RustBuffer& b) { return b.len == 0 ? Bytes{} : Bytes(b.data, b.data + b.len); }

// The Error a status reports, releasing its error buffer; none for code 0.
inline std::optional<Error> status_error(RustCallStatus& st) {
  if (st.code == 0) return std::nullopt;
  const Bytes e = Buffer(std::exchange(st.error_buf, RustBuffer{0, 0, nullptr})).bytes();
  Error error{st.code == 1 ? Error::Kind::Verification : Error::Kind::Unexpected, {}};
  size_t skip = 0;
  if (st.code == 1) {  // variant index 1, then the length-prefixed message
    const bool well_formed = e.size() >= 8 && e[0] == 0 && e[1] == 0 && e[2] == 0 && e[3] == 1 &&
                             ((size_t{e[4]} << 24) | (size_t{e[5]} << 16) | (size_t{e[6]} << 8) | e[7]) == e.size() - 8;
    if (!well_formed) return Error{Error::Kind::Unexpected, "malformed VerifyError buffer"};
    skip = 8;
  }
  error.message.assign(e.begin() + static_cast<std::ptrdiff_t>(skip), e.end());
  return error;
}

// A cursor over a result's serialization; a short or over-long result marks
// it bad instead of reading past the end.
class Decoder {
 public:
  explicit Decoder(const Bytes& b) : b_(b) {}
  uint8_t u8() { return need(1) ? b_[pos_++] : 0; }
  uint32_t u32() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = v << 8 | u8();
    return v;
  }
  uint64_t u64() {
    const uint64_t hi = u32();
    return hi << 32 | u32();
  }
  Bytes byte_list() {
    const uint32_t n = u32();
    if (!need(n)) return {};
    Bytes out(b_.begin() + static_cast<std::ptrdiff_t>(pos_), b_.begin() + static_cast<std::ptrdiff_t>(pos_ + n));
    pos_ += n;
    return out;
  }
  std::string string() {
    const Bytes raw = byte_list();
    return std::string(raw.begin(), raw.end());
  }
  bool tag() {
    const uint8_t t = u8();
    bad_ |= t > 1;
    return t == 1;
  }
  // Whether the whole result was read, and nothing more.
  bool finished() const { return !bad_ && pos_ == b_.size(); }
  bool bad() const { return bad_; }

 private:
  bool need(size_t n) {
    bad_ |= b_.size() - pos_ < n;
    return !bad_;
  }
  const Bytes& b_;
  size_t pos_ = 0;
  bool bad_ = false;
};

inline void read(Decoder& d, Bytes& v) { v = d.byte_list(); }
inline void read(Decoder& d, CheckpointHead& h) {
  h.origin = d.string();
  h.size = d.u64();
  h.root = d.byte_list();
  h.extensions.clear();
  for (uint32_t n = d.u32(); n > 0 && !d.bad(); --n) h.extensions.push_back(d.string());
}
inline void read(Decoder& d, SearchResult& r) {
  r.present = d.tag();
  if (d.tag()) r.value = d.byte_list();
}
inline void read(Decoder& d, PolicyPosture& p) {
  p.namespace_ = d.string();
  p.policy_schema_version = d.u32();
  p.security_level = static_cast<SecurityLevel>(d.u32());
  p.checkpoint_suite = static_cast<CheckpointSuite>(d.u32());
  p.commitment_hash = static_cast<CommitmentHash>(d.u32());
  p.vrf_mode = static_cast<VrfMode>(d.u32());
  p.directory_mode = static_cast<DirectoryMode>(d.u32());
  p.keytrans_suite = static_cast<KeytransSuite>(d.u32());
  p.effective_from = d.u64();
  p.created_at = d.u64();
  p.policy_hash = d.byte_list();
  p.rfc6962_leaf_hash = d.byte_list();
}

inline void read(Decoder& d, std::vector<std::string>& v) {
  v.clear();
  for (uint32_t n = d.u32(); n > 0 && !d.bad(); --n) v.push_back(d.string());
}
inline void read(Decoder& d, std::vector<Bytes>& v) {
  v.clear();
  for (uint32_t n = d.u32(); n > 0 && !d.bad(); --n) v.push_back(d.byte_list());
}
inline void read(Decoder& d, TlogPolicy& p) {
  read(d, p.logs);
  read(d, p.witnesses);
  read(d, p.groups);
  p.quorum = d.string();
}
inline void read(Decoder& d, VerifiedCheckpoint& v) {
  read(d, v.head);
  v.cosignatures.clear();
  for (uint32_t n = d.u32(); n > 0 && !d.bad(); --n) {
    Cosignature c;
    c.witness = d.string();
    c.timestamp = d.u64();
    v.cosignatures.push_back(std::move(c));
  }
}
inline void read(Decoder& d, VerifiedProof& p) {
  p.index = d.u64();
  if (d.tag()) p.extra = d.byte_list();
  read(d, p.checkpoint);
}

}  // namespace wire

namespace detail {

constexpr size_t kMaxLength = 2147483647;  // a signed 32-bit length

inline bool fits(size_t n) { return n <= kMaxLength; }
inline bool fits(const Bytes& b) { return fits(b.size()); }
inline bool fits(std::string_view s) { return fits(s.size()); }
template <class T>
bool fits(const std::vector<T>& items) {
  size_t total = 4;
  for (const T& item : items) {
    if (!fits(item)) return false;
    total += 4 + item.size();
  }
  return fits(items.size()) && fits(total);
}
template <class T>
bool fits(const std::optional<T>& v) {
  return !v || fits(*v);
}

inline bool fits(const std::vector<Tile>& tiles) {
  size_t total = 4;
  for (const Tile& t : tiles) {
    if (!fits(t.path) || !fits(t.data)) return false;
    total += 8 + t.path.size() + t.data.size();
  }
  return fits(tiles.size()) && fits(total);
}

inline Error too_large() {
  return Error{Error::Kind::Unexpected, "an argument exceeds 2147483647 bytes, the most a RustBuffer can carry"};
}

// The outcome of a call without a result.
inline Result<void> finish(RustCallStatus& st) {
  if (auto e = wire::status_error(st)) return *e;
  return {};
}

// The outcome of a call returning a buffer holding a T.
template <class T>
Result<T> finish(RustCallStatus& st, RustBuffer returned) {
  Buffer owned(returned);
  if (auto e = wire::status_error(st)) return *e;
  const Bytes raw = owned.bytes();
  wire::Decoder d(raw);
  T value{};
  wire::read(d, value);
  if (!d.finished()) return Error{Error::Kind::Unexpected, "malformed result buffer"};
  return value;
}

}  // namespace detail

// The interface: contract version and checksums against this header's.

inline uint32_t contract_version() { return ffi_silvantrope_log_uniffi_contract_version(); }

struct Checksum {
  const char* function;
  uint16_t expected;  // the constant this header was written with
  uint16_t library;   // what the loaded library returns
};

inline std::vector<Checksum> interface_checksums() {
#define SILVANTROPE_LOG_HPP_CHECKSUM(fn, value) Checksum{#fn, value, uniffi_silvantrope_log_checksum_func_##fn()},
  return {SILVANTROPE_LOG_CHECKSUMS(SILVANTROPE_LOG_HPP_CHECKSUM)};
#undef SILVANTROPE_LOG_HPP_CHECKSUM
}

// Whether the loaded library speaks the interface this header describes.
inline bool interface_matches() {
  for (const Checksum& c : interface_checksums()) {
    if (c.expected != c.library) return false;
  }
  return contract_version() == 30;
}

// RFC 6962 proofs.

inline Result<void> verify_inclusion(uint64_t index, uint64_t size, const Bytes& leaf_hash,
                                     const std::vector<Bytes>& proof, const Bytes& root) {
  if (!detail::fits(leaf_hash) || !detail::fits(proof) || !detail::fits(root)) return detail::too_large();
  RustCallStatus st{};
  uniffi_silvantrope_log_fn_func_verify_inclusion(index, size, wire::byte_list(leaf_hash),
                                                  wire::list_of_byte_lists(proof), wire::byte_list(root), &st);
  return detail::finish(st);
}

inline Result<void> verify_consistency(uint64_t size1, uint64_t size2, const std::vector<Bytes>& proof,
                                       const Bytes& root1, const Bytes& root2) {
  if (!detail::fits(proof) || !detail::fits(root1) || !detail::fits(root2)) return detail::too_large();
  RustCallStatus st{};
  uniffi_silvantrope_log_fn_func_verify_consistency(size1, size2, wire::list_of_byte_lists(proof),
                                                    wire::byte_list(root1), wire::byte_list(root2), &st);
  return detail::finish(st);
}

// Key-history entries. An absent prev_entry_hash marks the genesis entry.

namespace detail {
using KeyHistoryExport = RustBuffer (*)(uint64_t, uint64_t, RustBuffer, RustBuffer, RustBuffer, RustBuffer,
                                        RustCallStatus*);
inline Result<Bytes> key_history(KeyHistoryExport call, uint64_t seq, uint64_t ts_ms, const Bytes& enc_x25519,
                                 const Bytes& enc_pq, const Bytes& signing_pub,
                                 const std::optional<Bytes>& prev_entry_hash) {
  if (!fits(enc_x25519) || !fits(enc_pq) || !fits(signing_pub) || !fits(prev_entry_hash)) return too_large();
  RustCallStatus st{};
  RustBuffer r = call(seq, ts_ms, wire::byte_list(enc_x25519), wire::byte_list(enc_pq), wire::byte_list(signing_pub),
                      wire::optional_bytes(prev_entry_hash), &st);
  return finish<Bytes>(st, r);
}
}  // namespace detail

inline Result<Bytes> key_history_v1_canonical_bytes(uint64_t seq, uint64_t ts_ms, const Bytes& enc_x25519,
                                                    const Bytes& enc_pq, const Bytes& signing_pub,
                                                    const std::optional<Bytes>& prev_entry_hash) {
  return detail::key_history(uniffi_silvantrope_log_fn_func_key_history_v1_canonical_bytes, seq, ts_ms, enc_x25519,
                             enc_pq, signing_pub, prev_entry_hash);
}

inline Result<Bytes> key_history_v1_entry_hash(uint64_t seq, uint64_t ts_ms, const Bytes& enc_x25519,
                                               const Bytes& enc_pq, const Bytes& signing_pub,
                                               const std::optional<Bytes>& prev_entry_hash) {
  return detail::key_history(uniffi_silvantrope_log_fn_func_key_history_v1_entry_hash, seq, ts_ms, enc_x25519,
                             enc_pq, signing_pub, prev_entry_hash);
}

inline Result<Bytes> key_history_v1_rfc6962_leaf_hash(uint64_t seq, uint64_t ts_ms, const Bytes& enc_x25519,
                                                      const Bytes& enc_pq, const Bytes& signing_pub,
                                                      const std::optional<Bytes>& prev_entry_hash) {
  return detail::key_history(uniffi_silvantrope_log_fn_func_key_history_v1_rfc6962_leaf_hash, seq, ts_ms,
                             enc_x25519, enc_pq, signing_pub, prev_entry_hash);
}

inline Result<Bytes> key_history_entry_hash_with_context(std::string_view context, uint64_t seq, uint64_t ts_ms,
                                                         const Bytes& enc_x25519, const Bytes& enc_pq,
                                                         const Bytes& signing_pub,
                                                         const std::optional<Bytes>& prev_entry_hash) {
  if (!detail::fits(context) || !detail::fits(enc_x25519) || !detail::fits(enc_pq) || !detail::fits(signing_pub) ||
      !detail::fits(prev_entry_hash))
    return detail::too_large();
  RustCallStatus st{};
  RustBuffer r = uniffi_silvantrope_log_fn_func_key_history_entry_hash_with_context(
      wire::text(context), seq, ts_ms, wire::byte_list(enc_x25519), wire::byte_list(enc_pq),
      wire::byte_list(signing_pub), wire::optional_bytes(prev_entry_hash), &st);
  return detail::finish<Bytes>(st, r);
}

// Signed notes and checkpoints. Verifier keys are "name+id+base64" strings.

inline Result<uint32_t> verify_signed_note(std::string_view note_text, const std::vector<std::string>& vkeys) {
  if (!detail::fits(note_text) || !detail::fits(vkeys)) return detail::too_large();
  RustCallStatus st{};
  const uint32_t n =
      uniffi_silvantrope_log_fn_func_verify_signed_note(wire::text(note_text), wire::list_of_strings(vkeys), &st);
  if (auto e = wire::status_error(st)) return *e;
  return n;
}

inline Result<CheckpointHead> checkpoint_verify(std::string_view note_text, const std::vector<std::string>& vkeys) {
  if (!detail::fits(note_text) || !detail::fits(vkeys)) return detail::too_large();
  RustCallStatus st{};
  RustBuffer r =
      uniffi_silvantrope_log_fn_func_checkpoint_verify(wire::text(note_text), wire::list_of_strings(vkeys), &st);
  return detail::finish<CheckpointHead>(st, r);
}

inline Result<CheckpointHead> checkpoint_parse(std::string_view body_text) {
  if (!detail::fits(body_text)) return detail::too_large();
  RustCallStatus st{};
  RustBuffer r = uniffi_silvantrope_log_fn_func_checkpoint_parse(wire::text(body_text), &st);
  return detail::finish<CheckpointHead>(st, r);
}

inline Result<void> checkpoint_verify_inclusion(std::string_view note_text, const std::vector<std::string>& vkeys,
                                                uint64_t leaf_index, const Bytes& leaf_hash,
                                                const std::vector<Bytes>& proof) {
  if (!detail::fits(note_text) || !detail::fits(vkeys) || !detail::fits(leaf_hash) || !detail::fits(proof))
    return detail::too_large();
  RustCallStatus st{};
  uniffi_silvantrope_log_fn_func_checkpoint_verify_inclusion(wire::text(note_text), wire::list_of_strings(vkeys),
                                                             leaf_index, wire::byte_list(leaf_hash),
                                                             wire::list_of_byte_lists(proof), &st);
  return detail::finish(st);
}

inline Result<void> checkpoint_verify_consistency(std::string_view older_note, std::string_view newer_note,
                                                  const std::vector<std::string>& vkeys,
                                                  const std::vector<Bytes>& proof) {
  if (!detail::fits(older_note) || !detail::fits(newer_note) || !detail::fits(vkeys) || !detail::fits(proof))
    return detail::too_large();
  RustCallStatus st{};
  uniffi_silvantrope_log_fn_func_checkpoint_verify_consistency(wire::text(older_note), wire::text(newer_note),
                                                               wire::list_of_strings(vkeys),
                                                               wire::list_of_byte_lists(proof), &st);
  return detail::finish(st);
}

inline Result<CheckpointHead> checkpoint_verify_cosigned(std::string_view note_text,
                                                         const std::vector<std::string>& log_vkeys,
                                                         const std::vector<std::string>& cosigner_vkeys,
                                                         uint32_t quorum, uint64_t not_before) {
  if (!detail::fits(note_text) || !detail::fits(log_vkeys) || !detail::fits(cosigner_vkeys))
    return detail::too_large();
  RustCallStatus st{};
  RustBuffer r = uniffi_silvantrope_log_fn_func_checkpoint_verify_cosigned(
      wire::text(note_text), wire::list_of_strings(log_vkeys), wire::list_of_strings(cosigner_vkeys), quorum,
      not_before, &st);
  return detail::finish<CheckpointHead>(st, r);
}

inline Result<TlogPolicy> tlog_policy_parse(std::string_view policy) {
  if (!detail::fits(policy)) return detail::too_large();
  RustCallStatus st{};
  RustBuffer r = uniffi_silvantrope_log_fn_func_tlog_policy_parse(wire::text(policy), &st);
  return detail::finish<TlogPolicy>(st, r);
}

inline Result<VerifiedCheckpoint> checkpoint_verify_policy(std::string_view note_text, std::string_view policy,
                                                           uint64_t not_before) {
  if (!detail::fits(note_text) || !detail::fits(policy)) return detail::too_large();
  RustCallStatus st{};
  RustBuffer r = uniffi_silvantrope_log_fn_func_checkpoint_verify_policy(wire::text(note_text), wire::text(policy),
                                                                         not_before, &st);
  return detail::finish<VerifiedCheckpoint>(st, r);
}

inline Result<VerifiedProof> tlog_proof_verify(std::string_view proof, std::string_view policy,
                                               const Bytes& leaf_hash, uint64_t not_before) {
  if (!detail::fits(proof) || !detail::fits(policy) || !detail::fits(leaf_hash)) return detail::too_large();
  RustCallStatus st{};
  RustBuffer r = uniffi_silvantrope_log_fn_func_tlog_proof_verify(wire::text(proof), wire::text(policy),
                                                                  wire::byte_list(leaf_hash), not_before, &st);
  return detail::finish<VerifiedProof>(st, r);
}

// C2SP tlog-tiles. The for_ calls name the tiles a proof needs; the others
// take the tiles as fetched (untrusted: every path, length and duplicate is
// checked; unneeded tiles are ignored).

inline Result<std::vector<std::string>> tlog_tiles_for_inclusion(uint64_t tree_size, uint64_t index) {
  RustCallStatus st{};
  RustBuffer r = uniffi_silvantrope_log_fn_func_tlog_tiles_for_inclusion(tree_size, index, &st);
  return detail::finish<std::vector<std::string>>(st, r);
}

inline Result<std::vector<std::string>> tlog_tiles_for_consistency(uint64_t old_size, uint64_t new_size) {
  RustCallStatus st{};
  RustBuffer r = uniffi_silvantrope_log_fn_func_tlog_tiles_for_consistency(old_size, new_size, &st);
  return detail::finish<std::vector<std::string>>(st, r);
}

inline Result<Bytes> tlog_tiles_tree_hash(uint64_t tree_size, const std::vector<Tile>& tiles) {
  if (!detail::fits(tiles)) return detail::too_large();
  RustCallStatus st{};
  RustBuffer r = uniffi_silvantrope_log_fn_func_tlog_tiles_tree_hash(tree_size, wire::list_of_tiles(tiles), &st);
  return detail::finish<Bytes>(st, r);
}

inline Result<std::vector<Bytes>> tlog_tiles_inclusion_proof(uint64_t tree_size, uint64_t index,
                                                             const std::vector<Tile>& tiles) {
  if (!detail::fits(tiles)) return detail::too_large();
  RustCallStatus st{};
  RustBuffer r =
      uniffi_silvantrope_log_fn_func_tlog_tiles_inclusion_proof(tree_size, index, wire::list_of_tiles(tiles), &st);
  return detail::finish<std::vector<Bytes>>(st, r);
}

inline Result<std::vector<Bytes>> tlog_tiles_consistency_proof(uint64_t old_size, uint64_t new_size,
                                                               const std::vector<Tile>& tiles) {
  if (!detail::fits(tiles)) return detail::too_large();
  RustCallStatus st{};
  RustBuffer r = uniffi_silvantrope_log_fn_func_tlog_tiles_consistency_proof(old_size, new_size,
                                                                             wire::list_of_tiles(tiles), &st);
  return detail::finish<std::vector<Bytes>>(st, r);
}

inline Result<VerifiedCheckpoint> tlog_tiles_verify_inclusion(std::string_view note_text, std::string_view policy,
                                                              uint64_t index, const Bytes& leaf_hash,
                                                              const std::vector<Tile>& tiles, uint64_t not_before) {
  if (!detail::fits(note_text) || !detail::fits(policy) || !detail::fits(leaf_hash) || !detail::fits(tiles))
    return detail::too_large();
  RustCallStatus st{};
  RustBuffer r = uniffi_silvantrope_log_fn_func_tlog_tiles_verify_inclusion(
      wire::text(note_text), wire::text(policy), index, wire::byte_list(leaf_hash), wire::list_of_tiles(tiles),
      not_before, &st);
  return detail::finish<VerifiedCheckpoint>(st, r);
}

// The leaf hashes an entry bundle implies: the data of its level-0 tile.
inline Result<Bytes> tlog_tiles_leaf_hashes(const Bytes& bundle) {
  if (!detail::fits(bundle)) return detail::too_large();
  RustCallStatus st{};
  RustBuffer r = uniffi_silvantrope_log_fn_func_tlog_tiles_leaf_hashes(wire::byte_list(bundle), &st);
  return detail::finish<Bytes>(st, r);
}

// Commitments and CONIKS directories.

inline Result<void> verify_commitment(std::string_view context, const Bytes& commitment, const Bytes& value,
                                      const Bytes& opening) {
  if (!detail::fits(context) || !detail::fits(commitment) || !detail::fits(value) || !detail::fits(opening))
    return detail::too_large();
  RustCallStatus st{};
  uniffi_silvantrope_log_fn_func_verify_commitment(wire::text(context), wire::byte_list(commitment),
                                                   wire::byte_list(value), wire::byte_list(opening), &st);
  return detail::finish(st);
}

inline Result<Bytes> coniks_verify_lookup(std::string_view namespace_, const Bytes& vrf_public, const Bytes& root,
                                          const Bytes& identity, const Bytes& proof) {
  if (!detail::fits(namespace_) || !detail::fits(vrf_public) || !detail::fits(root) || !detail::fits(identity) ||
      !detail::fits(proof))
    return detail::too_large();
  RustCallStatus st{};
  RustBuffer r = uniffi_silvantrope_log_fn_func_coniks_verify_lookup(wire::text(namespace_), wire::byte_list(vrf_public),
                                                                     wire::byte_list(root), wire::byte_list(identity),
                                                                     wire::byte_list(proof), &st);
  return detail::finish<Bytes>(st, r);
}

inline Result<void> coniks_verify_absence(std::string_view namespace_, const Bytes& vrf_public, const Bytes& root,
                                          const Bytes& identity, const Bytes& proof) {
  if (!detail::fits(namespace_) || !detail::fits(vrf_public) || !detail::fits(root) || !detail::fits(identity) ||
      !detail::fits(proof))
    return detail::too_large();
  RustCallStatus st{};
  uniffi_silvantrope_log_fn_func_coniks_verify_absence(wire::text(namespace_), wire::byte_list(vrf_public),
                                                       wire::byte_list(root), wire::byte_list(identity),
                                                       wire::byte_list(proof), &st);
  return detail::finish(st);
}

// Namespace policies. envelope: the raw SignedPolicy bytes.

inline Result<PolicyPosture> signed_policy_verify(const Bytes& envelope) {
  if (!detail::fits(envelope)) return detail::too_large();
  RustCallStatus st{};
  RustBuffer r = uniffi_silvantrope_log_fn_func_signed_policy_verify(wire::byte_list(envelope), &st);
  return detail::finish<PolicyPosture>(st, r);
}

inline Result<void> policy_enforce_checkpoint_signing_key(const Bytes& envelope, std::string_view public_key) {
  if (!detail::fits(envelope) || !detail::fits(public_key)) return detail::too_large();
  RustCallStatus st{};
  uniffi_silvantrope_log_fn_func_policy_enforce_checkpoint_signing_key(wire::byte_list(envelope),
                                                                       wire::text(public_key), &st);
  return detail::finish(st);
}

inline Result<void> policy_enforce_checkpoint_signature(const Bytes& envelope, std::string_view signature) {
  if (!detail::fits(envelope) || !detail::fits(signature)) return detail::too_large();
  RustCallStatus st{};
  uniffi_silvantrope_log_fn_func_policy_enforce_checkpoint_signature(wire::byte_list(envelope), wire::text(signature),
                                                                     &st);
  return detail::finish(st);
}

inline Result<void> policy_enforce_vrf_suite_id(const Bytes& envelope, uint8_t observed_suite_id) {
  if (!detail::fits(envelope)) return detail::too_large();
  RustCallStatus st{};
  uniffi_silvantrope_log_fn_func_policy_enforce_vrf_suite_id(wire::byte_list(envelope), observed_suite_id, &st);
  return detail::finish(st);
}

// observed is lowered as its index, so any index can be sent.
inline Result<void> policy_enforce_commitment_hash(const Bytes& envelope, CommitmentHash observed) {
  if (!detail::fits(envelope)) return detail::too_large();
  RustCallStatus st{};
  uniffi_silvantrope_log_fn_func_policy_enforce_commitment_hash(wire::byte_list(envelope),
                                                                wire::commitment_hash(observed), &st);
  return detail::finish(st);
}

inline Result<void> policy_enforce_directory_backend(const Bytes& envelope, uint16_t observed_backend_id) {
  if (!detail::fits(envelope)) return detail::too_large();
  RustCallStatus st{};
  uniffi_silvantrope_log_fn_func_policy_enforce_directory_backend(wire::byte_list(envelope), observed_backend_id,
                                                                  &st);
  return detail::finish(st);
}

// KEYTRANS proofs against a combined-tree root; the _suite calls name the
// suite (0x0001, 0x0002 or 0xF000), the others run under 0xF000.

namespace detail {
// call: the export, bound to its suite id where it takes one.
template <class T, class Call>
Result<T> keytrans(Call call, std::string_view context, const Bytes& vrf_public, const Bytes& root, const Bytes& label,
                   const Bytes& proof) {
  if (!fits(context) || !fits(vrf_public) || !fits(root) || !fits(label) || !fits(proof)) return too_large();
  RustCallStatus st{};
  if constexpr (std::is_void_v<T>) {
    call(wire::text(context), wire::byte_list(vrf_public), wire::byte_list(root), wire::byte_list(label),
         wire::byte_list(proof), &st);
    return finish(st);
  } else {
    RustBuffer r = call(wire::text(context), wire::byte_list(vrf_public), wire::byte_list(root),
                        wire::byte_list(label), wire::byte_list(proof), &st);
    return finish<T>(st, r);
  }
}
}  // namespace detail

inline Result<SearchResult> keytrans_verify_search(std::string_view context, const Bytes& vrf_public,
                                                   const Bytes& root, const Bytes& label, const Bytes& proof) {
  return detail::keytrans<SearchResult>(uniffi_silvantrope_log_fn_func_keytrans_verify_search, context, vrf_public,
                                        root, label, proof);
}

inline Result<SearchResult> keytrans_verify_fixed_version(std::string_view context, const Bytes& vrf_public,
                                                          const Bytes& root, const Bytes& label, const Bytes& proof) {
  return detail::keytrans<SearchResult>(uniffi_silvantrope_log_fn_func_keytrans_verify_fixed_version, context,
                                        vrf_public, root, label, proof);
}

inline Result<void> keytrans_verify_monitor(std::string_view context, const Bytes& vrf_public, const Bytes& root,
                                            const Bytes& label, const Bytes& proof) {
  return detail::keytrans<void>(uniffi_silvantrope_log_fn_func_keytrans_verify_monitor, context, vrf_public, root,
                                label, proof);
}

inline Result<SearchResult> keytrans_verify_search_suite(uint16_t suite_id, std::string_view context,
                                                         const Bytes& vrf_public, const Bytes& root,
                                                         const Bytes& label, const Bytes& proof) {
  return detail::keytrans<SearchResult>(
      [suite_id](auto... a) { return uniffi_silvantrope_log_fn_func_keytrans_verify_search_suite(suite_id, a...); },
      context, vrf_public, root, label, proof);
}

inline Result<SearchResult> keytrans_verify_fixed_version_suite(uint16_t suite_id, std::string_view context,
                                                                const Bytes& vrf_public, const Bytes& root,
                                                                const Bytes& label, const Bytes& proof) {
  return detail::keytrans<SearchResult>(
      [suite_id](auto... a) {
        return uniffi_silvantrope_log_fn_func_keytrans_verify_fixed_version_suite(suite_id, a...);
      },
      context, vrf_public, root, label, proof);
}

inline Result<void> keytrans_verify_monitor_suite(uint16_t suite_id, std::string_view context,
                                                  const Bytes& vrf_public, const Bytes& root, const Bytes& label,
                                                  const Bytes& proof) {
  return detail::keytrans<void>(
      [suite_id](auto... a) { uniffi_silvantrope_log_fn_func_keytrans_verify_monitor_suite(suite_id, a...); },
      context, vrf_public, root, label, proof);
}

}  // namespace silvantrope_log

#endif  // SILVANTROPE_LOG_HPP
