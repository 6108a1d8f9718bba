// SPDX-License-Identifier: Apache-2.0
#include "merkle/hash.h"

namespace silvantrope::merkle {

Hash32 leaf_hash(ByteView data) { return NodeHasher().leaf(data); }

}  // namespace silvantrope::merkle
