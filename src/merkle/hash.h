// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "core/bytes.h"
#include "silvantrope-crypto/sha256_short.h"

namespace silvantrope::merkle {

// RFC 6962 §2.1 domain separation: 0x00 before leaf data, 0x01 before the
// concatenation of two child hashes.
Hash32 leaf_hash(ByteView data);

// Interior-node and leaf hashing for the proof and tile code.
class NodeHasher {
 public:
  Hash32 node(const Hash32& left, const Hash32& right) {
    Hash32 out;
    crypto::sha256_prefixed(0x01, left.data(), right.data(), out.data());
    return out;
  }

  Hash32 leaf(ByteView data) {
    Hash32 out;
    crypto::sha256_prefixed(0x00, data, out.data());
    return out;
  }
};

}  // namespace silvantrope::merkle
