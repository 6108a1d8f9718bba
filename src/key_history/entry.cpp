// SPDX-License-Identifier: Apache-2.0
#include "key_history/entry.h"

#include <limits>

#include "context/context_hash.h"
#include "core/byte_writer.h"
#include "core/fault.h"
#include "merkle/hash.h"

namespace silvantrope::key_history {
namespace {

constexpr uint32_t kFormatVersion = 1;

uint32_t field_length(ByteView field) {
  if (field.size() > std::numeric_limits<uint32_t>::max()) {
    throw InternalFault("key-history field longer than 4294967295 bytes");
  }
  return static_cast<uint32_t>(field.size());
}

}  // namespace

Entry normalised(Entry entry) {
  if (entry.prev_entry_hash && entry.prev_entry_hash->empty()) entry.prev_entry_hash.reset();
  return entry;
}

Result<Bytes> canonical_bytes(const Entry& e) {
  if (e.prev_entry_hash && e.prev_entry_hash->empty()) {
    return Error::malformed_canonical_leaf(
        "prev_entry_hash present but empty; genesis must use None");
  }
  const ByteView prev = e.prev_entry_hash.value_or(ByteView{});
  ByteWriter w(36 + e.enc_x25519.size() + e.enc_pq.size() + e.signing_pub.size() + prev.size());
  w.u32(kFormatVersion).u64(e.seq).u64(e.ts_ms);
  for (ByteView field : {e.enc_x25519, e.enc_pq, e.signing_pub, prev}) {
    w.u32(field_length(field)).bytes(field);
  }
  return std::move(w).take();
}

Result<Hash64> entry_hash(const Entry& entry, const context::ContextLabel& label) {
  auto bytes = canonical_bytes(entry);
  if (!bytes) return std::move(bytes).error();
  return context::sha3_512_with_context(as_bytes(label.text), *bytes);
}

Result<Hash32> rfc6962_leaf_hash(const Entry& entry) {
  auto bytes = canonical_bytes(entry);
  if (!bytes) return std::move(bytes).error();
  return merkle::leaf_hash(*bytes);
}

}  // namespace silvantrope::key_history
