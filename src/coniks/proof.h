// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <array>
#include <cstdint>

#include "core/bytes.h"
#include "core/error.h"

namespace silvantrope::coniks {

// The 256 siblings of a leaf's path, from just below the root (entry 0) to
// the leaf's own sibling (entry 255); nullptr stands for an empty subtree.
// Entries point into the proof bytes.
using AuthPath = std::array<const uint8_t*, 256>;

struct LookupProof {
  ByteView vrf_proof;
  ByteView value;
  ByteView opening;  // 32 bytes
  AuthPath path;
};

struct AbsenceProof {
  ByteView vrf_proof;
  AuthPath path;
};

// Parsed proofs view the proof bytes, which must outlive them.
Result<LookupProof> parse_lookup_proof(ByteView proof);
Result<AbsenceProof> parse_absence_proof(ByteView proof);

}  // namespace silvantrope::coniks
