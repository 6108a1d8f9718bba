#pragma once

#include <cstdint>

#include "tiles/path.h"

namespace silvantrope::tiles {

// The width of tile (level, index) in a tree of tree_size leaves:
// min(256, floor(tree_size / 256^level) - 256 * index) when positive, else 0
// (no such tile).
unsigned tile_width(uint64_t tree_size, unsigned level, uint64_t index);

// The tile (level, index) with the width tree_size implies (0: none).
inline TileId tile_at(uint64_t tree_size, unsigned level, uint64_t index) {
  return TileId{static_cast<uint8_t>(level), index, static_cast<uint16_t>(tile_width(tree_size, level, index))};
}

}  // namespace silvantrope::tiles
