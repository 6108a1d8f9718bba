// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string>
#include <string_view>

namespace silvantrope {

// The quoted form used wherever a message names a caller's string (key names,
// namespaces, labels, offending lines): the text between double quotes with
// the escapes of Rust's `{:?}` for str. Printable characters stand as they
// are; \" \\ \t \r \n \0 have short escapes; any other character that is not
// printable, or that extends a grapheme, is written \u{hex}.
//
// Bytes that are not UTF-8 (text arguments are not validated at the
// boundary) are written \xNN each, so a message is always valid UTF-8.
//
// Untrusted input can be arbitrarily long, so at most kQuotedBytesMax bytes
// of it are quoted (never splitting a UTF-8 sequence); the rest is counted
// after the closing quote: "abc..."... (1234 more bytes).
inline constexpr size_t kQuotedBytesMax = 256;
std::string quote(std::string_view s);

// True when quote() writes the code point as \u{...}.
bool needs_unicode_escape(char32_t c);

}  // namespace silvantrope
