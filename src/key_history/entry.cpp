// SPDX-License-Identifier: Apache-2.0
#include "key_history/entry.h"

#include <limits>

#include "context/context_hash.h"
#include "core/byte_writer.h"
#include "core/fault.h"
#include "silvantrope-crypto/digest.h"

namespace silvantrope::key_history {
namespace {

constexpr uint32_t kFormatVersion = 1;

uint32_t field_length(ByteView field) {
  if (field.size() > std::numeric_limits<uint32_t>::max()) {
    throw InternalFault("key-history field longer than 4294967295 bytes");
  }
  return static_cast<uint32_t>(field.size());
}

Result<void> check_prev(const Entry& e) {
  if (e.prev_entry_hash && e.prev_entry_hash->empty()) {
    return Error::malformed_canonical_leaf(
        "prev_entry_hash present but empty; genesis must use None");
  }
  return {};
}

// The canonical bytes piece by piece, for a writer or straight into a hash.
template <class F>
void canonical_pieces(const Entry& e, F&& piece) {
  uint8_t head[20];
  ByteWriter::into(head).u32(kFormatVersion).u64(e.seq).u64(e.ts_ms);
  piece(ByteView(head));
  for (ByteView field : {e.enc_x25519, e.enc_pq, e.signing_pub, e.prev_entry_hash.value_or(ByteView{})}) {
    uint8_t length[4];
    ByteWriter::into(length).u32(field_length(field));
    piece(ByteView(length));
    piece(field);
  }
}

}  // namespace

Entry normalised(Entry entry) {
  if (entry.prev_entry_hash && entry.prev_entry_hash->empty()) entry.prev_entry_hash.reset();
  return entry;
}

Result<Bytes> canonical_bytes(const Entry& e) {
  SILVANTROPE_CHECK(check_prev(e));
  const ByteView prev = e.prev_entry_hash.value_or(ByteView{});
  ByteWriter w(36 + e.enc_x25519.size() + e.enc_pq.size() + e.signing_pub.size() + prev.size());
  canonical_pieces(e, [&](ByteView piece) { w.bytes(piece); });
  return std::move(w).take();
}

Result<Hash64> entry_hash(const Entry& entry, const context::ContextLabel& label) {
  SILVANTROPE_CHECK(check_prev(entry));
  context::ContextHasher h;
  h.begin(as_bytes(label.text));
  canonical_pieces(entry, [&](ByteView piece) { h.update(piece); });
  return h.final();
}

Result<Hash32> rfc6962_leaf_hash(const Entry& entry) {
  SILVANTROPE_CHECK(check_prev(entry));
  crypto::Digest sha256(crypto::DigestAlgorithm::Sha256);
  const uint8_t leaf_prefix = 0x00;
  sha256.update({&leaf_prefix, 1});
  canonical_pieces(entry, [&](ByteView piece) { sha256.update(piece); });
  return sha256.final<32>();
}

}  // namespace silvantrope::key_history
