#pragma once

// Lifting the Tile record { path: String, data: Vec<u8> }: views into the
// argument buffer, checked by the tile set, not here.

#include "ffi/lift.h"
#include "tiles/tile_set.h"

namespace silvantrope::ffi {

namespace wire {
struct Tile {};
}  // namespace wire

template <>
struct Lift<wire::Tile> {
  using Value = tiles::TileInput;
  static constexpr size_t kMinSize = 8;  // two length prefixes
  static Lifted<Value> read(ByteReader& r) {
    auto path = Lift<wire::String>::read(r);
    if (!path) return std::move(path).error();
    auto data = Lift<wire::ByteList>::read(r);
    if (!data) return std::move(data).error();
    return Value{*path, *data};
  }
};

}  // namespace silvantrope::ffi
