// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "core/bytes.h"

namespace silvantrope::crypto {

// HMAC-SHA256 (RFC 2104) of the concatenation of two messages.
Hash32 hmac_sha256(ByteView key, ByteView message1, ByteView message2);

}  // namespace silvantrope::crypto
