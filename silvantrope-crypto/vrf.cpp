#include "silvantrope-crypto/vrf.h"

#include <algorithm>

#include "silvantrope-crypto/digest.h"
#include "silvantrope-crypto/edwards25519.h"

namespace silvantrope::crypto {
namespace {

namespace ed = ed25519;

constexpr uint8_t kSuite = 0x03;
constexpr uint8_t kEncodeToCurveFront = 0x01;
constexpr uint8_t kChallengeFront = 0x02;
constexpr uint8_t kProofToHashFront = 0x03;
constexpr uint8_t kBack = 0x00;
constexpr size_t kPublicKeySize = 32;
constexpr size_t kProofSize = 80;
constexpr size_t kChallengeSize = 16;

// ECVRF_encode_to_curve_try_and_increment: the first counter whose hash
// decodes to a point outside the small-order subgroup gives H = 8·P.
std::optional<ed::Point> encode_to_curve(Digest& sha512, ByteView public_key, ByteView alpha) {
  for (unsigned ctr = 0; ctr < 256; ++ctr) {
    const uint8_t front[2] = {kSuite, kEncodeToCurveFront};
    const uint8_t tail[2] = {static_cast<uint8_t>(ctr), kBack};
    const Hash64 h = sha512.update(front).update(public_key).update(alpha).update(tail).final<64>();
    const auto h8 = ed::times8(ByteView(h).first(32));
    if (h8 && !ed::is_identity(*h8)) return h8;
  }
  return std::nullopt;
}

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

    ed::Scalar c{}, s{};
    std::copy_n(proof.begin() + 32, kChallengeSize, c.begin());
    std::copy_n(proof.begin() + 48, 32, s.begin());
    const ByteView gamma_bytes = proof.first(32);

    // Y: libsodium's multiplication accepts only a canonical key in the
    // prime-order subgroup; anything else is decoded and checked here.
    ed::Point y, cy;
    if (auto fast = ed::mul_prime_order(c, public_key)) {
      std::copy(public_key.begin(), public_key.end(), y.enc.begin());
      cy = *fast;
    } else {
      auto decoded = ed::decode(public_key);
      if (!decoded || ed::has_small_order(*decoded)) return invalid;
      y = *decoded;
      cy = ed::mul(c, y);
    }

    ed::Point gamma, c_gamma;
    if (auto fast = ed::mul_prime_order(c, gamma_bytes)) {
      std::copy(gamma_bytes.begin(), gamma_bytes.end(), gamma.enc.begin());
      c_gamma = *fast;
    } else {
      auto decoded = ed::decode(gamma_bytes);
      if (!decoded) return invalid;
      gamma = *decoded;
      c_gamma = ed::mul(c, gamma);
    }

    if (!ed::is_canonical_scalar(s)) return invalid;

    Digest sha512(DigestAlgorithm::Sha512);
    auto h = encode_to_curve(sha512, public_key, alpha);
    if (!h) return invalid;

    const ed::Point u = ed::sub(ed::mul_base(s), cy);
    const ed::Point v = ed::sub(ed::mul(s, *h), c_gamma);

    const uint8_t front[2] = {kSuite, kChallengeFront};
    const Hash64 challenge = sha512.update(front)
                                 .update(y.enc)
                                 .update(h->enc)
                                 .update(gamma.enc)
                                 .update(u.enc)
                                 .update(v.enc)
                                 .update({&kBack, 1})
                                 .final<64>();
    if (!std::equal(c.begin(), c.begin() + kChallengeSize, challenge.begin())) return invalid;

    const uint8_t hash_front[2] = {kSuite, kProofToHashFront};
    VrfOutcome valid{true, {}};
    valid.beta = sha512.update(hash_front).update(ed::times8(gamma).enc).update({&kBack, 1}).final<64>();
    return valid;
  }
};

}  // namespace

const VrfSuite& edwards25519_vrf() {
  static const Edwards25519Vrf suite;
  return suite;
}

}  // namespace silvantrope::crypto
