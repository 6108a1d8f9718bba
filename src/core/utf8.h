// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace silvantrope::utf8 {

// Where decoding stopped. error_len is the length of the invalid sequence, or
// empty when the input ended inside a sequence; these are the semantics of
// Rust's core::str::Utf8Error, whose texts the boundary reproduces.
struct Invalid {
  size_t valid_up_to;
  std::optional<uint8_t> error_len;
};

// One step of decoding at position i: either a scalar value and its width, or
// the failure found there (valid_up_to = i).
struct Step {
  char32_t code_point = 0;
  uint8_t width = 0;
  std::optional<Invalid> invalid;
};

Step decode_at(std::string_view s, size_t i);

std::optional<Invalid> validate(std::string_view s);

// "invalid utf-8 sequence of {k} bytes from index {i}" or
// "incomplete utf-8 byte sequence from index {i}".
std::string describe(const Invalid& e);

}  // namespace silvantrope::utf8
