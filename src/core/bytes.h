// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace silvantrope {

using Bytes = std::vector<uint8_t>;
using ByteView = std::span<const uint8_t>;
using Hash32 = std::array<uint8_t, 32>;
using Hash64 = std::array<uint8_t, 64>;

inline ByteView as_bytes(std::string_view s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

inline std::string_view as_text(ByteView b) {
  return {reinterpret_cast<const char*>(b.data()), b.size()};
}

inline bool equal(ByteView a, ByteView b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}

}  // namespace silvantrope
