// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "core/bytes.h"
#include "silvantrope-crypto/digest.h"

namespace silvantrope::merkle {

// RFC 6962 §2.1 domain separation: 0x00 before leaf data, 0x01 before the
// concatenation of two child hashes.
Hash32 leaf_hash(ByteView data);
Hash32 node_hash(const Hash32& left, const Hash32& right);

// Hashes many interior nodes with one SHA-256 context.
class NodeHasher {
 public:
  NodeHasher() : digest_(crypto::DigestAlgorithm::Sha256) {}

  Hash32 node(const Hash32& left, const Hash32& right) {
    uint8_t message[65];
    message[0] = 0x01;
    std::copy(left.begin(), left.end(), message + 1);
    std::copy(right.begin(), right.end(), message + 33);
    Hash32 out;
    digest_.update(message).final(out.data());
    return out;
  }

  Hash32 leaf(ByteView data) {
    const uint8_t prefix = 0x00;
    Hash32 out;
    digest_.update({&prefix, 1}).update(data).final(out.data());
    return out;
  }

 private:
  crypto::Digest digest_;
};

}  // namespace silvantrope::merkle
