// SPDX-License-Identifier: Apache-2.0
#include "merkle/hash.h"

namespace silvantrope::merkle {

Hash32 leaf_hash(ByteView data) { return NodeHasher().leaf(data); }

Hash32 node_hash(const Hash32& left, const Hash32& right) {
  return NodeHasher().node(left, right);
}

}  // namespace silvantrope::merkle
