// SPDX-License-Identifier: Apache-2.0
#pragma once

// The KEYTRANS log tree: leaves are SHA-256(timestamp || prefix root), and a
// parent hashes each child behind a type byte (0x00 for a single leaf, 0x01
// for a hashed node). A proof opens one leaf with the heads of the full
// subtrees around its path, left to right.

#include <cstdint>

#include "core/error.h"
#include "keytrans/tls.h"
#include "silvantrope-crypto/digest.h"

namespace silvantrope::keytrans {

Hash32 log_leaf_value(crypto::Digest& sha256, uint64_t timestamp, ByteView prefix_root);

Result<void> verify_log_inclusion(crypto::Digest& sha256, ByteView expected_root, uint64_t entry_index,
                                  uint64_t tree_size, uint64_t timestamp, ByteView prefix_root,
                                  const HashList& elements);

}  // namespace silvantrope::keytrans
