// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "context/label.h"
#include "core/bytes.h"
#include "core/error.h"

namespace silvantrope::key_history {

inline constexpr std::string_view kDefaultLabel = "tarnwyk/key-history/v1";

// One entry of a hash-chained key history. The key fields are opaque; a
// genesis entry has no previous entry hash.
struct Entry {
  uint64_t seq = 0;
  uint64_t ts_ms = 0;
  ByteView enc_x25519;
  ByteView enc_pq;
  ByteView signing_pub;
  std::optional<ByteView> prev_entry_hash;
};

// Foreign callers may mark genesis either way; a present but empty previous
// hash is taken as absent.
Entry normalised(Entry entry);

// The Layer-0 leaf bytes: version 1, seq, ts_ms, then each key and the
// previous hash with a 4-byte length.
Result<Bytes> canonical_bytes(const Entry& entry);

// sha3_512_with_context(label, canonical bytes): the chain hash.
Result<Hash64> entry_hash(const Entry& entry, const context::ContextLabel& label);

// SHA-256(0x00 || canonical bytes): the entry's RFC 6962 leaf hash.
Result<Hash32> rfc6962_leaf_hash(const Entry& entry);

}  // namespace silvantrope::key_history
