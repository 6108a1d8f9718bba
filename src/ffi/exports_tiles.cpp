// C2SP tlog-tiles: the tiles a proof needs, roots and proofs computed from
// fetched tiles, inclusion under a tlog-policy, entry bundles.

#include "ffi/call.h"
#include "ffi/lift_tile.h"
#include "ffi/records.h"
#include "silvantrope_log.h"
#include "tiles/bundle.h"
#include "tiles/tree.h"
#include "tiles/verify.h"

using namespace silvantrope;
using namespace silvantrope::ffi;

namespace {

Result<std::vector<std::string>> paths(Result<std::vector<tiles::TileId>> ids) {
  if (!ids) return std::move(ids).error();
  std::vector<std::string> out;
  out.reserve(ids->size());
  for (const tiles::TileId& id : *ids) out.push_back(tiles::format_tile_path(id));
  return out;
}

// compute(set) over the checked set of the tiles given.
template <class F>
auto from_tiles(const std::vector<tiles::TileInput>& tiles, F&& compute)
    -> decltype(compute(std::declval<const tiles::TileSet&>())) {
  auto set = tiles::TileSet::build(tiles);
  if (!set) return std::move(set).error();
  return compute(*set);
}

}  // namespace

extern "C" {

RustBuffer uniffi_silvantrope_log_fn_func_tlog_tiles_for_inclusion(uint64_t tree_size, uint64_t index,
                                                                   RustCallStatus* status) {
  return call(status, [&] { return paths(tiles::tiles_for_inclusion(tree_size, index)); });
}

RustBuffer uniffi_silvantrope_log_fn_func_tlog_tiles_for_consistency(uint64_t old_size, uint64_t new_size,
                                                                     RustCallStatus* status) {
  return call(status, [&] { return paths(tiles::tiles_for_consistency(old_size, new_size)); });
}

RustBuffer uniffi_silvantrope_log_fn_func_tlog_tiles_tree_hash(uint64_t tree_size, RustBuffer tiles,
                                                               RustCallStatus* status) {
  return call(
      status,
      [&](const std::vector<tiles::TileInput>& given) {
        return from_tiles(given, [&](const tiles::TileSet& set) { return tiles::tree_hash(set, tree_size); });
      },
      arg<wire::List<wire::Tile>>("tiles", tiles));
}

RustBuffer uniffi_silvantrope_log_fn_func_tlog_tiles_inclusion_proof(uint64_t tree_size, uint64_t index,
                                                                     RustBuffer tiles, RustCallStatus* status) {
  return call(
      status,
      [&](const std::vector<tiles::TileInput>& given) {
        return from_tiles(given, [&](const tiles::TileSet& set) { return tiles::inclusion_proof(set, tree_size, index); });
      },
      arg<wire::List<wire::Tile>>("tiles", tiles));
}

RustBuffer uniffi_silvantrope_log_fn_func_tlog_tiles_consistency_proof(uint64_t old_size, uint64_t new_size,
                                                                       RustBuffer tiles, RustCallStatus* status) {
  return call(
      status,
      [&](const std::vector<tiles::TileInput>& given) {
        return from_tiles(given,
                          [&](const tiles::TileSet& set) { return tiles::consistency_proof(set, old_size, new_size); });
      },
      arg<wire::List<wire::Tile>>("tiles", tiles));
}

RustBuffer uniffi_silvantrope_log_fn_func_tlog_tiles_verify_inclusion(RustBuffer note_text, RustBuffer policy,
                                                                      uint64_t index, RustBuffer leaf_hash,
                                                                      RustBuffer tiles, uint64_t not_before,
                                                                      RustCallStatus* status) {
  return call(
      status,
      [&](std::string_view text, std::string_view policy_text, ByteView leaf,
          const std::vector<tiles::TileInput>& given) {
        return tiles::verify_inclusion(text, policy_text, index, leaf, given, not_before);
      },
      arg<wire::Text>("note_text", note_text), arg<wire::Text>("policy", policy),
      arg<wire::ByteList>("leaf_hash", leaf_hash), arg<wire::List<wire::Tile>>("tiles", tiles));
}

RustBuffer uniffi_silvantrope_log_fn_func_tlog_tiles_leaf_hashes(RustBuffer bundle, RustCallStatus* status) {
  return call(
      status, [](ByteView b) { return tiles::bundle_leaf_hashes(b); }, arg<wire::ByteList>("bundle", bundle));
}

}  // extern "C"
