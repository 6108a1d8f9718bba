// SPDX-License-Identifier: Apache-2.0
// Every inclusion and consistency proof of two reference trees verifies, and
// altering any element, the leaf or a root makes it fail. The checks' order
// and texts are in tests/data/cases/merkle.sample.

#include <gtest/gtest.h>

#include "merkle/proof.h"
#include "rfc6962_tree.h"

namespace silvantrope::merkle {
namespace {

using test_support::Rfc6962Tree;
using TBytes = test_support::Bytes;

std::vector<ByteView> views(const std::vector<TBytes>& v) { return {v.begin(), v.end()}; }

bool root_mismatch(const Result<void>& r) { return !r && r.error().kind() == Error::Kind::RootMismatch; }

void check_all_proofs(const std::vector<TBytes>& leaves) {
  Rfc6962Tree tree(leaves);
  for (size_t n = 1; n <= leaves.size(); ++n) {
    const TBytes root = tree.root(n);
    for (size_t m = 0; m < n; ++m) {
      SCOPED_TRACE(std::to_string(m) + " of " + std::to_string(n));
      TBytes leaf = test_support::leaf_hash(leaves[m]);
      auto proof = tree.inclusion_proof(m, n);
      ASSERT_TRUE(verify_inclusion_proof(m, n, leaf, views(proof), root));
      for (size_t i = 0; i < proof.size(); ++i) {
        auto bad = proof;
        bad[i][i % 32] ^= 0x01;
        EXPECT_TRUE(root_mismatch(verify_inclusion_proof(m, n, leaf, views(bad), root)));
      }
      leaf[0] ^= 0x80;
      EXPECT_TRUE(root_mismatch(verify_inclusion_proof(m, n, leaf, views(proof), root)));
    }
    for (size_t m = 1; m <= n; ++m) {
      SCOPED_TRACE(std::to_string(m) + " -> " + std::to_string(n));
      const TBytes root1 = tree.root(m);
      auto proof = tree.consistency_proof(m, n);
      ASSERT_TRUE(verify_consistency_proof(m, n, views(proof), root1, root));
      for (size_t i = 0; i < proof.size(); ++i) {
        auto bad = proof;
        bad[i][31 - i % 32] ^= 0x40;
        EXPECT_TRUE(root_mismatch(verify_consistency_proof(m, n, views(bad), root1, root)));
      }
      if (m < n) {
        EXPECT_FALSE(verify_consistency_proof(m, n, views(proof), tree.root(m == 1 ? 2 : m - 1), root));
        EXPECT_FALSE(verify_consistency_proof(m, n, views(proof), root1, tree.root(n - 1)));
      }
    }
  }
}

TEST(Rfc6962, ReferenceTree) {
  // Published roots of the RFC 6962 reference data set for sizes 1, 2, 7 and 8.
  Rfc6962Tree tree(test_support::reference_leaves());
  const std::pair<size_t, const char*> roots[] = {
      {1, "6e340b9cffb37a989ca544e6bb780a2c78901d3fb33738768511a30617afa01d"},
      {2, "fac54203e7cc696cf0dfcb42c92a1d9dbaf70ad9e621f4bd8d98662f00e3c125"},
      {7, "ddb89be403809e325750d3d263cd78929c2942b7942a34b77e122c9594a74c8c"},
      {8, "5dc9da79a70659a9ad559cb701ded9a2ab9d823aad2f4960cfe370eff4604328"},
  };
  for (const auto& [n, hex] : roots) {
    TBytes want;
    for (size_t i = 0; i < 64; i += 2) want.push_back(std::stoi(std::string(hex + i, 2), nullptr, 16));
    EXPECT_EQ(tree.root(n), want) << n;
  }
  check_all_proofs(test_support::reference_leaves());
}

TEST(Rfc6962, SeventyLeaves) {
  std::vector<TBytes> leaves;
  for (size_t i = 0; i < 70; ++i) leaves.push_back({static_cast<uint8_t>(i), 0x5a});
  check_all_proofs(leaves);
}

}  // namespace
}  // namespace silvantrope::merkle
