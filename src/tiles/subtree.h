#pragma once

// The ranges of leaves an RFC 6962 proof or root needs, and their
// decomposition into maximal aligned complete subtrees, each of which one
// tile holds.

#include <cstdint>
#include <vector>

#include "core/error.h"
#include "tiles/path.h"

namespace silvantrope::tiles {

// Leaves [begin, end) of the tree.
struct Range {
  uint64_t begin;
  uint64_t end;
};

// A complete subtree of 2^height leaves starting at leaf start (a multiple
// of 2^height).
struct Subtree {
  unsigned height;
  uint64_t start;
};

// The maximal aligned complete subtrees of [begin, end), left to right; at
// most 64. The range hash folds them from the right.
std::vector<Subtree> decompose(Range r);

// The tile holding a subtree's hashes: level floor(height / 8), its index,
// and the first hash and hash count within it.
struct TileSlot {
  unsigned level;
  uint64_t index;
  unsigned first;
  unsigned count;
};
TileSlot slot_of(const Subtree& s);

// The ranges whose hashes make up each proof, in proof order. Index and sizes
// are checked as the plain proof checks them.
Result<std::vector<Range>> inclusion_ranges(uint64_t tree_size, uint64_t index);
Result<std::vector<Range>> consistency_ranges(uint64_t old_size, uint64_t new_size);

}  // namespace silvantrope::tiles
