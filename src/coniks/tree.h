// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <array>
#include <string>

#include "coniks/proof.h"
#include "context/context_hash.h"
#include "context/namespace.h"
#include "core/bytes.h"

namespace silvantrope::coniks {

using Index = std::array<uint8_t, 32>;

// The four context labels of a namespace's directory.
struct Labels {
  explicit Labels(context::Namespace ns);
  std::string commitment;  // ns/coniks-commitment/v1
  context::BoundContext leaf;   // ns/coniks-leaf/v1
  context::BoundContext node;   // ns/coniks-node/v1
  context::BoundContext empty;  // ns/coniks-empty/v1
};

// The sparse Merkle tree of depth 256 under one namespace's labels: E[d] is
// the value of an empty subtree whose top is at depth d, E[256] the empty
// leaf. One SHA3-512 context serves every hash.
class Tree {
 public:
  explicit Tree(const Labels& labels);

  const Hash64& empty(size_t depth) const { return empty_[depth]; }
  Hash64 leaf(const Index& index, const Hash64& commitment);
  // Hashes from the leaf value up to the root: 256 node hashes.
  Hash64 root(const Hash64& leaf_value, const Index& index, const AuthPath& path);

 private:
  Hash64 node(const uint8_t* left, const uint8_t* right);

  const Labels& labels_;
  context::ContextHasher hasher_;
  std::array<Hash64, 257> empty_;
};

}  // namespace silvantrope::coniks
