// SPDX-License-Identifier: Apache-2.0
#pragma once

// An RFC 6962 Merkle tree straight from the definitions of RFC 6962 §2.1
// (MTH, PATH, PROOF), over OpenSSL's SHA-256 and sharing no code with the
// library, so its proofs are an independent reference.

#include <cstddef>
#include <cstdint>
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
  explicit Rfc6962Tree(std::vector<Bytes> leaves) : leaves_(std::move(leaves)) {}
  Bytes root(size_t n) const { return mth(0, n); }
  std::vector<Bytes> inclusion_proof(size_t m, size_t n) const { return path(m, 0, n); }
  std::vector<Bytes> consistency_proof(size_t m, size_t n) const { return subproof(m, 0, n, true); }

 private:
  Bytes mth(size_t begin, size_t end) const;
  std::vector<Bytes> path(size_t m, size_t begin, size_t end) const;
  std::vector<Bytes> subproof(size_t m, size_t begin, size_t end, bool complete) const;
  std::vector<Bytes> leaves_;
};

}  // namespace test_support
