// SPDX-License-Identifier: Apache-2.0
#pragma once

// Binary ladders: the versions a search or monitoring proof must show, in
// the order it must show them.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace silvantrope::keytrans {

// Exponential phase 0, 1, 3, 7, ... up to the first entry above t, then a
// binary search between the last two entries down to t.
std::vector<uint64_t> search_ladder(uint32_t t);
// The entries of search_ladder(v) that are at most v, in order.
std::vector<uint64_t> monitoring_ladder(uint32_t v);

template <class Steps>
bool ladder_matches(const Steps& steps, const std::vector<uint64_t>& canonical) {
  if (steps.size() != canonical.size()) return false;
  for (size_t i = 0; i < canonical.size(); ++i) {
    if (steps[i].version != canonical[i]) return false;
  }
  return true;
}

}  // namespace silvantrope::keytrans
