// SPDX-License-Identifier: Apache-2.0
#pragma once

// Verifiable random functions (RFC 9381). Verifiers reach a suite through
// VrfSuite; only verification exists in this library.

#include <cstdint>
#include <memory>

#include "core/bytes.h"
#include "core/expected.h"
#include "silvantrope-crypto/crypto_error.h"

namespace silvantrope::crypto {

struct VrfOutcome {
  bool valid = false;
  Hash64 beta{};  // meaningful only when valid
};

// One call's verifications under one public key, so that a suite can decode
// the key once for all of them. The key is looked at only when a proof is
// verified, so a wrong key length is still the first verification's error.
class VrfKeyVerifier {
 public:
  virtual ~VrfKeyVerifier() = default;
  virtual Expected<VrfOutcome, CryptoError> verify(ByteView alpha, ByteView proof) = 0;
};

class VrfSuite {
 public:
  virtual ~VrfSuite() = default;
  // The RFC 9381 suite_string byte.
  virtual uint8_t suite_id() const = 0;
  // A wrong key or proof length is an error; any other failure is an invalid
  // outcome.
  virtual Expected<VrfOutcome, CryptoError> verify(ByteView public_key, ByteView alpha,
                                                   ByteView proof) const = 0;
  // A verifier bound to public_key, which must outlive it. By default each
  // verification is verify(public_key, ...).
  virtual std::unique_ptr<VrfKeyVerifier> bind(ByteView public_key) const;
};

// ECVRF-EDWARDS25519-SHA512-TAI, suite 0x03.
const VrfSuite& edwards25519_vrf();

// ECVRF-P256-SHA256-TAI, suite 0x01: 33-byte SEC1 compressed keys, 81-byte
// proofs; beta is the 32-byte VRF hash followed by 32 zero bytes.
const VrfSuite& p256_vrf();

}  // namespace silvantrope::crypto
