// Roots and proofs computed from tiles against a plain RFC 6962 tree, over
// mirrors laid out by the test-support writer; the needed-tile sets checked
// for sufficiency and minimality; the tile-set input rules.

#include <gtest/gtest.h>

#include <deque>

#include "checkpoint/tlog_policy.h"
#include "merkle/proof.h"
#include "notes.h"
#include "rfc6962_tree.h"
#include "tile_mirror.h"
#include "tiles/bundle.h"
#include "tiles/tree.h"
#include "tiles/verify.h"

namespace silvantrope::tiles {
namespace {

using test_support::Rfc6962Tree;
using test_support::TileMirror;

std::vector<Bytes> entries(uint64_t n) {
  std::vector<Bytes> out;
  for (uint64_t i = 0; i < n; ++i) out.push_back(test_support::generated_entry(i, i % 7 * 13));
  return out;
}

struct Log {
  explicit Log(uint64_t n) : leaves(entries(n)), tree(leaves, true), mirror(test_support::make_mirror(leaves)) {}
  std::vector<Bytes> leaves;
  Rfc6962Tree tree;
  TileMirror mirror;

  // The mirror's files for the given tiles (the widths the mirror has).
  std::vector<TileInput> inputs(const std::vector<TileId>& ids) const {
    std::vector<TileInput> out;
    for (const TileId& id : ids) {
      const auto& data = mirror.files.at(format_tile_path(id));
      out.push_back({paths.emplace_back(format_tile_path(id)), data});
    }
    return out;
  }
  mutable std::deque<std::string> paths;
};

std::vector<Bytes> as_bytes(const std::vector<Hash32>& hashes) {
  std::vector<Bytes> out;
  for (const Hash32& h : hashes) out.emplace_back(h.begin(), h.end());
  return out;
}

TileSet set_of(const std::vector<TileInput>& inputs) {
  auto set = TileSet::build(inputs);
  EXPECT_TRUE(set) << set.error().message();
  return std::move(*set);
}

// With exactly the needed tiles the computation gives want; without any one
// of them it fails naming that tile.
template <class Compute>
void check_needed(const Log& log, const std::vector<TileId>& needed, Compute compute, const std::vector<Bytes>& want,
                  const std::string& what) {
  auto all = log.inputs(needed);
  auto got = compute(set_of(all));
  ASSERT_TRUE(got) << what << ": " << got.error().message();
  EXPECT_EQ(*got, want) << what;
  for (size_t drop = 0; drop < needed.size(); ++drop) {
    auto fewer = all;
    fewer.erase(fewer.begin() + static_cast<long>(drop));
    auto r = compute(set_of(fewer));
    ASSERT_FALSE(r) << what << " without " << format_tile_path(needed[drop]);
    EXPECT_EQ(r.error().message(), "malformed tile: missing " + format_tile_path(needed[drop])) << what;
  }
}

void check_tree(uint64_t n, const std::vector<uint64_t>& indexes, const std::vector<uint64_t>& olds) {
  const Log log(n);
  const std::string tag = "size " + std::to_string(n);
  check_needed(
      log, tiles_for_tree_hash(n),
      [&](const TileSet& s) -> Result<std::vector<Bytes>> {
        auto r = tree_hash(s, n);
        if (!r) return std::move(r).error();
        return std::vector<Bytes>{Bytes(r->begin(), r->end())};
      },
      {log.tree.root(n)}, tag + " root");
  for (uint64_t i : indexes) {
    auto needed = tiles_for_inclusion(n, i);
    ASSERT_TRUE(needed);
    check_needed(
        log, *needed,
        [&](const TileSet& s) -> Result<std::vector<Bytes>> {
          auto r = inclusion_proof(s, n, i);
          if (!r) return std::move(r).error();
          return as_bytes(*r);
        },
        log.tree.inclusion_proof(i, n), tag + " index " + std::to_string(i));
  }
  for (uint64_t m : olds) {
    auto needed = tiles_for_consistency(m, n);
    ASSERT_TRUE(needed);
    check_needed(
        log, *needed,
        [&](const TileSet& s) -> Result<std::vector<Bytes>> {
          auto r = consistency_proof(s, m, n);
          if (!r) return std::move(r).error();
          return as_bytes(*r);
        },
        log.tree.consistency_proof(m, n), tag + " from " + std::to_string(m));
  }
}

std::vector<uint64_t> every(uint64_t from, uint64_t to) {
  std::vector<uint64_t> out;
  for (uint64_t i = from; i < to; ++i) out.push_back(i);
  return out;
}

TEST(Tiles, SmallTreesEveryIndexAndOldSize) {
  for (uint64_t n : {1, 2, 3, 7, 8, 255, 256, 257, 300, 513}) {
    check_tree(n, every(0, n), every(1, n + 1));
  }
}

TEST(Tiles, LargerTreesSampled) {
  for (uint64_t n : {65536 + 256 + 3, 65536 * 2 + 256 * 3 + 17}) {
    check_tree(n, {0, 1, 255, 256, 65535, 65536, n - 257, n - 1}, {1, 256, 65536, n - 1, n});
  }
}

TEST(Tiles, WiderTileStandsInForNarrowerNeverTheReverse) {
  const Log big(600), small(300);
  const uint64_t n = 300;
  // The full level-0 tile 1 of the bigger log stands in for tile/0/001.p/44.
  std::vector<TileInput> inputs = big.inputs({{0, 1, 256}, {1, 0, 2}});
  auto proof = inclusion_proof(set_of(inputs), n, 299);
  ASSERT_TRUE(proof) << proof.error().message();
  EXPECT_EQ(as_bytes(*proof), small.tree.inclusion_proof(299, n));
  // A narrower partial tile cannot stand in for a wider one.
  inputs = small.inputs({{0, 1, 44}, {1, 0, 1}});
  auto narrow = inclusion_proof(set_of(inputs), 301, 300);
  ASSERT_FALSE(narrow);
  EXPECT_EQ(narrow.error().message(), "malformed tile: missing tile/0/001.p/45 (have only tile/0/001.p/44)");
}

TEST(Tiles, InputRules) {
  const Log log(600);
  const Bytes& full = log.mirror.files.at("tile/0/001");
  Bytes other(full.begin(), full.begin() + 88 * 32);
  other[5 * 32 + 3] ^= 1;
  const std::vector<std::pair<std::vector<TileInput>, std::string>> cases = {
      {{{"tile/0/001", full}, {"tile/0/001.p/88", other}}, "malformed tile: tile/0/001 and tile/0/001.p/88 disagree on hash 5"},
      {{{"tile/0/001.p/88", other}, {"tile/0/001", full}}, "malformed tile: tile/0/001.p/88 and tile/0/001 disagree on hash 5"},
      {{{"tile/0/001.p/87", other}}, "malformed tile: tile/0/001.p/87 holds 2816 bytes, want 2784"},
      {{{"tile/entries/001", full}}, "malformed tile: path \"tile/entries/001\": an entry bundle is not a hash tile"},
      {{{"tile/0/x018/x446/x744/x073/x709/x551/616", full}}, "malformed tile: path \"tile/0/x018/x446/x744/x073/x709/x551/616\": index is 2^64 or more"},
  };
  for (const auto& [inputs, want] : cases) {
    auto r = TileSet::build(inputs);
    ASSERT_FALSE(r) << want;
    EXPECT_EQ(r.error().message(), want);
  }
  // Agreeing duplicates and unneeded tiles are fine.
  auto ok = TileSet::build(std::vector<TileInput>{{"tile/0/001", full}, {"tile/0/001.p/3", {full.data(), 96}},
                                                   {"tile/5/000.p/1", {full.data(), 32}}});
  EXPECT_TRUE(ok);
}

TEST(Tiles, OneFlippedBitInEachNeededTileIsCaught) {
  const uint64_t n = 65536 + 256 * 5 + 9;
  const Log log(n);
  const Bytes root = log.tree.root(n);
  for (uint64_t index : {uint64_t{0}, uint64_t{66000}, n - 1}) {
    const std::vector<Bytes> want = log.tree.inclusion_proof(index, n);
    auto needed = tiles_for_inclusion(n, index);
    ASSERT_TRUE(needed);
    const auto inputs = log.inputs(*needed);
    const Bytes leaf = test_support::leaf_hash(log.leaves[index]);
    for (size_t t = 0; t < inputs.size(); ++t) {
      size_t caught = 0;
      for (size_t h = 0; h < inputs[t].data.size() / 32; ++h) {
        Bytes flipped(inputs[t].data.begin(), inputs[t].data.end());
        flipped[h * 32 + h % 32] ^= 0x80;
        auto changed = inputs;
        changed[t].data = flipped;
        auto proof = inclusion_proof(set_of(changed), n, index);
        ASSERT_TRUE(proof);
        const std::vector<ByteView> path(proof->begin(), proof->end());
        if (as_bytes(*proof) == want) continue;  // a hash this proof does not use
        EXPECT_FALSE(merkle::verify_inclusion_proof(index, n, leaf, path, root));
        ++caught;
      }
      EXPECT_GT(caught, 0u) << format_tile_path((*needed)[t]) << " is needed but no flip in it matters";
    }
  }
}

TEST(Tiles, BundleLeafHashesMatchTheLevelZeroTiles) {
  const Log log(600);
  for (const auto& [bundle, tile] : {std::pair{"tile/entries/000", "tile/0/000"}, {"tile/entries/002.p/88", "tile/0/002.p/88"}}) {
    auto hashes = bundle_leaf_hashes(log.mirror.files.at(bundle));
    ASSERT_TRUE(hashes) << hashes.error().message();
    EXPECT_EQ(*hashes, log.mirror.files.at(tile));
  }
}

// Past 2^63 leaves the root's left subtree has height 63: the 128 hashes of
// tile/7/000.p/128 reduced, beside the last leaf (no mirror that size exists:
// the two tiles are made up).
TEST(Tiles, TreePastTwoToThe63) {
  const uint64_t n = (uint64_t{1} << 63) + 1;
  const std::vector<TileId> needed = tiles_for_tree_hash(n);
  ASSERT_EQ(needed, (std::vector<TileId>{{0, uint64_t{1} << 55, 1}, {7, 0, 128}}));
  const Bytes leaf = test_support::sha256({'z'});
  std::vector<Bytes> level;
  Bytes wide;
  for (uint8_t i = 0; i < 128; ++i) {
    level.push_back(test_support::sha256({i}));
    wide.insert(wide.end(), level.back().begin(), level.back().end());
  }
  for (size_t w = level.size(); w > 1; w /= 2) {
    for (size_t i = 0; i < w / 2; ++i) level[i] = test_support::node_hash(level[2 * i], level[2 * i + 1]);
  }
  const std::string paths[] = {format_tile_path(needed[0]), format_tile_path(needed[1])};
  const TileSet set = set_of({{paths[0], leaf}, {paths[1], wide}});
  const auto root = tree_hash(set, n);
  ASSERT_TRUE(root);
  EXPECT_EQ(Bytes(root->begin(), root->end()), test_support::node_hash(level[0], leaf));
  const auto proof = inclusion_proof(set, n, n - 1);
  ASSERT_TRUE(proof);
  EXPECT_EQ(as_bytes(*proof), std::vector<Bytes>{level[0]});
}

TEST(Tiles, HostileSizesFailFast) {
  const uint64_t top = UINT64_MAX;
  auto needed = tiles_for_inclusion(top, top - 1);
  ASSERT_TRUE(needed);
  EXPECT_LE(needed->size(), 64u * 2);
  EXPECT_FALSE(inclusion_proof(set_of({}), top, top - 1));
  EXPECT_EQ(tiles_for_consistency(0, 5).error().message(), "consistency proof from an empty tree is meaningless");
  EXPECT_TRUE(tiles_for_consistency(top, top)->empty());
  std::vector<TileInput> many;
  const Bytes hash(32, 7);
  std::deque<std::string> names;
  for (uint64_t i = 0; i < 100000; ++i) many.push_back({names.emplace_back("tile/0/" + format_tile_index(i) + ".p/1"), hash});
  EXPECT_TRUE(TileSet::build(many));
}

TEST(Tiles, VerifyInclusionUnderAPolicy) {
  const uint64_t n = 1000;
  const Log log(n);
  const auto key = test_support::NoteKey::ed25519("log.example/tiles", 9);
  const std::string note = test_support::sign_note(test_support::checkpoint_body(key.name, n, log.tree.root(n)), {&key});
  const std::string policy = "log " + key.verifier_key() + "\nquorum none\n";
  auto needed = tiles_for_inclusion(n, 517);
  ASSERT_TRUE(needed);
  const auto inputs = log.inputs(*needed);
  const Bytes leaf = test_support::leaf_hash(log.leaves[517]);
  auto v = verify_inclusion(note, policy, 517, leaf, inputs, 0);
  ASSERT_TRUE(v) << v.error().message();
  EXPECT_EQ(v->head.size, n);
  EXPECT_EQ(verify_inclusion(note, policy, 5, leaf, inputs, 0).error().message(), "malformed tile: missing tile/0/000");
  const Bytes other = test_support::leaf_hash(log.leaves[516]);
  EXPECT_EQ(verify_inclusion(note, policy, 517, other, inputs, 0).error().kind(), Error::Kind::RootMismatch);
  EXPECT_EQ(verify_inclusion(note, "quorum none\n", 517, leaf, inputs, 0).error().kind(), Error::Kind::UntrustedOrigin);
  auto with_bad_path = inputs;
  with_bad_path.push_back({"tile/00/000", leaf});
  EXPECT_EQ(verify_inclusion(note, policy, 517, leaf, with_bad_path, 0).error().message(),
            "malformed tile: path \"tile/00/000\": level has a leading zero");
}

}  // namespace
}  // namespace silvantrope::tiles
