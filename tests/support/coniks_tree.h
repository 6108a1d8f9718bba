// SPDX-License-Identifier: Apache-2.0
#pragma once

// A CONIKS directory for fixtures: a sparse Merkle tree of depth 256 whose
// leaves sit at the VRF index of each identity, with leaf commitments to the
// identities' values. It produces the canonical lookup and absence proofs a
// directory serves. Hashes are computed here from their definitions with
// OpenSSL's one-shot SHA3-512, sharing no code with the library.

#include <array>
#include <map>
#include <string>
#include <vector>

#include "vrf_prover.h"

namespace test_support {

class ConiksDirectory {
 public:
  ConiksDirectory(std::string ns, VrfProver vrf);

  // Adds or replaces an identity's value; the opening is derived from the
  // identity unless given.
  void put(const Bytes& identity, const Bytes& value);
  void put(const Bytes& identity, const Bytes& value, const Bytes& opening32);

  // Puts a bare leaf hash at an index of the test's choosing, so that paths
  // can have siblings anywhere, deep in the tree included.
  void put_leaf_at(const std::array<uint8_t, 32>& index, const Bytes& leaf_hash);

  Bytes vrf_public() const { return vrf_.public_key(); }
  Bytes root() const;
  Bytes empty_root() const;  // E[0]
  Bytes lookup_proof(const Bytes& identity) const;
  Bytes absence_proof(const Bytes& identity) const;
  // The identity's index: the first 32 bytes of its VRF output.
  std::array<uint8_t, 32> index_of(const Bytes& identity) const;

  // Wire encodings, public so tests can build malformed variants.
  static Bytes encode_path(const std::vector<Bytes>& siblings /* 256 entries, empty = absent */);

 private:
  struct Leaf {
    Bytes value;
    Bytes opening;
    Bytes hash;
  };
  using Index = std::array<uint8_t, 32>;

  Bytes alpha(const Bytes& identity) const;
  Bytes subtree(size_t depth, std::map<Index, Leaf>::const_iterator begin,
                std::map<Index, Leaf>::const_iterator end) const;
  std::vector<Bytes> siblings(const Index& index) const;

  std::string ns_;
  VrfProver vrf_;
  std::array<Bytes, 257> empty_;
  std::map<Index, Leaf> leaves_;
};

Bytes sha3_512_with_context(const std::string& context, const Bytes& message);

}  // namespace test_support
