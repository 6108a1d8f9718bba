#include "tiles/tile_set.h"

#include <algorithm>

namespace silvantrope::tiles {

Result<TileSet> TileSet::build(std::span<const TileInput> tiles) {
  TileSet set;
  for (const TileInput& t : tiles) {
    auto id = parse_tile_path(t.path);
    if (!id) return std::move(id).error();
    const size_t want = kHashBytes * id->width;
    if (t.data.size() != want) {
      return Error::malformed_tile(format_tile_path(*id) + " holds " + std::to_string(t.data.size()) +
                                   " bytes, want " + std::to_string(want));
    }
    auto [it, fresh] = set.tiles_.try_emplace({id->level, id->index}, Held{*id, t.data});
    if (fresh) continue;
    Held& held = it->second;
    const size_t common = std::min(held.data.size(), t.data.size());
    const auto diff = std::mismatch(held.data.begin(), held.data.begin() + common, t.data.begin());
    if (diff.first != held.data.begin() + common) {
      const size_t hash = static_cast<size_t>(diff.first - held.data.begin()) / kHashBytes;
      return Error::malformed_tile(format_tile_path(held.id) + " and " + format_tile_path(*id) +
                                   " disagree on hash " + std::to_string(hash));
    }
    if (id->width > held.id.width) held = Held{*id, t.data};
  }
  return set;
}

Result<ByteView> TileSet::get(const TileId& needed) const {
  const auto it = tiles_.find({needed.level, needed.index});
  if (it == tiles_.end()) return Error::malformed_tile("missing " + format_tile_path(needed));
  if (it->second.id.width < needed.width) {
    return Error::malformed_tile("missing " + format_tile_path(needed) + " (have only " +
                                 format_tile_path(it->second.id) + ")");
  }
  return it->second.data;
}

}  // namespace silvantrope::tiles
