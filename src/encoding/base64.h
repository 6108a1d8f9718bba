// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string>
#include <string_view>

#include "core/bytes.h"
#include "core/error.h"

namespace silvantrope::encoding {

// The decoder for the base64 inside signed notes and checkpoints (key data,
// signature blobs, root hashes). Standard alphabet, no whitespace, and these
// group rules: a trailing run of at most two "=", each "=" counting as six
// zero bits wherever it stands, and the bits a short group discards must be
// zero. Failures are MalformedSignedNote with one of five fixed details.
Result<Bytes> base64_decode(std::string_view text);

// Standard padded base64.
std::string base64_encode(ByteView bytes);

// Two hex digits per byte, either case; anything else, an unpaired last
// digit included, is "invalid hex character".
Result<Bytes> hex_decode(std::string_view text);

}  // namespace silvantrope::encoding
