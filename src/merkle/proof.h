// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>

#include "core/byte_view_list.h"
#include "core/bytes.h"
#include "core/error.h"

namespace silvantrope::merkle {

// RFC 9162 §2.1.3.2: the leaf (already hashed) at index is in the tree of
// size leaves whose root is root.
Result<void> verify_inclusion_proof(uint64_t index, uint64_t size, ByteView leaf_hash,
                                    const ByteViewList& proof, const ByteView& root);

// RFC 9162 §2.1.4.2: the tree of size2 leaves with root2 extends the tree of
// size1 leaves with root1.
Result<void> verify_consistency_proof(uint64_t size1, uint64_t size2,
                                      const ByteViewList& proof, ByteView root1,
                                      ByteView root2);

}  // namespace silvantrope::merkle
