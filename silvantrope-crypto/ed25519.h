// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "core/bytes.h"

namespace silvantrope::crypto {

// RFC 8032 Ed25519 in its strict form, over the message itself: the key and
// R must be canonical encodings of points that are not of small order, s must
// be below the group order, and the recomputed R must equal the given one.
// Any other input (wrong lengths included) does not verify.
bool verify_ed25519_strict(ByteView public_key, ByteView signature, ByteView message);

}  // namespace silvantrope::crypto
