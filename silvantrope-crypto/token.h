// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string_view>

#include "core/bytes.h"
#include "core/expected.h"
#include "silvantrope-crypto/crypto_error.h"

namespace silvantrope::crypto {

// Decodes a key or signature token: strict RFC 4648 standard base64, with the
// canonical amount of "=" padding and zero unused bits in the last symbol.
Expected<Bytes, CryptoError> decode_token(std::string_view token);

}  // namespace silvantrope::crypto
