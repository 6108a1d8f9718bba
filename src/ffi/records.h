// SPDX-License-Identifier: Apache-2.0
#pragma once

// Lowering of the exported records.

#include "checkpoint/checkpoint.h"
#include "ffi/lower.h"
#include "keytrans/verify.h"
#include "policy/signed_policy.h"

namespace silvantrope::ffi {

template <>
struct Lower<checkpoint::CheckpointHead> : LowerToBuffer<checkpoint::CheckpointHead> {
  static void write(ByteWriter& w, const checkpoint::CheckpointHead& h) {
    write_string(w, h.origin);
    w.u64(h.size);
    write_byte_list(w, h.root);
    write_length(w, h.extensions.size());
    for (const std::string& e : h.extensions) write_string(w, e);
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
