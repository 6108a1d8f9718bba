#include "tiles/tree.h"

#include <algorithm>
#include <cstring>

#include "merkle/hash.h"
#include "silvantrope-crypto/digest.h"
#include "tiles/width.h"

namespace silvantrope::tiles {
namespace {

bool before(const TileId& a, const TileId& b) {
  return a.level != b.level ? a.level < b.level : a.index < b.index;
}

// The subtree's hash from the run of count hashes it covers in its tile.
Result<Hash32> subtree_hash(merkle::NodeHasher& hasher, const TileSet& tiles, uint64_t tree_size,
                            const Subtree& s) {
  const TileSlot slot = slot_of(s);
  auto data = tiles.get(tile_at(tree_size, slot.level, slot.index));
  if (!data) return std::move(data).error();
  Hash32 run[kTileWidth / 2];
  for (unsigned i = 0; i < slot.count; ++i) {
    std::memcpy(run[i].data(), data->data() + (slot.first + i) * kHashBytes, kHashBytes);
  }
  for (unsigned n = slot.count; n > 1; n /= 2) {
    for (unsigned i = 0; i < n / 2; ++i) run[i] = hasher.node(run[2 * i], run[2 * i + 1]);
  }
  return run[0];
}

Result<std::vector<Hash32>> range_hashes(const TileSet& tiles, uint64_t tree_size, Result<std::vector<Range>> ranges) {
  if (!ranges) return std::move(ranges).error();
  std::vector<Hash32> out;
  out.reserve(ranges->size());
  for (const Range& r : *ranges) {
    auto h = range_hash(tiles, tree_size, r);
    if (!h) return std::move(h).error();
    out.push_back(*h);
  }
  return out;
}

}  // namespace

std::vector<TileId> tiles_for_ranges(uint64_t tree_size, const std::vector<Range>& ranges) {
  std::vector<TileId> out;
  for (const Range& r : ranges) {
    for (const Subtree& s : decompose(r)) {
      const TileSlot slot = slot_of(s);
      out.push_back(tile_at(tree_size, slot.level, slot.index));
    }
  }
  std::sort(out.begin(), out.end(), before);
  out.erase(std::unique(out.begin(), out.end()), out.end());
  return out;
}

Result<std::vector<TileId>> tiles_for_inclusion(uint64_t tree_size, uint64_t index) {
  auto ranges = inclusion_ranges(tree_size, index);
  if (!ranges) return std::move(ranges).error();
  return tiles_for_ranges(tree_size, *ranges);
}

Result<std::vector<TileId>> tiles_for_consistency(uint64_t old_size, uint64_t new_size) {
  auto ranges = consistency_ranges(old_size, new_size);
  if (!ranges) return std::move(ranges).error();
  return tiles_for_ranges(new_size, *ranges);
}

std::vector<TileId> tiles_for_tree_hash(uint64_t tree_size) {
  if (tree_size == 0) return {};
  return tiles_for_ranges(tree_size, {{0, tree_size}});
}

Result<Hash32> range_hash(const TileSet& tiles, uint64_t tree_size, Range r) {
  merkle::NodeHasher hasher;
  const std::vector<Subtree> parts = decompose(r);
  std::vector<Hash32> hashes;
  hashes.reserve(parts.size());
  for (const Subtree& s : parts) {
    auto h = subtree_hash(hasher, tiles, tree_size, s);
    if (!h) return std::move(h).error();
    hashes.push_back(*h);
  }
  Hash32 acc = hashes.back();
  for (size_t i = hashes.size() - 1; i-- > 0;) acc = hasher.node(hashes[i], acc);
  return acc;
}

Result<Hash32> tree_hash(const TileSet& tiles, uint64_t tree_size) {
  if (tree_size == 0) {
    Hash32 empty;
    crypto::Digest(crypto::DigestAlgorithm::Sha256).final(empty.data());
    return empty;
  }
  return range_hash(tiles, tree_size, {0, tree_size});
}

Result<std::vector<Hash32>> inclusion_proof(const TileSet& tiles, uint64_t tree_size, uint64_t index) {
  return range_hashes(tiles, tree_size, inclusion_ranges(tree_size, index));
}

Result<std::vector<Hash32>> consistency_proof(const TileSet& tiles, uint64_t old_size, uint64_t new_size) {
  return range_hashes(tiles, new_size, consistency_ranges(old_size, new_size));
}

}  // namespace silvantrope::tiles
