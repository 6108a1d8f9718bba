#include "tiles/verify.h"

#include <vector>

#include "merkle/proof.h"
#include "tiles/tree.h"

namespace silvantrope::tiles {

Result<checkpoint::VerifiedCheckpoint> verify_inclusion(std::string_view note_text, std::string_view policy_text,
                                                        uint64_t index, ByteView leaf_hash,
                                                        std::span<const TileInput> tiles, uint64_t not_before) {
  auto policy = checkpoint::parse_tlog_policy(policy_text);
  if (!policy) return std::move(policy).error();
  auto verified = checkpoint::verify_with_policy(note_text, *policy, not_before);
  if (!verified) return std::move(verified).error();
  const checkpoint::CheckpointHead& head = verified->head;
  auto set = TileSet::build(tiles);
  if (!set) return std::move(set).error();
  auto proof = inclusion_proof(*set, head.size, index);
  if (!proof) return std::move(proof).error();
  const std::vector<ByteView> path(proof->begin(), proof->end());
  if (auto r = merkle::verify_inclusion_proof(index, head.size, leaf_hash, path, head.root); !r) {
    return std::move(r).error();
  }
  return std::move(*verified);
}

}  // namespace silvantrope::tiles
