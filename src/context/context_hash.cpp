// SPDX-License-Identifier: Apache-2.0
#include "context/context_hash.h"

namespace silvantrope::context {

ContextHasher& ContextHasher::begin(ByteView context) {
  uint8_t prefix[8];
  const uint64_t n = context.size();
  for (int i = 0; i < 8; ++i) prefix[i] = static_cast<uint8_t>(n >> (8 * (7 - i)));
  digest_.init().update(prefix).update(context);
  return *this;
}

BoundContext::BoundContext(ByteView context) {
  prefixed_.reserve(8 + context.size());
  const uint64_t n = context.size();
  for (int i = 7; i >= 0; --i) prefixed_.push_back(static_cast<uint8_t>(n >> (8 * i)));
  prefixed_.insert(prefixed_.end(), context.begin(), context.end());
}

Hash64 sha3_512_with_context(ByteView context, ByteView message) {
  return ContextHasher().hash(context, message);
}

}  // namespace silvantrope::context
