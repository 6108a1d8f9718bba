// SPDX-License-Identifier: Apache-2.0
#pragma once

// An RFC 6962 Merkle tree straight from the definitions of RFC 6962 §2.1
// (MTH, PATH, PROOF), over OpenSSL's SHA-256 and sharing no code with the
// library, so its proofs are an independent reference.

#include <cstddef>
#include <cstdint>
#include <map>
#include <utility>
#include <vector>

namespace test_support {

using Bytes = std::vector<uint8_t>;

Bytes sha256(const Bytes& data);
Bytes leaf_hash(const Bytes& data);
Bytes node_hash(const Bytes& left, const Bytes& right);
// The eight leaves of the RFC 6962 reference data set.
std::vector<Bytes> reference_leaves();

class Rfc6962Tree {
 public:
  // remember: keep the hash of every range of 256 leaves or more once
  // computed, so many proofs over a large tree cost about one tree hash.
  // The cache makes the tree unfit for sharing between threads.
  explicit Rfc6962Tree(std::vector<Bytes> leaves, bool remember = false)
      : leaves_(std::move(leaves)), remember_(remember) {}
  Bytes root(size_t n) const { return mth(0, n); }
  std::vector<Bytes> inclusion_proof(size_t m, size_t n) const { return path(m, 0, n); }
  std::vector<Bytes> consistency_proof(size_t m, size_t n) const { return subproof(m, 0, n, true); }

 private:
  Bytes mth(size_t begin, size_t end) const;
  std::vector<Bytes> path(size_t m, size_t begin, size_t end) const;
  std::vector<Bytes> subproof(size_t m, size_t begin, size_t end, bool complete) const;
  std::vector<Bytes> leaves_;
  bool remember_;
  mutable std::map<std::pair<size_t, size_t>, Bytes> remembered_;
};

}  // namespace test_support
