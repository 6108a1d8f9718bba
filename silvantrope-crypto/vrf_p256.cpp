// SPDX-License-Identifier: Apache-2.0
#include <openssl/err.h>
#include <openssl/obj_mac.h>

#include <algorithm>
#include <array>

#include "core/fault.h"
#include "silvantrope-crypto/digest.h"
#include "silvantrope-crypto/ossl.h"
#include "silvantrope-crypto/vrf.h"

namespace silvantrope::crypto {
namespace {

constexpr uint8_t kSuite = 0x01;
constexpr uint8_t kEncodeToCurveFront = 0x01;
constexpr uint8_t kChallengeFront = 0x02;
constexpr uint8_t kProofToHashFront = 0x03;
constexpr uint8_t kBack = 0x00;
constexpr size_t kPointSize = 33;  // SEC1 compressed
constexpr size_t kProofSize = 81;
constexpr size_t kChallengeSize = 16;
constexpr size_t kScalarSize = 32;

using Encoded = std::array<uint8_t, kPointSize>;

// Built once; every verification only reads it.
const EC_GROUP* p256() {
  static const EC_GROUP* const group = EC_GROUP_new_by_curve_name(NID_X9_62_prime256v1);
  if (group == nullptr) throw InternalFault("libcrypto has no P-256");
  return group;
}

void check(int ok) {
  if (ok != 1) throw InternalFault("P-256 arithmetic failed");
}

// SEC1 decoding: at 33 bytes OpenSSL takes only the 02/03 prefixes, refuses
// x >= p and any x with no point on the curve. The identity has no 33-byte
// encoding, so it never decodes here.
bool decode(EC_POINT* p, const uint8_t* encoded, BN_CTX* ctx) {
  if (EC_POINT_oct2point(p256(), p, encoded, kPointSize, ctx) == 1) return true;
  ERR_clear_error();  // the rejection's reasons are not ours to keep
  return false;
}

// False for the identity, whose encoding is a single byte.
bool encode(Encoded& out, const EC_POINT* p, BN_CTX* ctx) {
  return EC_POINT_point2oct(p256(), p, POINT_CONVERSION_COMPRESSED, out.data(), out.size(), ctx) ==
         kPointSize;
}

// a·P + b·Q. EC_POINTs_mul is OpenSSL's only public way into its
// multi-point multiplication, which shares the doublings between the two
// points: a third cheaper than two EC_POINT_mul calls and an addition. It is
// deprecated in OpenSSL 3, not removed.
void mul2(EC_POINT* r, const BIGNUM* a, const EC_POINT* p, const BIGNUM* b, const EC_POINT* q, BN_CTX* ctx) {
  const EC_POINT* points[2] = {p, q};
  const BIGNUM* scalars[2] = {a, b};
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  check(EC_POINTs_mul(p256(), r, nullptr, 2, points, scalars, ctx));
#pragma GCC diagnostic pop
}

// ECVRF_encode_to_curve_try_and_increment: the first hash that is the x of
// a point, taken with even y.
bool encode_to_curve(EC_POINT* h, Encoded& encoded, Digest& sha256, ByteView public_key, ByteView alpha,
                     BN_CTX* ctx) {
  encoded[0] = 0x02;
  for (unsigned ctr = 0; ctr < 256; ++ctr) {
    const uint8_t front[2] = {kSuite, kEncodeToCurveFront};
    const uint8_t tail[2] = {static_cast<uint8_t>(ctr), kBack};
    sha256.update(front).update(public_key).update(alpha).update(tail).final(encoded.data() + 1);
    if (decode(h, encoded.data(), ctx)) return true;
  }
  return false;
}

// RFC 9381 §5.3 for ECVRF-P256-SHA256-TAI. Decoding is canonical, so the
// caller's key and Gamma bytes and the candidate that gave H are already the
// encodings the challenge hashes; only U and V are encoded.
class P256Vrf final : public VrfSuite {
 public:
  uint8_t suite_id() const override { return kSuite; }

  Expected<VrfOutcome, CryptoError> verify(ByteView public_key, ByteView alpha,
                                           ByteView proof) const override {
    if (public_key.size() != kPointSize) return CryptoError::invalid_length(kPointSize, public_key.size());
    if (proof.size() != kProofSize) return CryptoError::invalid_length(kProofSize, proof.size());
    const VrfOutcome invalid{};
    const EC_GROUP* group = p256();
    ossl::BnCtx bn_ctx(BN_CTX_new());
    enum { kY, kGamma, kH, kU, kV, kPoints };
    ossl::EcPoint pt[kPoints];
    for (auto& p : pt) {
      p.reset(EC_POINT_new(group));
      if (!p) throw std::bad_alloc();
    }
    ossl::Bignum s(BN_bin2bn(proof.data() + kPointSize + kChallengeSize, kScalarSize, nullptr));
    ossl::Bignum minus_c(BN_bin2bn(proof.data() + kPointSize, kChallengeSize, nullptr));  // negated below
    if (!bn_ctx || !s || !minus_c) throw std::bad_alloc();
    BN_CTX* ctx = bn_ctx.get();

    if (!decode(pt[kY].get(), public_key.data(), ctx)) return invalid;
    if (!decode(pt[kGamma].get(), proof.data(), ctx)) return invalid;
    const BIGNUM* order = EC_GROUP_get0_order(group);
    if (BN_cmp(s.get(), order) >= 0) return invalid;

    Digest sha256(DigestAlgorithm::Sha256);
    Encoded h, u, v;
    if (!encode_to_curve(pt[kH].get(), h, sha256, public_key, alpha, ctx)) return invalid;

    // U = s·G − c·Y and V = s·H − c·Gamma, with −c as n − c.
    check(BN_mod_sub(minus_c.get(), order, minus_c.get(), order, ctx));
    check(EC_POINT_mul(group, pt[kU].get(), s.get(), pt[kY].get(), minus_c.get(), ctx));
    mul2(pt[kV].get(), s.get(), pt[kH].get(), minus_c.get(), pt[kGamma].get(), ctx);
    if (!encode(u, pt[kU].get(), ctx) || !encode(v, pt[kV].get(), ctx)) return invalid;

    const ByteView gamma = proof.first(kPointSize);
    const uint8_t front[2] = {kSuite, kChallengeFront};
    sha256.update(front).update(public_key).update(h).update(gamma).update(u).update(v);
    const Hash32 challenge = sha256.update({&kBack, 1}).final<32>();
    if (!std::equal(challenge.begin(), challenge.begin() + kChallengeSize, proof.begin() + kPointSize)) {
      return invalid;
    }

    const uint8_t hash_front[2] = {kSuite, kProofToHashFront};
    VrfOutcome valid{true, {}};
    sha256.update(hash_front).update(gamma).update({&kBack, 1}).final(valid.beta.data());
    return valid;
  }
};

}  // namespace

const VrfSuite& p256_vrf() {
  static const P256Vrf suite;
  return suite;
}

}  // namespace silvantrope::crypto
