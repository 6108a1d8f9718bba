// SPDX-License-Identifier: Apache-2.0
#include <openssl/err.h>
#include <openssl/obj_mac.h>

#include <algorithm>
#include <array>
#include <memory>

#include "core/fault.h"
#include "silvantrope-crypto/digest.h"
#include "silvantrope-crypto/ossl.h"
#include "silvantrope-crypto/p256_field.h"
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

// What one verification works in: a BN_CTX, the five points and two scalars.
// Kept by the thread between calls (one set; a nested verification makes its
// own), so that a call allocates nothing after the thread's first.
struct Workspace {
  enum { kY, kGamma, kH, kU, kV, kPoints };
  ossl::BnCtx ctx{BN_CTX_new()};
  ossl::EcPoint pt[kPoints];
  ossl::Bignum s{BN_new()}, minus_c{BN_new()};

  Workspace() {
    for (auto& p : pt) p.reset(EC_POINT_new(p256()));
    if (!ctx || !s || !minus_c) throw std::bad_alloc();
    for (auto& p : pt) {
      if (!p) throw std::bad_alloc();
    }
  }
};

thread_local std::unique_ptr<Workspace> spare_workspace;

std::unique_ptr<Workspace> take_workspace() {
  if (spare_workspace) return std::move(spare_workspace);
  return std::make_unique<Workspace>();
}

void give_back(std::unique_ptr<Workspace> w) {
  if (w && !spare_workspace) spare_workspace = std::move(w);
}

// SEC1 decoding of a compressed point by the fast square root; OpenSSL then
// takes the affine point, checking once more that it lies on the curve. The
// identity has no 33-byte encoding, so it never decodes here.
bool decode(EC_POINT* p, const uint8_t* encoded, BN_CTX* ctx) {
  uint8_t affine[1 + 2 * kScalarSize];
  affine[0] = POINT_CONVERSION_UNCOMPRESSED;
  if (!p256::decompress(encoded, affine + 1, affine + 1 + kScalarSize)) return false;
  if (EC_POINT_oct2point(p256(), p, affine, sizeof affine, ctx) != 1) {
    throw InternalFault("a decompressed P-256 point is not on the curve");
  }
  return true;
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

// RFC 9381 §5.3 for ECVRF-P256-SHA256-TAI under one key, decoded at the
// first verification and kept. Decoding is canonical, so the caller's key
// and Gamma bytes and the candidate that gave H are already the encodings
// the challenge hashes; only U and V are encoded. U = s·G − c·Y and
// V = s·H − c·Gamma are one two-point multiplication each.
class P256KeyVerifier final : public VrfKeyVerifier {
 public:
  explicit P256KeyVerifier(ByteView public_key) : public_key_(public_key) {}
  ~P256KeyVerifier() override { give_back(std::move(w_)); }
  P256KeyVerifier(const P256KeyVerifier&) = delete;
  P256KeyVerifier& operator=(const P256KeyVerifier&) = delete;

  Expected<VrfOutcome, CryptoError> verify(ByteView alpha, ByteView proof) override {
    if (public_key_.size() != kPointSize) return CryptoError::invalid_length(kPointSize, public_key_.size());
    if (proof.size() != kProofSize) return CryptoError::invalid_length(kProofSize, proof.size());
    const VrfOutcome invalid{};
    if (!w_) w_ = take_workspace();
    Workspace& w = *w_;
    BN_CTX* ctx = w.ctx.get();
    EC_POINT* const y = w.pt[Workspace::kY].get();
    EC_POINT* const gamma_pt = w.pt[Workspace::kGamma].get();
    EC_POINT* const h_pt = w.pt[Workspace::kH].get();
    EC_POINT* const u_pt = w.pt[Workspace::kU].get();
    EC_POINT* const v_pt = w.pt[Workspace::kV].get();

    if (key_ == Key::Unknown) key_ = decode(y, public_key_.data(), ctx) ? Key::Valid : Key::Invalid;
    if (key_ == Key::Invalid) return invalid;
    if (!decode(gamma_pt, proof.data(), ctx)) return invalid;
    const EC_GROUP* group = p256();
    const BIGNUM* order = EC_GROUP_get0_order(group);
    if (BN_bin2bn(proof.data() + kPointSize + kChallengeSize, kScalarSize, w.s.get()) == nullptr ||
        BN_bin2bn(proof.data() + kPointSize, kChallengeSize, w.minus_c.get()) == nullptr) {  // negated below
      throw std::bad_alloc();
    }
    if (BN_cmp(w.s.get(), order) >= 0) return invalid;

    Digest sha256(DigestAlgorithm::Sha256);
    Encoded h, u, v;
    if (!encode_to_curve(h_pt, h, sha256, public_key_, alpha, ctx)) return invalid;

    // −c as n − c.
    check(BN_mod_sub(w.minus_c.get(), order, w.minus_c.get(), order, ctx));
    check(EC_POINT_mul(group, u_pt, w.s.get(), y, w.minus_c.get(), ctx));
    mul2(v_pt, w.s.get(), h_pt, w.minus_c.get(), gamma_pt, ctx);
    if (!encode(u, u_pt, ctx) || !encode(v, v_pt, ctx)) return invalid;

    const ByteView gamma = proof.first(kPointSize);
    const uint8_t front[2] = {kSuite, kChallengeFront};
    sha256.update(front).update(public_key_).update(h).update(gamma).update(u).update(v);
    const Hash32 challenge = sha256.update({&kBack, 1}).final<32>();
    if (!std::equal(challenge.begin(), challenge.begin() + kChallengeSize, proof.begin() + kPointSize)) {
      return invalid;
    }

    const uint8_t hash_front[2] = {kSuite, kProofToHashFront};
    VrfOutcome valid{true, {}};
    sha256.update(hash_front).update(gamma).update({&kBack, 1}).final(valid.beta.data());
    return valid;
  }

 private:
  enum class Key { Unknown, Valid, Invalid };
  ByteView public_key_;
  Key key_ = Key::Unknown;
  std::unique_ptr<Workspace> w_;
};

class P256Vrf final : public VrfSuite {
 public:
  uint8_t suite_id() const override { return kSuite; }

  Expected<VrfOutcome, CryptoError> verify(ByteView public_key, ByteView alpha,
                                           ByteView proof) const override {
    return P256KeyVerifier(public_key).verify(alpha, proof);
  }

  std::unique_ptr<VrfKeyVerifier> bind(ByteView public_key) const override {
    return std::make_unique<P256KeyVerifier>(public_key);
  }
};

}  // namespace

const VrfSuite& p256_vrf() {
  static const P256Vrf suite;
  return suite;
}

}  // namespace silvantrope::crypto
