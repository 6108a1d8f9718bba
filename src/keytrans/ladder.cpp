// SPDX-License-Identifier: Apache-2.0
#include "keytrans/ladder.h"

#include <algorithm>

namespace silvantrope::keytrans {

std::vector<uint64_t> search_ladder(uint32_t t) {
  std::vector<uint64_t> ladder;
  uint64_t entry = 0;
  for (unsigned i = 1;; ++i) {
    ladder.push_back(entry);
    if (entry > t) break;
    entry = (uint64_t{1} << i) - 1;
  }
  uint64_t lo = ladder[ladder.size() - 2], hi = ladder.back();
  while (lo + 1 < hi) {
    const uint64_t mid = (lo + hi) / 2;
    ladder.push_back(mid);
    (mid > t ? hi : lo) = mid;
  }
  return ladder;
}

std::vector<uint64_t> monitoring_ladder(uint32_t v) {
  std::vector<uint64_t> ladder = search_ladder(v);
  std::erase_if(ladder, [v](uint64_t entry) { return entry > v; });
  return ladder;
}

}  // namespace silvantrope::keytrans
