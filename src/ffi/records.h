// SPDX-License-Identifier: Apache-2.0
#pragma once

// Lowering of the exported records.

#include "checkpoint/checkpoint.h"
#include "checkpoint/tlog_proof.h"
#include "ffi/lower.h"
#include "keytrans/verify.h"
#include "policy/signed_policy.h"

namespace silvantrope::ffi {

inline void write_strings(ByteWriter& w, const std::vector<std::string>& items) {
  write_length(w, items.size());
  for (const std::string& s : items) write_string(w, s);
}

template <>
struct Lower<std::vector<std::string>> : LowerToBuffer<std::vector<std::string>> {
  static void write(ByteWriter& w, const std::vector<std::string>& v) { write_strings(w, v); }
};

template <>
struct Lower<std::vector<Hash32>> : LowerToBuffer<std::vector<Hash32>> {
  static void write(ByteWriter& w, const std::vector<Hash32>& v) {
    write_length(w, v.size());
    for (const Hash32& h : v) write_byte_list(w, h);
  }
};

template <>
struct Lower<checkpoint::CheckpointHead> : LowerToBuffer<checkpoint::CheckpointHead> {
  static void write(ByteWriter& w, const checkpoint::CheckpointHead& h) {
    write_string(w, h.origin);
    w.u64(h.size);
    write_byte_list(w, h.root);
    write_strings(w, h.extensions);
  }
};

// VerifiedCheckpoint: the head, then each Cosignature (witness, timestamp).
template <>
struct Lower<checkpoint::VerifiedCheckpoint> : LowerToBuffer<checkpoint::VerifiedCheckpoint> {
  static void write(ByteWriter& w, const checkpoint::VerifiedCheckpoint& v) {
    Lower<checkpoint::CheckpointHead>::write(w, v.head);
    write_length(w, v.cosignatures.size());
    for (const auto& c : v.cosignatures) {
      write_string(w, c.witness);
      w.u64(c.timestamp);
    }
  }
};

// VerifiedProof: index, extra as an optional byte list, the checkpoint.
template <>
struct Lower<checkpoint::VerifiedProof> : LowerToBuffer<checkpoint::VerifiedProof> {
  static void write(ByteWriter& w, const checkpoint::VerifiedProof& v) {
    w.u64(v.index).u8(v.extra ? 1 : 0);
    if (v.extra) write_byte_list(w, *v.extra);
    Lower<checkpoint::VerifiedCheckpoint>::write(w, v.checkpoint);
  }
};

// TlogPolicy: log key names, witness and group names in file order, quorum.
template <>
struct Lower<checkpoint::TlogPolicy> : LowerToBuffer<checkpoint::TlogPolicy> {
  static void write(ByteWriter& w, const checkpoint::TlogPolicy& p) {
    write_length(w, p.logs.size());
    for (const auto& k : p.logs) write_string(w, k.name);
    write_strings(w, p.witnesses.witnesses);
    write_length(w, p.witnesses.groups.size());
    for (const auto& g : p.witnesses.groups) write_string(w, g.name);
    write_string(w, checkpoint::quorum_name(p));
  }
};

// SearchResult: the presence flag, then the value as an optional byte list.
template <>
struct Lower<keytrans::SearchResult> : LowerToBuffer<keytrans::SearchResult> {
  static void write(ByteWriter& w, const keytrans::SearchResult& r) {
    w.u8(r.present ? 1 : 0).u8(r.value ? 1 : 0);
    if (r.value) write_byte_list(w, *r.value);
  }
};

// Enumerations cross as their 1-based index.
template <class E>
void write_enum(ByteWriter& w, E v) {
  w.i32(static_cast<int32_t>(v));
}

// PolicyPosture: the record's fields without prev_policy_hash, then the two
// hashes.
template <>
struct Lower<policy::PolicyPosture> : LowerToBuffer<policy::PolicyPosture> {
  static void write(ByteWriter& w, const policy::PolicyPosture& p) {
    const policy::PolicyRecord& r = p.record;
    write_string(w, r.namespace_);
    w.u32(r.policy_schema_version);
    write_enum(w, r.security_level);
    write_enum(w, r.checkpoint_suite);
    write_enum(w, r.commitment_hash);
    write_enum(w, r.vrf_mode);
    write_enum(w, r.directory_mode);
    write_enum(w, r.keytrans_suite);
    w.u64(r.effective_from).u64(r.created_at);
    write_byte_list(w, p.policy_hash);
    write_byte_list(w, p.rfc6962_leaf_hash);
  }
};

}  // namespace silvantrope::ffi
