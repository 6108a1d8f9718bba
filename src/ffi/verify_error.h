// SPDX-License-Identifier: Apache-2.0
#pragma once

// The error type that crosses the boundary. Most exports return the Error of
// a verifier, flattened into its message; a few first check that a
// fixed-size argument has its exact length, and that failure is a message of
// its own ("{name} must be exactly {n} bytes"), with no Error prefix.

#include <array>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>

#include "core/bytes.h"
#include "core/error.h"

namespace silvantrope::ffi {

struct VerifyError {
  Message message;
};

template <class T>
using Outcome = Expected<T, VerifyError>;

inline Message take_message(Error&& e) { return std::move(e).take_message(); }
inline Message take_message(VerifyError&& e) { return std::move(e.message); }

template <class T>
Outcome<T> outcome(Result<T> r) {
  if (!r) return VerifyError{std::move(r).error().take_message()};
  if constexpr (std::is_void_v<T>) {
    return {};
  } else {
    return std::move(*r);
  }
}

// The argument as a fixed-size array, or the length message naming it.
template <size_t N>
Expected<std::array<uint8_t, N>, VerifyError> exact(std::string_view name, ByteView b) {
  if (b.size() != N) {
    return VerifyError{Message(std::string(name) + " must be exactly " + std::to_string(N) + " bytes")};
  }
  std::array<uint8_t, N> out;
  std::memcpy(out.data(), b.data(), N);
  return out;
}

}  // namespace silvantrope::ffi
