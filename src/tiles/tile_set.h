#pragma once

// Tiles as a client fetched them: untrusted paths and data, checked once,
// then looked up by the tile a hash needs.

#include <map>
#include <span>
#include <string_view>
#include <utility>

#include "core/bytes.h"
#include "core/error.h"
#include "tiles/path.h"

namespace silvantrope::tiles {

inline constexpr size_t kHashBytes = 32;

struct TileInput {
  std::string_view path;
  ByteView data;
};

class TileSet {
 public:
  // Every path must parse, every data length be 32 x width, and two tiles of
  // one (level, index) must agree on the hashes they share.
  static Result<TileSet> build(std::span<const TileInput> tiles);

  // The data of the widest tile at (needed.level, needed.index) if it holds
  // at least needed.width hashes; a missing or too narrow tile is an error
  // naming the needed path.
  Result<ByteView> get(const TileId& needed) const;

 private:
  struct Held {
    TileId id;
    ByteView data;
  };
  std::map<std::pair<uint8_t, uint64_t>, Held> tiles_;
};

}  // namespace silvantrope::tiles
