#pragma once

// An RFC 6962 Merkle tree built straight from the definitions of RFC 6962
// §2.1 (MTH, PATH, PROOF), with OpenSSL's SHA-256 and no code shared with the
// library, so that proofs it produces are an independent reference.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace test_support {

using Bytes = std::vector<uint8_t>;

Bytes sha256(const Bytes& data);
Bytes leaf_hash(const Bytes& data);
Bytes node_hash(const Bytes& left, const Bytes& right);

class Rfc6962Tree {
 public:
  explicit Rfc6962Tree(std::vector<Bytes> leaves);

  size_t size() const { return leaves_.size(); }
  // MTH(D[0:n]).
  Bytes root(size_t n) const;
  // PATH(m, D[0:n]).
  std::vector<Bytes> inclusion_proof(size_t m, size_t n) const;
  // PROOF(m, D[0:n]).
  std::vector<Bytes> consistency_proof(size_t m, size_t n) const;

 private:
  Bytes mth(size_t begin, size_t end) const;
  std::vector<Bytes> path(size_t m, size_t begin, size_t end) const;
  std::vector<Bytes> subproof(size_t m, size_t begin, size_t end, bool complete) const;

  std::vector<Bytes> leaves_;
};

// The eight-leaf data set of the RFC 6962 reference tests.
std::vector<Bytes> reference_leaves();

// Folds node_hash(acc, p) over a proof for index 0 of a perfect tree: the
// root such a proof verifies against.
Bytes leftmost_root(const Bytes& leaf, const std::vector<Bytes>& proof);

}  // namespace test_support
