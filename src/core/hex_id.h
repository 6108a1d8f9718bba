// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdio>
#include <string>

namespace silvantrope {

// "0x" and the value as `digits` lowercase hex digits: tags, suite and
// backend ids in messages.
inline std::string hex_id(unsigned value, int digits) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%0*x", digits, value);
  return buf;
}

}  // namespace silvantrope
