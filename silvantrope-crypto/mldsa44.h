// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "core/bytes.h"

namespace silvantrope::crypto {

// FIPS 204 pure ML-DSA-44 with an empty context over the message itself.
// A key that is not 1312 bytes or a signature that is not 2420 bytes does
// not verify.
bool verify_mldsa44(ByteView public_key, ByteView signature, ByteView message);

}  // namespace silvantrope::crypto
