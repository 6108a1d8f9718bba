// SPDX-License-Identifier: Apache-2.0
#pragma once

// One rung of a binary ladder against a prefix-tree root: the rung's VRF
// proof gives the search key, its prefix proof the path from that key's
// position (a leaf, another key's leaf or an empty child) to the root.

#include "core/error.h"
#include "keytrans/proof.h"
#include "keytrans/suite.h"
#include "silvantrope-crypto/digest.h"

namespace silvantrope::keytrans {

// true: the label's version is in the tree; false: it provably is not.
Result<bool> evaluate_rung(crypto::Digest& sha256, const KeytransContext& ctx, ByteView label,
                           const LadderStep& step, ByteView prefix_root);

}  // namespace silvantrope::keytrans
