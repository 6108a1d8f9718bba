#pragma once

// A small C++ client of the C ABI, for the command-line tool, the ABI tests
// and the benchmarks: it serializes arguments the way a foreign binding does,
// reads the call status, and releases every buffer the library returns.
// It sees only the public header, like any foreign caller.

#include <cstdint>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "silvantrope_log.h"

namespace slog_client {

using Bytes = std::vector<uint8_t>;

// What a call's status said: code 0 with no message, 1 with the VerifyError's
// message, 2 with the bare message of an unexpected failure.
struct Outcome {
  int code = 0;
  std::string message;
  bool ok() const { return code == 0; }
};

class Encoder {
 public:
  Encoder& i32(int32_t v) {
    for (int s = 24; s >= 0; s -= 8) out_.push_back(static_cast<uint8_t>(uint32_t(v) >> s));
    return *this;
  }
  Encoder& u8(uint8_t v) {
    out_.push_back(v);
    return *this;
  }
  Encoder& raw(const void* p, size_t n) {
    auto* b = static_cast<const uint8_t*>(p);
    out_.insert(out_.end(), b, b + n);
    return *this;
  }
  Encoder& raw(const Bytes& b) { return raw(b.data(), b.size()); }
  Encoder& byte_list(const Bytes& b) { return i32(static_cast<int32_t>(b.size())).raw(b); }
  Encoder& string(std::string_view s) {
    return i32(static_cast<int32_t>(s.size())).raw(s.data(), s.size());
  }
  const Bytes& bytes() const { return out_; }

