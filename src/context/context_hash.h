// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "core/bytes.h"
#include "silvantrope-crypto/digest.h"

namespace silvantrope::context {

// SHA3-512(BE64(len(context)) || context || message). Only the context is
// length-prefixed; it is not validated here.
Hash64 sha3_512_with_context(ByteView context, ByteView message);

// A context's length prefix and bytes, built once for hashing many messages
// under it.
class BoundContext {
 public:
  explicit BoundContext(ByteView context);
  ByteView prefixed() const { return prefixed_; }

 private:
  Bytes prefixed_;
};

// The same hash with one reusable SHA3-512 context, for verifiers that bind
// many messages.
class ContextHasher {
 public:
  ContextHasher() : digest_(crypto::DigestAlgorithm::Sha3_512) {}

  // Starts a message under context; append with update(), finish with final().
  ContextHasher& begin(ByteView context);
  ContextHasher& begin(const BoundContext& context) {
    digest_.init().update(context.prefixed());
    return *this;
  }
  ContextHasher& update(ByteView data) {
    digest_.update(data);
    return *this;
  }
  Hash64 final() { return digest_.final<64>(); }

  Hash64 hash(ByteView context, ByteView message) { return begin(context).update(message).final(); }

 private:
  crypto::Digest digest_;
};

}  // namespace silvantrope::context
