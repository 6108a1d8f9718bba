// SPDX-License-Identifier: Apache-2.0
#pragma once

// Option values, parsed strictly: every malformed value is a UsageError
// naming its option.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "silvantrope_log.hpp"

namespace slog {

using silvantrope_log::Bytes;

// Decimal digits only, no sign, no leading zero, at most max.
uint64_t decimal(const std::string& s, const std::string& what, uint64_t max = UINT64_MAX);
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

std::string to_hex(const Bytes& b);
std::optional<Bytes> from_base64(const std::string& s);

}  // namespace slog
