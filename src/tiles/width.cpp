#include "tiles/width.h"

namespace silvantrope::tiles {

unsigned tile_width(uint64_t tree_size, unsigned level, uint64_t index) {
  if (level * kTileHeight >= 64) return 0;
  const uint64_t hashes = tree_size >> (level * kTileHeight);
  const uint64_t full = hashes >> kTileHeight;
  if (index < full) return kTileWidth;
  if (index == full) return static_cast<unsigned>(hashes & (kTileWidth - 1));
  return 0;
}

}  // namespace silvantrope::tiles
