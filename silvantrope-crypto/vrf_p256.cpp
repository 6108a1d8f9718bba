// SPDX-License-Identifier: Apache-2.0
#include <openssl/err.h>
#include <openssl/obj_mac.h>

#include <algorithm>
#include <array>
#include <memory>

#include "core/fault.h"
#include "silvantrope-crypto/digest.h"
#include "silvantrope-crypto/ossl.h"
#include "silvantrope-crypto/p256_point.h"
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

// What one verification hands to OpenSSL: s·G, the one product its
// precomputed generator table makes cheaper than ours. Kept by the thread
// between calls (one set; a nested verification makes its own), so that a
// call allocates nothing after the thread's first.
struct Workspace {
  ossl::BnCtx ctx{BN_CTX_new()};
  ossl::EcPoint s_g{EC_POINT_new(p256())};
  ossl::Bignum s{BN_new()};

  Workspace() {
    if (!ctx || !s_g || !s) throw std::bad_alloc();
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

// SEC1 decoding of a compressed point by the fast square root. The identity
// has no 33-byte encoding, so it never decodes here.
bool decode(p256::Point& p, const uint8_t* encoded) {
  p256::Fe x, y;
  if (!p256::decompress(encoded, x, y)) return false;
  p = p256::from_affine(x, y);
  return true;
}

// s·G by OpenSSL's generator table. OpenSSL 3 hands out no Jacobian
// coordinates, so the point comes out affine (one inversion).
p256::Point generator_multiple(Workspace& w, const uint8_t s[kScalarSize]) {
  const EC_GROUP* group = p256();
  if (BN_bin2bn(s, kScalarSize, w.s.get()) == nullptr) throw std::bad_alloc();
  check(EC_POINT_mul(group, w.s_g.get(), w.s.get(), nullptr, nullptr, w.ctx.get()));
  if (EC_POINT_is_at_infinity(group, w.s_g.get()) == 1) return p256::Point{};
  uint8_t affine[1 + 2 * kScalarSize];
  p256::Fe x, y;
  if (EC_POINT_point2oct(group, w.s_g.get(), POINT_CONVERSION_UNCOMPRESSED, affine, sizeof affine, w.ctx.get()) !=
          sizeof affine ||
      !p256::fe_from_bytes(x, affine + 1) || !p256::fe_from_bytes(y, affine + 1 + kScalarSize)) {
    throw InternalFault("OpenSSL gave no affine P-256 point");
  }
  return p256::from_affine(x, y);
}

// ECVRF_encode_to_curve_try_and_increment: the first hash that is the x of
// a point, taken with even y.
bool encode_to_curve(p256::Point& h, Encoded& encoded, Digest& sha256, ByteView public_key, ByteView alpha) {
  encoded[0] = 0x02;
  for (unsigned ctr = 0; ctr < 256; ++ctr) {
    const uint8_t front[2] = {kSuite, kEncodeToCurveFront};
    const uint8_t tail[2] = {static_cast<uint8_t>(ctr), kBack};
    sha256.update(front).update(public_key).update(alpha).update(tail).final(encoded.data() + 1);
    if (decode(h, encoded.data())) return true;
  }
  return false;
}

// s below the group order n, compared as big-endian bytes.
bool below_order(const uint8_t s[kScalarSize]) {
  static constexpr uint8_t kOrder[kScalarSize] = {
      0xff, 0xff, 0xff, 0xff, 0x00, 0x00, 0x00, 0x00, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff,
      0xbc, 0xe6, 0xfa, 0xad, 0xa7, 0x17, 0x9e, 0x84, 0xf3, 0xb9, 0xca, 0xc2, 0xfc, 0x63, 0x25, 0x51};
  return std::lexicographical_compare(s, s + kScalarSize, kOrder, kOrder + kScalarSize);
}

// RFC 9381 §5.3 for ECVRF-P256-SHA256-TAI under one key, decoded at the
// first verification and kept. Decoding is canonical, so the caller's key
// and Gamma bytes and the candidate that gave H are already the encodings
// the challenge hashes; only U and V are encoded. U = s·G + c·(−Y), with s·G
// from OpenSSL's generator table and c·(−Y) over c's 128 bits;
// V = s·H + c·(−Gamma) in one chain of doublings.
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
    if (key_ == Key::Unknown) key_ = decode(y_, public_key_.data()) ? Key::Valid : Key::Invalid;
    if (key_ == Key::Invalid) return invalid;
    p256::Point gamma_pt;
    if (!decode(gamma_pt, proof.data())) return invalid;
    const uint8_t* const c_bytes = proof.data() + kPointSize;
    const uint8_t* const s_bytes = c_bytes + kChallengeSize;
    if (!below_order(s_bytes)) return invalid;

    Digest sha256(DigestAlgorithm::Sha256);
    Encoded h, u, v;
    p256::Point h_pt;
    if (!encode_to_curve(h_pt, h, sha256, public_key_, alpha)) return invalid;

    if (!w_) w_ = take_workspace();
    const p256::Scalar s = p256::scalar_from_bytes(s_bytes, kScalarSize);
    const p256::Scalar c = p256::scalar_from_bytes(c_bytes, kChallengeSize);
    const p256::Term c_minus_y[] = {{c, p256::negate(y_)}};
    const p256::Point u_pt = p256::add(generator_multiple(*w_, s_bytes), p256::linear_combination(c_minus_y));
    const p256::Term v_terms[] = {{s, h_pt}, {c, p256::negate(gamma_pt)}};
    const p256::Point v_pt = p256::linear_combination(v_terms);
    if (!p256::compress_pair(u_pt, v_pt, u.data(), v.data())) return invalid;

    const ByteView gamma = proof.first(kPointSize);
    const uint8_t front[2] = {kSuite, kChallengeFront};
    sha256.update(front).update(public_key_).update(h).update(gamma).update(u).update(v);
    const Hash32 challenge = sha256.update({&kBack, 1}).final<32>();
    if (!std::equal(challenge.begin(), challenge.begin() + kChallengeSize, c_bytes)) return invalid;

    const uint8_t hash_front[2] = {kSuite, kProofToHashFront};
    VrfOutcome valid{true, {}};
    sha256.update(hash_front).update(gamma).update({&kBack, 1}).final(valid.beta.data());
    return valid;
  }

 private:
  enum class Key { Unknown, Valid, Invalid };
  ByteView public_key_;
  Key key_ = Key::Unknown;
  p256::Point y_{};
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