 private:
  Bytes out_;
};

// A library-allocated buffer holding a copy of bytes.
inline RustBuffer make_buffer(const void* data, size_t n) {
  RustCallStatus st{};
  ForeignBytes fb{static_cast<int32_t>(n), static_cast<const uint8_t*>(data)};
  RustBuffer b = ffi_silvantrope_log_rustbuffer_from_bytes(fb, &st);
  if (st.code != 0) throw std::runtime_error("rustbuffer_from_bytes failed");
  return b;
}
inline RustBuffer make_buffer(const Bytes& b) { return make_buffer(b.data(), b.size()); }

inline RustBuffer byte_list(const Bytes& b) { return make_buffer(Encoder().byte_list(b).bytes()); }
inline RustBuffer text(std::string_view s) { return make_buffer(s.data(), s.size()); }
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
inline RustBuffer optional_bytes(const std::optional<Bytes>& b) {
  Encoder e;
  if (b) {
    e.u8(1).byte_list(*b);
  } else {
    e.u8(0);
  }
  return make_buffer(e.bytes());
}

inline void free_buffer(RustBuffer b) {
  RustCallStatus st{};
  ffi_silvantrope_log_rustbuffer_free(b, &st);
}

inline Bytes contents(const RustBuffer& b) {
  return b.len == 0 ? Bytes{} : Bytes(b.data, b.data + b.len);
}

inline uint32_t be32(const uint8_t* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

// Reads and releases the status's error buffer.
inline Outcome outcome(RustCallStatus& st) {
  Outcome o;
  o.code = st.code;
  if (st.code == 0) return o;
  Bytes e = contents(st.error_buf);
  free_buffer(st.error_buf);
  st.error_buf = RustBuffer{0, 0, nullptr};
  if (st.code == 1) {
    if (e.size() < 8 || be32(e.data()) != 1 || be32(e.data() + 4) != e.size() - 8) {
      o.message = "<malformed VerifyError buffer>";
    } else {
      o.message.assign(reinterpret_cast<const char*>(e.data() + 8), e.size() - 8);
    }
  } else {
    o.message.assign(reinterpret_cast<const char*>(e.data()), e.size());
  }
  return o;
}

// Decodes a byte-list result and releases its buffer.
inline Bytes take_byte_list(RustBuffer b) {
  Bytes raw = contents(b);
  free_buffer(b);
  if (raw.size() < 4 || be32(raw.data()) != raw.size() - 4) {
    throw std::runtime_error("malformed byte-list result");
  }
  return Bytes(raw.begin() + 4, raw.end());
}

inline std::string hex(const Bytes& b) {
  static const char* d = "0123456789abcdef";
  std::string s;
  for (uint8_t x : b) {
    s += d[x >> 4];
    s += d[x & 15];
  }
  return s;
}

inline std::optional<Bytes> unhex(std::string_view s) {
  auto nib = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  if (s.size() % 2 != 0) return std::nullopt;
  Bytes out;
  for (size_t i = 0; i < s.size(); i += 2) {
    int hi = nib(s[i]), lo = nib(s[i + 1]);
    if (hi < 0 || lo < 0) return std::nullopt;
    out.push_back(static_cast<uint8_t>(hi * 16 + lo));
  }
  return out;
}

// The verification calls, with their argument buffers built from C++ values.

inline Outcome verify_inclusion(uint64_t index, uint64_t size, const Bytes& leaf,
                                const std::vector<Bytes>& proof, const Bytes& root) {
  RustCallStatus st{};
  uniffi_silvantrope_log_fn_func_verify_inclusion(index, size, byte_list(leaf),
                                                  list_of_byte_lists(proof), byte_list(root), &st);
  return outcome(st);
}

inline Outcome verify_consistency(uint64_t size1, uint64_t size2, const std::vector<Bytes>& proof,
                                  const Bytes& root1, const Bytes& root2) {
  RustCallStatus st{};
  uniffi_silvantrope_log_fn_func_verify_consistency(size1, size2, list_of_byte_lists(proof),
                                                    byte_list(root1), byte_list(root2), &st);
  return outcome(st);
}

struct KeyHistoryEntry {
  uint64_t seq = 0;
  uint64_t ts_ms = 0;
  Bytes enc_x25519;
  Bytes enc_pq;
  Bytes signing_pub;
  std::optional<Bytes> prev_entry_hash;
};

enum class KeyHistoryOutput { CanonicalBytes, EntryHash, LeafHash };

// One of the key-history exports; with a context, the caller-labelled hash.
inline Outcome key_history(KeyHistoryOutput what, const KeyHistoryEntry& e,
                           const std::optional<std::string>& context, Bytes& out) {
  RustCallStatus st{};
  RustBuffer x = byte_list(e.enc_x25519), pq = byte_list(e.enc_pq),
             sig = byte_list(e.signing_pub), prev = optional_bytes(e.prev_entry_hash);
  RustBuffer r{};
  if (context) {
    r = uniffi_silvantrope_log_fn_func_key_history_entry_hash_with_context(
        text(*context), e.seq, e.ts_ms, x, pq, sig, prev, &st);
  } else if (what == KeyHistoryOutput::CanonicalBytes) {
    r = uniffi_silvantrope_log_fn_func_key_history_v1_canonical_bytes(e.seq, e.ts_ms, x, pq, sig,
                                                                      prev, &st);
  } else if (what == KeyHistoryOutput::EntryHash) {
    r = uniffi_silvantrope_log_fn_func_key_history_v1_entry_hash(e.seq, e.ts_ms, x, pq, sig, prev,
                                                                 &st);
  } else {
    r = uniffi_silvantrope_log_fn_func_key_history_v1_rfc6962_leaf_hash(e.seq, e.ts_ms, x, pq, sig,
                                                                        prev, &st);
  }
  Outcome o = outcome(st);
  if (o.ok()) out = take_byte_list(r);
  return o;
}

// A cursor over a result buffer's bytes.
class Decoder {
 public:
  explicit Decoder(const Bytes& b) : b_(b) {}
  uint8_t u8() {
    need(1);
    return b_[pos_++];
  }
  uint32_t u32() {
    need(4);
    uint32_t v = be32(b_.data() + pos_);
    pos_ += 4;
    return v;
  }
  uint64_t u64() {
    uint64_t hi = u32();
    return (hi << 32) | u32();
  }
  Bytes byte_list() {
    const uint32_t n = u32();
    need(n);
    Bytes out(b_.begin() + static_cast<long>(pos_), b_.begin() + static_cast<long>(pos_ + n));
    pos_ += n;
    return out;
  }
  std::string string() {
    Bytes raw = byte_list();
    return std::string(raw.begin(), raw.end());
  }
  void finish() const {
    if (pos_ != b_.size()) throw std::runtime_error("junk after result");
  }

 private:
  void need(size_t n) const {
    if (b_.size() - pos_ < n) throw std::runtime_error("truncated result");
  }
  const Bytes& b_;
  size_t pos_ = 0;
};

struct CheckpointHead {
  std::string origin;
  uint64_t size = 0;
  Bytes root;
  std::vector<std::string> extensions;
};

inline CheckpointHead take_checkpoint_head(RustBuffer b) {
  const Bytes raw = contents(b);
  free_buffer(b);
  Decoder d(raw);
  CheckpointHead h;
  h.origin = d.string();
  h.size = d.u64();
  h.root = d.byte_list();
  const uint32_t n = d.u32();
  for (uint32_t i = 0; i < n; ++i) h.extensions.push_back(d.string());
  d.finish();
  return h;
}

inline Outcome verify_signed_note(const std::string& note, const std::vector<std::string>& keys,
                                  uint32_t& count) {
  RustCallStatus st{};
  count = uniffi_silvantrope_log_fn_func_verify_signed_note(text(note), list_of_strings(keys), &st);
  return outcome(st);
}

inline Outcome checkpoint_parse(const std::string& body, CheckpointHead& head) {
  RustCallStatus st{};
  RustBuffer r = uniffi_silvantrope_log_fn_func_checkpoint_parse(text(body), &st);
  Outcome o = outcome(st);
  if (o.ok()) head = take_checkpoint_head(r);
  return o;
}

inline Outcome checkpoint_verify(const std::string& note, const std::vector<std::string>& keys,
                                 CheckpointHead& head) {
  RustCallStatus st{};
  RustBuffer r = uniffi_silvantrope_log_fn_func_checkpoint_verify(text(note), list_of_strings(keys), &st);
  Outcome o = outcome(st);
  if (o.ok()) head = take_checkpoint_head(r);
  return o;
}

inline Outcome checkpoint_verify_cosigned(const std::string& note, const std::vector<std::string>& log_keys,
                                          const std::vector<std::string>& cosigner_keys, uint32_t quorum,
                                          uint64_t not_before, CheckpointHead& head) {
  RustCallStatus st{};
  RustBuffer r = uniffi_silvantrope_log_fn_func_checkpoint_verify_cosigned(
      text(note), list_of_strings(log_keys), list_of_strings(cosigner_keys), quorum, not_before, &st);
  Outcome o = outcome(st);
  if (o.ok()) head = take_checkpoint_head(r);
  return o;
}

// C2SP tlog-policy files and tlog-proof@v1.

struct Cosignature {
  std::string witness;
  uint64_t timestamp = 0;
};

struct VerifiedCheckpoint {
  CheckpointHead head;
  std::vector<Cosignature> cosignatures;
};

struct VerifiedProof {
  uint64_t index = 0;
  std::optional<Bytes> extra;
  VerifiedCheckpoint checkpoint;
};

struct TlogPolicy {
  std::vector<std::string> logs, witnesses, groups;
  std::string quorum;
};

inline std::vector<std::string> read_strings(Decoder& d) {
  std::vector<std::string> out(d.u32());
  for (std::string& s : out) s = d.string();
  return out;
}

inline CheckpointHead read_checkpoint_head(Decoder& d) {
  CheckpointHead h;
  h.origin = d.string();
  h.size = d.u64();
  h.root = d.byte_list();
  h.extensions = read_strings(d);
  return h;
}

inline VerifiedCheckpoint read_verified_checkpoint(Decoder& d) {
  VerifiedCheckpoint v;
  v.head = read_checkpoint_head(d);
  v.cosignatures.resize(d.u32());
  for (Cosignature& c : v.cosignatures) c.witness = d.string(), c.timestamp = d.u64();
  return v;
}

// Calls an export returning a record and decodes it with read on success.
template <class T, class Call, class Read>
Outcome record_call(Call call, Read read, T& out) {
  RustCallStatus st{};
  RustBuffer r = call(&st);
  Outcome o = outcome(st);
  if (!o.ok()) return o;
  const Bytes raw = contents(r);
  free_buffer(r);
  Decoder d(raw);
  out = read(d);
  d.finish();
  return o;
}

inline Outcome tlog_policy_parse(const std::string& policy, TlogPolicy& out) {
  return record_call(
      [&](RustCallStatus* st) { return uniffi_silvantrope_log_fn_func_tlog_policy_parse(text(policy), st); },
      [](Decoder& d) {
        TlogPolicy p;
        p.logs = read_strings(d);
        p.witnesses = read_strings(d);
        p.groups = read_strings(d);
        p.quorum = d.string();
        return p;
      },
      out);
}

inline Outcome checkpoint_verify_policy(const std::string& note, const std::string& policy, uint64_t not_before,
                                        VerifiedCheckpoint& out) {
  return record_call(
      [&](RustCallStatus* st) {
        return uniffi_silvantrope_log_fn_func_checkpoint_verify_policy(text(note), text(policy), not_before, st);
      },
      read_verified_checkpoint, out);
}

inline Outcome tlog_proof_verify(const std::string& proof, const std::string& policy, const Bytes& leaf_hash,
                                 uint64_t not_before, VerifiedProof& out) {
  return record_call(
      [&](RustCallStatus* st) {
        return uniffi_silvantrope_log_fn_func_tlog_proof_verify(text(proof), text(policy), byte_list(leaf_hash),
                                                               not_before, st);
      },
      [](Decoder& d) {
        VerifiedProof p;
        p.index = d.u64();
        const uint8_t tag = d.u8();
        if (tag > 1) throw std::runtime_error("unexpected tag byte for Option");
        if (tag == 1) p.extra = d.byte_list();
        p.checkpoint = read_verified_checkpoint(d);
        return p;
      },
      out);
}

inline Outcome checkpoint_verify_inclusion(const std::string& note, const std::vector<std::string>& keys,
                                           uint64_t leaf_index, const Bytes& leaf,
                                           const std::vector<Bytes>& proof) {
  RustCallStatus st{};
  uniffi_silvantrope_log_fn_func_checkpoint_verify_inclusion(
      text(note), list_of_strings(keys), leaf_index, byte_list(leaf), list_of_byte_lists(proof), &st);
  return outcome(st);
}

inline Outcome checkpoint_verify_consistency(const std::string& older, const std::string& newer,
                                             const std::vector<std::string>& keys,
                                             const std::vector<Bytes>& proof) {
  RustCallStatus st{};
  uniffi_silvantrope_log_fn_func_checkpoint_verify_consistency(
      text(older), text(newer), list_of_strings(keys), list_of_byte_lists(proof), &st);
  return outcome(st);
}

inline Outcome verify_commitment(const std::string& context, const Bytes& commitment,
                                 const Bytes& value, const Bytes& opening) {
  RustCallStatus st{};
  uniffi_silvantrope_log_fn_func_verify_commitment(text(context), byte_list(commitment), byte_list(value),
                                                   byte_list(opening), &st);
  return outcome(st);
}

inline Outcome coniks_verify_lookup(const std::string& ns, const Bytes& vrf_public, const Bytes& root,
                                    const Bytes& identity, const Bytes& proof, Bytes& value) {
  RustCallStatus st{};
  RustBuffer r = uniffi_silvantrope_log_fn_func_coniks_verify_lookup(
      text(ns), byte_list(vrf_public), byte_list(root), byte_list(identity), byte_list(proof), &st);
  Outcome o = outcome(st);
  if (o.ok()) value = take_byte_list(r);
  return o;
}

inline Outcome coniks_verify_absence(const std::string& ns, const Bytes& vrf_public, const Bytes& root,
                                     const Bytes& identity, const Bytes& proof) {
  RustCallStatus st{};
  uniffi_silvantrope_log_fn_func_coniks_verify_absence(text(ns), byte_list(vrf_public), byte_list(root),
                                                       byte_list(identity), byte_list(proof), &st);
  return outcome(st);
}

struct SearchResult {
  bool present = false;
  std::optional<Bytes> value;
};

inline SearchResult take_search_result(RustBuffer b) {
  const Bytes raw = contents(b);
  free_buffer(b);
  Decoder d(raw);
  SearchResult r;
  r.present = d.u8() == 1;
  if (d.u8() == 1) r.value = d.byte_list();
  d.finish();
  return r;
}

enum class KeytransProof { Search, FixedVersion, Monitor };

// One KEYTRANS verification; without a suite id, the suite-less export.
// result is filled for search and fixed-version proofs.
inline Outcome keytrans_verify(KeytransProof kind, std::optional<uint16_t> suite_id, const std::string& context,
                               const Bytes& vrf_public, const Bytes& root, const Bytes& label, const Bytes& proof,
                               SearchResult& result) {
  RustCallStatus st{};
  RustBuffer args[] = {text(context), byte_list(vrf_public), byte_list(root), byte_list(label), byte_list(proof)};
  RustBuffer r{0, 0, nullptr};
  const uint16_t id = suite_id.value_or(0);
  switch (kind) {
    case KeytransProof::Search:
      r = suite_id ? uniffi_silvantrope_log_fn_func_keytrans_verify_search_suite(id, args[0], args[1], args[2], args[3], args[4], &st)
                   : uniffi_silvantrope_log_fn_func_keytrans_verify_search(args[0], args[1], args[2], args[3], args[4], &st);
      break;
    case KeytransProof::FixedVersion:
      r = suite_id ? uniffi_silvantrope_log_fn_func_keytrans_verify_fixed_version_suite(id, args[0], args[1], args[2], args[3], args[4], &st)
                   : uniffi_silvantrope_log_fn_func_keytrans_verify_fixed_version(args[0], args[1], args[2], args[3], args[4], &st);
      break;
    case KeytransProof::Monitor:
      if (suite_id) {
        uniffi_silvantrope_log_fn_func_keytrans_verify_monitor_suite(id, args[0], args[1], args[2], args[3], args[4], &st);
      } else {
        uniffi_silvantrope_log_fn_func_keytrans_verify_monitor(args[0], args[1], args[2], args[3], args[4], &st);
      }
      break;
  }
  Outcome o = outcome(st);
  if (o.ok() && kind != KeytransProof::Monitor) result = take_search_result(r);
  return o;
}

// The six enumerations of PolicyPosture, by their 1-based wire index.
inline const char* enum_name(const std::vector<const char*>& names, int32_t index) {
  return index >= 1 && size_t(index) <= names.size() ? names[size_t(index) - 1] : "?";
}
inline const std::vector<const char*> kSecurityLevels = {"Cat3", "Cat5"};
inline const std::vector<const char*> kCheckpointSuites = {"Hybrid", "HybridMatched", "PureCnsa2"};
inline const std::vector<const char*> kCommitmentHashes = {"Sha3_256", "Sha3_512"};
inline const std::vector<const char*> kVrfModes = {"Classical", "HybridOutput", "PurePqExperimental"};
inline const std::vector<const char*> kDirectoryModes = {"Coniks", "Keytrans"};
inline const std::vector<const char*> kKeytransSuites = {"SilvantropeHybridExp", "Kt128Sha256Ed25519",
                                                         "Kt128Sha256P256"};

struct PolicyPosture {
  std::string namespace_;
  uint32_t policy_schema_version = 0;
  int32_t security_level = 0, checkpoint_suite = 0, commitment_hash = 0, vrf_mode = 0,
          directory_mode = 0, keytrans_suite = 0;
  uint64_t effective_from = 0, created_at = 0;
  Bytes policy_hash, rfc6962_leaf_hash;
};

inline PolicyPosture take_policy_posture(RustBuffer b) {
  const Bytes raw = contents(b);
  free_buffer(b);
  Decoder d(raw);
  PolicyPosture p;
  p.namespace_ = d.string();
  p.policy_schema_version = d.u32();
  for (int32_t* e : {&p.security_level, &p.checkpoint_suite, &p.commitment_hash, &p.vrf_mode,
                     &p.directory_mode, &p.keytrans_suite}) {
    *e = static_cast<int32_t>(d.u32());
  }
  p.effective_from = d.u64();
  p.created_at = d.u64();
  p.policy_hash = d.byte_list();
  p.rfc6962_leaf_hash = d.byte_list();
  d.finish();
  return p;
}

inline Outcome signed_policy_verify(const Bytes& envelope, PolicyPosture& posture) {
  RustCallStatus st{};
  RustBuffer r = uniffi_silvantrope_log_fn_func_signed_policy_verify(byte_list(envelope), &st);
  Outcome o = outcome(st);
  if (o.ok()) posture = take_policy_posture(r);
  return o;
}

inline Outcome policy_enforce_checkpoint_signing_key(const Bytes& envelope, std::string_view key) {
  RustCallStatus st{};
  uniffi_silvantrope_log_fn_func_policy_enforce_checkpoint_signing_key(byte_list(envelope), text(key), &st);
  return outcome(st);
}

inline Outcome policy_enforce_checkpoint_signature(const Bytes& envelope, std::string_view signature) {
  RustCallStatus st{};
  uniffi_silvantrope_log_fn_func_policy_enforce_checkpoint_signature(byte_list(envelope), text(signature), &st);
  return outcome(st);
}

inline Outcome policy_enforce_vrf_suite_id(const Bytes& envelope, uint8_t observed_suite_id) {
  RustCallStatus st{};
  uniffi_silvantrope_log_fn_func_policy_enforce_vrf_suite_id(byte_list(envelope), observed_suite_id, &st);
  return outcome(st);
}

// observed: the CommitmentHash index as sent, so that a caller can send any.
inline Outcome policy_enforce_commitment_hash(const Bytes& envelope, int32_t observed) {
  RustCallStatus st{};
  uniffi_silvantrope_log_fn_func_policy_enforce_commitment_hash(byte_list(envelope),
                                                                make_buffer(Encoder().i32(observed).bytes()), &st);
  return outcome(st);
}

inline Outcome policy_enforce_directory_backend(const Bytes& envelope, uint16_t observed_backend_id) {
  RustCallStatus st{};
  uniffi_silvantrope_log_fn_func_policy_enforce_directory_backend(byte_list(envelope), observed_backend_id, &st);
  return outcome(st);
}

}  // namespace slog_client
