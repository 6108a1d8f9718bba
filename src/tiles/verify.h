#pragma once

// The one call a tiled-log client makes: the checkpoint under a tlog-policy,
// then the inclusion proof computed from the fetched tiles against its root.

#include <span>
#include <string_view>

#include "checkpoint/tlog_policy.h"
#include "tiles/tile_set.h"

namespace silvantrope::tiles {

Result<checkpoint::VerifiedCheckpoint> verify_inclusion(std::string_view note_text, std::string_view policy,
                                                        uint64_t index, ByteView leaf_hash,
                                                        std::span<const TileInput> tiles, uint64_t not_before);

}  // namespace silvantrope::tiles
