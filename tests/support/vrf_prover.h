// SPDX-License-Identifier: Apache-2.0
#pragma once

// An ECVRF-EDWARDS25519-SHA512-TAI prover (RFC 9381 §5.1, nonce per RFC 8032
// §5.1.6), for fixtures only: it is never linked into the library. It can
// also make the unusual proofs a verifier must still accept: a public key or
// a Gamma carrying a small-order component T, which verify when c·T is the
// identity.

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace test_support {

using Bytes = std::vector<uint8_t>;

class VrfProver {
 public:
  explicit VrfProver(const Bytes& secret_key32);
  static VrfProver from_seed(uint64_t seed);

  // The public key bytes a verifier receives (with the torsion, if any).
  Bytes public_key() const;
  Bytes prove(const Bytes& alpha) const;
  // beta = SHA-512(0x03 || 0x03 || 8·Gamma || 0x00) of a proof.
  static Bytes proof_to_hash(const Bytes& proof);

  // A copy whose public key is Y + T for a small-order point T of the given
  // order (2, 4 or 8). Its proofs retry nonces until c·T is the identity.
  VrfProver with_key_torsion(int order) const;
  // Proofs whose Gamma is Gamma + T, with T of the given order.
  VrfProver with_gamma_torsion(int order) const;
  // A copy with the secret scalar 0: the key and Gamma are the identity, and
  // the proofs would verify if small-order keys were not refused.
  VrfProver with_zero_key() const;

 private:
  std::array<uint8_t, 32> x_{};       // secret scalar
  std::array<uint8_t, 32> prefix_{};  // nonce prefix, second half of SHA-512(sk)
  std::array<uint8_t, 32> y_{};       // encoded public key as published
  int key_torsion_ = 1;
  int gamma_torsion_ = 1;
};

// A point of the given small order (1, 2, 4 or 8), encoded.
std::array<uint8_t, 32> small_order_point(int order);

}  // namespace test_support
