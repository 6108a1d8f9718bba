#include "tiles/subtree.h"

#include <bit>

namespace silvantrope::tiles {
namespace {

// The largest power of two below n (n >= 2).
uint64_t split_point(uint64_t n) { return std::bit_floor(n - 1); }

// RFC 6962 §2.1.1 PATH(m, D[begin:end]).
void path(uint64_t m, Range r, std::vector<Range>& out) {
  if (r.end - r.begin <= 1) return;
  const uint64_t k = split_point(r.end - r.begin);
  if (m - r.begin < k) {
    path(m, {r.begin, r.begin + k}, out);
    out.push_back({r.begin + k, r.end});
  } else {
    path(m, {r.begin + k, r.end}, out);
    out.push_back({r.begin, r.begin + k});
  }
}

// RFC 6962 §2.1.2 SUBPROOF(m, D[begin:end], complete), m counted from begin.
void subproof(uint64_t m, Range r, bool complete, std::vector<Range>& out) {
  const uint64_t n = r.end - r.begin;
  if (m == n) {
    if (!complete) out.push_back(r);
    return;
  }
  const uint64_t k = split_point(n);
  if (m <= k) {
    subproof(m, {r.begin, r.begin + k}, complete, out);
    out.push_back({r.begin + k, r.end});
  } else {
    subproof(m - k, {r.begin + k, r.end}, false, out);
    out.push_back({r.begin, r.begin + k});
  }
}

}  // namespace

std::vector<Subtree> decompose(Range r) {
  std::vector<Subtree> out;
  uint64_t at = r.begin;
  while (at < r.end) {
    // The largest aligned power of two that fits.
    unsigned h = at == 0 ? 63 : static_cast<unsigned>(std::countr_zero(at));
    if (h > 63) h = 63;
    while ((uint64_t{1} << h) > r.end - at) --h;
    out.push_back({h, at});
    at += uint64_t{1} << h;
  }
  return out;
}

TileSlot slot_of(const Subtree& s) {
  const unsigned level = s.height / kTileHeight;
  const uint64_t position = s.start >> (level * kTileHeight);
  return {level, position >> kTileHeight, static_cast<unsigned>(position & (kTileWidth - 1)),
          1u << (s.height - level * kTileHeight)};
}

Result<std::vector<Range>> inclusion_ranges(uint64_t tree_size, uint64_t index) {
  if (index >= tree_size) return Error::leaf_index_beyond_tree_size(index, tree_size);
  std::vector<Range> out;
  path(index, {0, tree_size}, out);
  return out;
}

Result<std::vector<Range>> consistency_ranges(uint64_t old_size, uint64_t new_size) {
  if (new_size < old_size) return Error::tree_size_regression(old_size, new_size);
  if (old_size == 0) return Error::empty_tree_consistency();
  std::vector<Range> out;
  if (old_size < new_size) subproof(old_size, {0, new_size}, true, out);
  return out;
}

}  // namespace silvantrope::tiles
