#pragma once

// RFC 6962 roots and proofs computed from tiles, byte-identical to what a log
// serves, and the tiles each computation needs.

#include <cstdint>
#include <string>
#include <vector>

#include "core/bytes.h"
#include "core/error.h"
#include "tiles/path.h"
#include "tiles/subtree.h"
#include "tiles/tile_set.h"

namespace silvantrope::tiles {

// The tiles, at the widths tree_size implies, that hold every subtree of the
// ranges' decompositions: sorted by level then index, without duplicates.
std::vector<TileId> tiles_for_ranges(uint64_t tree_size, const std::vector<Range>& ranges);

Result<std::vector<TileId>> tiles_for_inclusion(uint64_t tree_size, uint64_t index);
Result<std::vector<TileId>> tiles_for_consistency(uint64_t old_size, uint64_t new_size);
std::vector<TileId> tiles_for_tree_hash(uint64_t tree_size);

// MTH of [r.begin, r.end), an RFC 6962 subtree of the tree of tree_size.
Result<Hash32> range_hash(const TileSet& tiles, uint64_t tree_size, Range r);

Result<Hash32> tree_hash(const TileSet& tiles, uint64_t tree_size);
Result<std::vector<Hash32>> inclusion_proof(const TileSet& tiles, uint64_t tree_size, uint64_t index);
Result<std::vector<Hash32>> consistency_proof(const TileSet& tiles, uint64_t old_size, uint64_t new_size);

}  // namespace silvantrope::tiles
