#pragma once

// C2SP tlog-tiles paths: tile/<L>/<N>[.p/<W>], N split into 3-digit
// elements, all but the last prefixed by "x" (1234067 -> x001/x234/067).
// The shortest form is the only valid one.

#include <cstdint>
#include <string>
#include <string_view>

#include "core/error.h"

namespace silvantrope::tiles {

inline constexpr unsigned kTileHeight = 8;
inline constexpr unsigned kTileWidth = 1u << kTileHeight;  // hashes in a full tile
inline constexpr unsigned kMaxLevel = 63;

// A tile's coordinates; width 256 is a full tile, 1-255 a partial one.
struct TileId {
  uint8_t level = 0;
  uint64_t index = 0;
  uint16_t width = kTileWidth;
  bool operator==(const TileId&) const = default;
};

Result<TileId> parse_tile_path(std::string_view path);
std::string format_tile_path(const TileId& id);

// The index element grammar alone (shared with entry bundle paths): "000",
// "x001/234", ... without the tile/<L>/ prefix and without a .p/<W> suffix.
Result<uint64_t> parse_tile_index(std::string_view elements, std::string_view path);
std::string format_tile_index(uint64_t index);

}  // namespace silvantrope::tiles
