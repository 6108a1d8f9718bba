// SPDX-License-Identifier: Apache-2.0
#include "silvantrope-crypto/vrf.h"

#include <algorithm>
#include <array>

#include "silvantrope-crypto/digest.h"
#include "silvantrope-crypto/edwards25519_vartime.h"

namespace silvantrope::crypto {
namespace {

constexpr uint8_t kSuite = 0x03;
constexpr uint8_t kEncodeToCurveFront = 0x01;
constexpr uint8_t kChallengeFront = 0x02;
constexpr uint8_t kProofToHashFront = 0x03;
constexpr uint8_t kBack = 0x00;
constexpr size_t kPublicKeySize = 32;
constexpr size_t kProofSize = 80;
constexpr size_t kChallengeSize = 16;

using Scalar = std::array<uint8_t, 32>;  // little-endian

// ECVRF_encode_to_curve_try_and_increment: the first counter whose hash
// decodes to a point outside the small-order subgroup gives H = 8·P.
bool encode_to_curve(slog_ed_point& h, Digest& sha512, ByteView public_key, ByteView alpha) {
  for (unsigned ctr = 0; ctr < 256; ++ctr) {
    const uint8_t front[2] = {kSuite, kEncodeToCurveFront};
    const uint8_t tail[2] = {static_cast<uint8_t>(ctr), kBack};
    const Hash64 hash = sha512.update(front).update(public_key).update(alpha).update(tail).final<64>();
    slog_ed_point p;
    if (slog_ed_decode(&p, hash.data()) != 0) continue;
    slog_ed_times8(&h, &p);
    if (!slog_ed_is_identity(&h)) return true;
  }
  return false;
}

// RFC 9381 §5.3 with variable-time arithmetic (every input is public): U and
// V are two double-scalar multiplications on points kept in extended
// coordinates, and the five points the challenge hashes are encoded with one
// field inversion between them. Decoding is libsodium's lenient one, so keys
// and Gammas with y >= p or a torsion component are evaluated exactly.
class Edwards25519Vrf final : public VrfSuite {
 public:
  uint8_t suite_id() const override { return kSuite; }

  Expected<VrfOutcome, CryptoError> verify(ByteView public_key, ByteView alpha,
                                           ByteView proof) const override {
    if (public_key.size() != kPublicKeySize) {
      return CryptoError::invalid_length(kPublicKeySize, public_key.size());
    }
    if (proof.size() != kProofSize) return CryptoError::invalid_length(kProofSize, proof.size());
    const VrfOutcome invalid{};

    // Y, H, Gamma, U, V, 8·Gamma: the order in which they are encoded.
    enum { kY, kH, kGamma, kU, kV, kGamma8, kPoints };
    slog_ed_point pt[kPoints];

    if (slog_ed_decode(&pt[kY], public_key.data()) != 0) return invalid;
    slog_ed_times8(&pt[kGamma8], &pt[kY]);
    if (slog_ed_is_identity(&pt[kGamma8])) return invalid;  // Y has small order
    if (slog_ed_decode(&pt[kGamma], proof.data()) != 0) return invalid;

    Scalar c{}, s{};
    std::copy_n(proof.begin() + 32, kChallengeSize, c.begin());
    std::copy_n(proof.begin() + 48, 32, s.begin());
    if (!slog_ed_is_canonical_scalar(s.data())) return invalid;

    Digest sha512(DigestAlgorithm::Sha512);
    if (!encode_to_curve(pt[kH], sha512, public_key, alpha)) return invalid;

    slog_ed_base_combination(&pt[kU], s.data(), c.data(), &pt[kY]);            // s·B − c·Y
    slog_ed_combination(&pt[kV], s.data(), &pt[kH], c.data(), &pt[kGamma]);  // s·H − c·Gamma
    slog_ed_times8(&pt[kGamma8], &pt[kGamma]);
    uint8_t enc[kPoints][32];
    slog_ed_encode(enc, pt, kPoints);

    const uint8_t front[2] = {kSuite, kChallengeFront};
    sha512.update(front);
    for (int i = kY; i <= kV; ++i) sha512.update(enc[i]);
    const Hash64 challenge = sha512.update({&kBack, 1}).final<64>();
    if (!std::equal(c.begin(), c.begin() + kChallengeSize, challenge.begin())) return invalid;

    const uint8_t hash_front[2] = {kSuite, kProofToHashFront};
    VrfOutcome valid{true, {}};
    valid.beta = sha512.update(hash_front).update(enc[kGamma8]).update({&kBack, 1}).final<64>();
    return valid;
  }
};

}  // namespace

std::unique_ptr<VrfKeyVerifier> VrfSuite::bind(ByteView public_key) const {
  class Unbound final : public VrfKeyVerifier {
   public:
    Unbound(const VrfSuite& suite, ByteView key) : suite_(suite), key_(key) {}
    Expected<VrfOutcome, CryptoError> verify(ByteView alpha, ByteView proof) override {
      return suite_.verify(key_, alpha, proof);
    }

   private:
    const VrfSuite& suite_;
    ByteView key_;
  };
  return std::make_unique<Unbound>(*this, public_key);
}

const VrfSuite& edwards25519_vrf() {
  static const Edwards25519Vrf suite;
  return suite;
}

}  // namespace silvantrope::crypto
