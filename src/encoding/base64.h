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

// base64_decode into out, which has room for text.size() / 4 * 3 bytes;
// returns how many it wrote.
Result<size_t> base64_decode_to(std::string_view text, uint8_t* out);

// The checks of base64_decode, in its order and with its texts, without
// building the bytes; returns how many bytes the text decodes to.
Result<size_t> base64_check(std::string_view text);

// Writes the first n decoded bytes of a text base64_check accepted into out
// and returns how many it wrote (fewer when the text is shorter).
size_t base64_prefix(std::string_view text, uint8_t* out, size_t n);

// Standard padded base64.
std::string base64_encode(ByteView bytes);

// Two hex digits per byte, either case; anything else, an unpaired last
// digit included, is "invalid hex character".
Result<Bytes> hex_decode(std::string_view text);

}  // namespace silvantrope::encoding
