#pragma once

// C2SP tlog-tiles entry bundles: 1 to 256 entries, each a big-endian uint16
// length and that many bytes, nothing after the last.

#include "core/bytes.h"
#include "core/error.h"

namespace silvantrope::tiles {

// Checks the bundle's framing; returns its entry count.
Result<unsigned> check_bundle(ByteView bundle);

// The level-0 tile data the bundle implies: the RFC 6962 leaf hash of each
// entry, concatenated.
Result<Bytes> bundle_leaf_hashes(ByteView bundle);

}  // namespace silvantrope::tiles
