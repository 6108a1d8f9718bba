// SPDX-License-Identifier: Apache-2.0
#pragma once

// An ECVRF-P256-SHA256-TAI prover (RFC 9381 §5.1, nonce per RFC 9381
// §5.4.2.1), for fixtures only: it is never linked into the library.

#include <cstdint>
#include <vector>

namespace test_support {

using Bytes = std::vector<uint8_t>;

class P256VrfProver {
 public:
  // The secret scalar, 32 bytes big-endian, in [1, n).
  explicit P256VrfProver(const Bytes& secret_key32);
  static P256VrfProver from_seed(uint64_t seed);

  Bytes public_key() const;  // SEC1 compressed, 33 bytes
  Bytes prove(const Bytes& alpha) const;  // Gamma || c || s, 81 bytes
  // beta = SHA-256(0x01 || 0x03 || Gamma || 0x00) of a proof.
  static Bytes proof_to_hash(const Bytes& proof);

 private:
  Bytes x_;   // secret scalar
  Bytes pk_;
};

}  // namespace test_support
