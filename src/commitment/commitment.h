// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <array>

#include "core/bytes.h"
#include "core/error.h"

namespace silvantrope::commitment {

using Opening = std::array<uint8_t, 32>;

// sha3_512_with_context(context, opening || value).
Hash64 compute_commitment(ByteView context, ByteView value, const Opening& opening);

// The commitment opens to value under context, or CommitmentMismatch.
Result<void> verify_commitment(ByteView context, const Hash64& commitment, ByteView value,
                               const Opening& opening);

}  // namespace silvantrope::commitment
