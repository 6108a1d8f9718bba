#pragma once

// The first ECVRF-EDWARDS25519-SHA512-TAI verifier of this library, kept as an
// oracle for the fast one: it works on libsodium's public point API alone, so
// every point is a canonical encoding and every addition decodes and
// re-encodes. Points with a torsion component or an encoding with y >= p
// decode the lenient way (as libsodium's point addition does), and k·P is
// computed exactly as k = 8q + r, k·P = q·(8P) + r·P when libsodium's
// multiplication refuses the input.

#include "core/bytes.h"
#include "core/expected.h"
#include "silvantrope-crypto/crypto_error.h"
#include "silvantrope-crypto/vrf.h"

namespace test_support {

silvantrope::Expected<silvantrope::crypto::VrfOutcome, silvantrope::crypto::CryptoError> reference_vrf_verify(
    silvantrope::ByteView public_key, silvantrope::ByteView alpha, silvantrope::ByteView proof);

}  // namespace test_support
