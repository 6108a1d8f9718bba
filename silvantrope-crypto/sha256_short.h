// SPDX-License-Identifier: Apache-2.0
#pragma once

// SHA-256 of short prefixed messages, the hashes of every Merkle tree:
// SHA-256(prefix || a || b) for two 32-byte hashes (an RFC 6962 node) and
// SHA-256(prefix || data). A message that fits two blocks (119 bytes) is
// padded here and handed to libcrypto's compression function block by
// block, skipping SHA256_Update's buffering and SHA256_Final's clearing.

#include <cstdint>
#include <span>

#include "core/bytes.h"

namespace silvantrope::crypto {

void sha256_prefixed(uint8_t prefix, const uint8_t a[32], const uint8_t b[32], uint8_t out[32]);
void sha256_prefixed(uint8_t prefix, ByteView data, uint8_t out[32]);

// The two-hash form as builds without SSE2 compute it, whatever this build
// has: the tests hold it to sha256_prefixed, so the portable code is tested
// on x86-64 too.
void sha256_prefixed_portable(uint8_t prefix, const uint8_t a[32], const uint8_t b[32], uint8_t out[32]);

// SHA-256(data) by the same path when data fits two blocks (at most 119
// bytes); false, out untouched, for longer data.
bool sha256_if_short(ByteView data, uint8_t out[32]);

// SHA-256(prefix || m) for each message, the digests written to out one
// after the other (32 bytes each). Each message is padded while the one
// before it is compressed, so the compression never waits on the stores
// that built its input.
void sha256_prefixed_each(uint8_t prefix, std::span<const ByteView> messages, uint8_t* out);

}  // namespace silvantrope::crypto
