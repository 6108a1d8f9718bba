// SPDX-License-Identifier: Apache-2.0
#pragma once

// Option values, parsed strictly: every malformed value is a UsageError
// naming its option.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "silvantrope_log.hpp"

namespace slog {

using silvantrope_log::Bytes;

// Decimal digits only, no sign, no leading zero, at most max.
uint64_t decimal(const std::string& s, const std::string& what, uint64_t max = UINT64_MAX);
// The same, or nothing when s is not such a number.
std::optional<uint64_t> decimal_or_none(const std::string& s, uint64_t max);
// Decimal with an optional "-", within int32_t.
int32_t int32(const std::string& s, const std::string& what);
// Decimal, or 0x-prefixed hexadecimal, at most max.
uint64_t id(const std::string& s, const std::string& what, uint64_t max);
// An even number of hex digits.
Bytes hex(const std::string& s, const std::string& what);
// A hash: hex, or standard base64 with its padding (as Go's tlog prints).
Bytes hash(const std::string& s, const std::string& what);
// Hashes from repeated values, each possibly comma-separated.
std::vector<Bytes> hashes(const std::vector<std::string>& values, const std::string& what);

// Input named in a message: between single quotes, control characters and
// bytes that are not UTF-8 written \xNN (\ and ' escaped), at most 256 bytes
// of it, then " (N more bytes)".
std::string shown(std::string_view s);
// A word as it stands when it is printable ASCII without blanks or quotes
// (and not too long), else shown(word).
std::string word(std::string_view s);

std::string to_hex(const Bytes& b);
std::optional<Bytes> from_base64(const std::string& s);

}  // namespace slog
