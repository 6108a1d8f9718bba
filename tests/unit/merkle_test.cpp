#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "merkle/hash.h"
#include "merkle/proof.h"
#include "rfc6962_tree.h"

namespace silvantrope::merkle {
namespace {

using test_support::Rfc6962Tree;
using TBytes = test_support::Bytes;

std::vector<ByteView> views(const std::vector<TBytes>& v) {
  return std::vector<ByteView>(v.begin(), v.end());
}

std::string message(const Result<void>& r) { return r ? "" : r.error().message(); }

TBytes unhex(std::string_view s) {
  TBytes out;
  for (size_t i = 0; i < s.size(); i += 2) out.push_back(std::stoi(std::string(s.substr(i, 2)), nullptr, 16));
  return out;
}

TEST(Rfc6962, HashesMatchDefinitions) {
  const TBytes data{0x61, 0x62, 0x63};
  Hash32 leaf = leaf_hash(data);
  EXPECT_EQ(TBytes(leaf.begin(), leaf.end()), test_support::leaf_hash(data));
  Hash32 node = node_hash(leaf, leaf);
  EXPECT_EQ(TBytes(node.begin(), node.end()),
            test_support::node_hash(TBytes(leaf.begin(), leaf.end()), TBytes(leaf.begin(), leaf.end())));
  // The empty leaf of the reference data set.
  Hash32 empty = leaf_hash({});
  EXPECT_EQ(TBytes(empty.begin(), empty.end()),
            unhex("6e340b9cffb37a989ca544e6bb780a2c78901d3fb33738768511a30617afa01d"));
}

// Published roots of the eight-leaf reference tree, for sizes 1..8.
TEST(Rfc6962, ReferenceTreeRoots) {
  const char* roots[] = {
      "6e340b9cffb37a989ca544e6bb780a2c78901d3fb33738768511a30617afa01d",
      "fac54203e7cc696cf0dfcb42c92a1d9dbaf70ad9e621f4bd8d98662f00e3c125",
      "aeb6bcfe274b70a14fb067a5e5578264db0fa9b51af5e0ba159158f329e06e77",
      "d37ee418976dd95753c1c73862b9398fa2a2cf9b4ff0fdfe8b30cd95209614b7",
      "4e3bbb1f7b478dcfe71fb631631519a3bca12c9aefca1612bfce4c13a86264d4",
      "76e67dadbcdf1e10e1b74ddc608abd2f98dfb16fbce75277b5232a127f2087ef",
      "ddb89be403809e325750d3d263cd78929c2942b7942a34b77e122c9594a74c8c",
      "5dc9da79a70659a9ad559cb701ded9a2ab9d823aad2f4960cfe370eff4604328",
  };
  Rfc6962Tree tree(test_support::reference_leaves());
  for (size_t n = 1; n <= 8; ++n) EXPECT_EQ(tree.root(n), unhex(roots[n - 1])) << "size " << n;
}

std::vector<TBytes> numbered_leaves(size_t n) {
  std::vector<TBytes> leaves;
  for (size_t i = 0; i < n; ++i) leaves.push_back({static_cast<uint8_t>(i), static_cast<uint8_t>(i >> 8), 0x5a});
  return leaves;
}

// Every proof of every smaller tree verifies; a proof with one element altered,
// or checked for another leaf, does not.
void check_inclusion_all(const std::vector<TBytes>& leaves) {
  Rfc6962Tree tree(leaves);
  for (size_t n = 1; n <= leaves.size(); ++n) {
    const TBytes root = tree.root(n);
    for (size_t m = 0; m < n; ++m) {
      SCOPED_TRACE("leaf " + std::to_string(m) + " of " + std::to_string(n));
      const TBytes leaf = test_support::leaf_hash(leaves[m]);
      auto proof = tree.inclusion_proof(m, n);
      ASSERT_EQ(message(verify_inclusion_proof(m, n, leaf, views(proof), root)), "");
      for (size_t i = 0; i < proof.size(); ++i) {
        auto bad = proof;
        bad[i][i % 32] ^= 0x01;
        EXPECT_EQ(verify_inclusion_proof(m, n, leaf, views(bad), root).error().kind(),
                  Error::Kind::RootMismatch);
      }
      TBytes other = leaf;
      other[0] ^= 0x80;
      EXPECT_FALSE(verify_inclusion_proof(m, n, other, views(proof), root));
    }
  }
}

void check_consistency_all(const std::vector<TBytes>& leaves) {
  Rfc6962Tree tree(leaves);
  for (size_t n = 1; n <= leaves.size(); ++n) {
    const TBytes root2 = tree.root(n);
    for (size_t m = 1; m <= n; ++m) {
      SCOPED_TRACE("consistency " + std::to_string(m) + " -> " + std::to_string(n));
      const TBytes root1 = tree.root(m);
      auto proof = tree.consistency_proof(m, n);
      ASSERT_EQ(message(verify_consistency_proof(m, n, views(proof), root1, root2)), "");
      for (size_t i = 0; i < proof.size(); ++i) {
        auto bad = proof;
        bad[i][31 - i % 32] ^= 0x40;
        EXPECT_EQ(verify_consistency_proof(m, n, views(bad), root1, root2).error().kind(),
                  Error::Kind::RootMismatch);
      }
      if (m < n) {
        // Proofs do not transfer to other roots.
        EXPECT_FALSE(verify_consistency_proof(m, n, views(proof), tree.root(m == 1 ? 2 : m - 1), root2));
        EXPECT_FALSE(verify_consistency_proof(m, n, views(proof), root1, tree.root(n - 1)));
      }
    }
  }
}

TEST(Rfc6962, ReferenceTreeAllProofs) {
  check_inclusion_all(test_support::reference_leaves());
  check_consistency_all(test_support::reference_leaves());
}

TEST(Rfc6962, LargerTreeAllProofs) {
  check_inclusion_all(numbered_leaves(70));
  check_consistency_all(numbered_leaves(70));
}

struct Case {
  const char* name;
  uint64_t a;  // index or size1
  uint64_t b;  // size or size2
  std::vector<TBytes> proof;
  TBytes x;  // leaf hash or root1
  TBytes y;  // root or root2
  std::string want;
};

TBytes h(uint8_t fill, size_t n = 32) { return TBytes(n, fill); }

TEST(Rfc6962, InclusionChecksInOrder) {
  Rfc6962Tree tree(numbered_leaves(8));
  const TBytes leaf0 = test_support::leaf_hash(numbered_leaves(8)[0]);
  const TBytes root8 = tree.root(8);
  const TBytes root1 = tree.root(1);
  const std::vector<Case> cases = {
      {"one leaf: empty proof, leaf is root", 0, 1, {}, leaf0, root1, ""},
      {"one leaf: other root", 0, 1, {}, leaf0, root8, "root mismatch: recomputed root does not match the expected root"},
      {"root checked first", 9, 8, {}, leaf0, h(1, 31), "invalid hash length: got 31 bytes, want 32"},
      {"index = size", 8, 8, {}, leaf0, root8, "leaf index 8 is beyond tree size 8"},
      {"size 0", 0, 0, {}, leaf0, root8, "leaf index 0 is beyond tree size 0"},
      {"leaf length", 0, 8, {}, h(1, 33), root8, "invalid hash length: got 33 bytes, want 32"},
      {"too short", 0, 8, {h(1), h(2)}, leaf0, root8, "wrong proof size: got 2, want 3"},
      {"too long", 0, 8, {h(1), h(2), h(3), h(4)}, leaf0, root8, "wrong proof size: got 4, want 3"},
      {"element length after count", 0, 8, {h(1), h(2, 33), h(3, 1)}, leaf0, root8, "invalid hash length: got 33 bytes, want 32"},
      {"index 6 of 7 has two border elements", 6, 7, {h(1)}, leaf0, root8, "wrong proof size: got 1, want 2"},
      {"largest tree: border only", UINT64_MAX - 1, UINT64_MAX, {}, leaf0, root8, "wrong proof size: got 0, want 63"},
      {"largest tree: inner only", 0, UINT64_MAX, {}, leaf0, root8, "wrong proof size: got 0, want 64"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(message(verify_inclusion_proof(c.a, c.b, c.x, views(c.proof), c.y)), c.want);
  }
}

TEST(Rfc6962, InclusionAtLastIndexOfSevenChainsBorderOnly) {
  const TBytes leaf = h(7), p0 = h(8), p1 = h(9);
  const TBytes root = test_support::node_hash(p1, test_support::node_hash(p0, leaf));
  EXPECT_TRUE(verify_inclusion_proof(6, 7, leaf, views({p0, p1}), root));
  EXPECT_FALSE(verify_inclusion_proof(6, 7, leaf, views({p1, p0}), root));
}

TEST(Rfc6962, InclusionAtDepth63) {
  std::vector<TBytes> proof;
  for (int i = 0; i < 63; ++i) proof.push_back(h(static_cast<uint8_t>(i)));
  const TBytes leaf = h(0xaa);
  const TBytes root = test_support::leftmost_root(leaf, proof);
  EXPECT_TRUE(verify_inclusion_proof(0, uint64_t{1} << 63, leaf, views(proof), root));
  EXPECT_EQ(message(verify_inclusion_proof(0, (uint64_t{1} << 63) + 1, leaf, views(proof), root)),
            "wrong proof size: got 63, want 64");
}

TEST(Rfc6962, ConsistencyChecksInOrder) {
  Rfc6962Tree tree(numbered_leaves(8));
  const TBytes r3 = tree.root(3), r4 = tree.root(4), r8 = tree.root(8);
  const std::string mismatch = "root mismatch: recomputed root does not match the expected root";
  const std::vector<Case> cases = {
      {"root2 checked first", 0, 0, {}, r3, h(0, 31), "invalid hash length: got 31 bytes, want 32"},
      {"regression before empty", 10, 7, {}, r3, r4, "tree size regression: size2 (7) < size1 (10)"},
      {"empty to empty", 0, 0, {}, r3, r3, "consistency proof from an empty tree is meaningless"},
      {"empty to non-empty", 0, 5, {h(1)}, h(0, 3), r4, "consistency proof from an empty tree is meaningless"},
      {"root1 length", 3, 4, {}, h(0, 31), r4, "invalid hash length: got 31 bytes, want 32"},
      {"equal sizes, equal roots", 4, 4, {}, r4, r4, ""},
      {"equal sizes, other roots", 4, 4, {}, r4, r8, mismatch},
      {"equal sizes, non-empty proof", 4, 4, {r4}, r4, r4, "consistency proof between equal sizes must be empty"},
      {"empty proof", 3, 8, {}, r3, r8, "wrong proof size: got 0, want 1"},
      {"seed length before count", 3, 4, {h(1, 33)}, r3, r4, "invalid hash length: got 33 bytes, want 32"},
      {"3 to 4 wants three", 3, 4, {h(1), h(2)}, r3, r4, "wrong proof size: got 2, want 3"},
      {"4 to 8 wants one", 4, 8, {h(1), h(2)}, r4, r8, "wrong proof size: got 2, want 1"},
      {"element length after count", 3, 4, {h(1), h(2), h(3, 2)}, r3, r4, "invalid hash length: got 2 bytes, want 32"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(message(verify_consistency_proof(c.a, c.b, views(c.proof), c.x, c.y)), c.want);
  }
}

TEST(Rfc6962, ConsistencyProofShapes) {
  Rfc6962Tree tree(numbered_leaves(8));
  const auto leaves = numbered_leaves(8);
  // 3 -> 4: the seed (leaf 2), then leaf 3, then the node over leaves 0 and 1.
  auto p = tree.consistency_proof(3, 4);
  ASSERT_EQ(p.size(), 3u);
  EXPECT_EQ(p[0], test_support::leaf_hash(leaves[2]));
  EXPECT_EQ(p[1], test_support::leaf_hash(leaves[3]));
  EXPECT_EQ(p[2], tree.root(2));
  EXPECT_EQ(tree.consistency_proof(1, 2).size(), 1u);
  EXPECT_EQ(tree.consistency_proof(4, 8).size(), 1u);
  // 4 -> 8 recomputes root1 from the seed: a wrong root1 is caught first.
  EXPECT_EQ(message(verify_consistency_proof(4, 8, views(tree.consistency_proof(4, 8)),
                                             tree.root(3), tree.root(8))),
            "root mismatch: recomputed root does not match the expected root");
}

TEST(Rfc6962, ConsistencyAcrossHugeSizes) {
  // size1 = 2^62 is a power of two, size2 = 2^63: one proof element.
  const TBytes r1 = h(0x11), p = h(0x22);
  const TBytes r2 = test_support::node_hash(r1, p);
  EXPECT_TRUE(verify_consistency_proof(uint64_t{1} << 62, uint64_t{1} << 63, views({p}), r1, r2));
  // Sizes up to 2^64 - 1 are handled without overflow.
  EXPECT_EQ(message(verify_consistency_proof(1, UINT64_MAX, views({}), r1, r2)),
            "wrong proof size: got 0, want 1");
  EXPECT_EQ(message(verify_consistency_proof(1, UINT64_MAX, views({p}), r1, r2)),
            "wrong proof size: got 1, want 64");
}

}  // namespace
}  // namespace silvantrope::merkle
