#include "vrf_oracle.h"

#include <sodium.h>

#include <algorithm>
#include <array>
#include <optional>

#include "core/fault.h"
#include "silvantrope-crypto/digest.h"

namespace test_support {

using namespace silvantrope;
using namespace silvantrope::crypto;

namespace {
namespace ed {

using Encoding = std::array<uint8_t, 32>;  // compressed point: y, sign of x in bit 255
using Scalar = std::array<uint8_t, 32>;    // little-endian

struct Point {
  Encoding enc;
};

void ensure_sodium() {
  static const bool ready = sodium_init() >= 0;
  if (!ready) throw InternalFault("libsodium failed to initialise");
}

bool is_zero(const Scalar& k) {
  return std::all_of(k.begin(), k.end(), [](uint8_t b) { return b == 0; });
}

Encoding identity() {
  Encoding e{};
  e[0] = 1;
  return e;
}

bool is_identity(const Point& p) { return p.enc == identity(); }

std::optional<Point> decode(ByteView bytes) {
  ensure_sodium();
  if (bytes.size() != 32) return std::nullopt;
  // Adding the identity decodes the input leniently and re-encodes it
  // canonically; it fails only for bytes that are not a point.
  const Encoding id = identity();
  Point p;
  if (crypto_core_ed25519_add(p.enc.data(), bytes.data(), id.data()) != 0) return std::nullopt;
  return p;
}

Point add(const Point& a, const Point& b) {
  Point r;
  if (crypto_core_ed25519_add(r.enc.data(), a.enc.data(), b.enc.data()) != 0) {
    throw InternalFault("edwards25519 addition of decoded points failed");
  }
  return r;
}

Point sub(const Point& a, const Point& b) {
  Point r;
  if (crypto_core_ed25519_sub(r.enc.data(), a.enc.data(), b.enc.data()) != 0) {
    throw InternalFault("edwards25519 subtraction of decoded points failed");
  }
  return r;
}

Point times8(const Point& p) {
  const Point p2 = add(p, p);
  const Point p4 = add(p2, p2);
  return add(p4, p4);
}

std::optional<Point> times8(ByteView bytes) {
  ensure_sodium();
  if (bytes.size() != 32) return std::nullopt;
  Point p2;
  if (crypto_core_ed25519_add(p2.enc.data(), bytes.data(), bytes.data()) != 0) return std::nullopt;
  const Point p4 = add(p2, p2);
  return add(p4, p4);
}

bool has_small_order(const Point& p) { return is_identity(times8(p)); }

bool is_canonical_scalar(const Scalar& s) {
  ensure_sodium();
  uint8_t wide[64] = {};
  std::copy(s.begin(), s.end(), wide);
  Scalar reduced;
  crypto_core_ed25519_scalar_reduce(reduced.data(), wide);
  return reduced == s;
}

Point mul_base(const Scalar& k) {
  ensure_sodium();
  if (is_zero(k)) return Point{identity()};
  Point r;
  if (crypto_scalarmult_ed25519_base_noclamp(r.enc.data(), k.data()) != 0) {
    throw InternalFault("edwards25519 base multiplication failed");
  }
  return r;
}

std::optional<Point> mul_prime_order(const Scalar& k, ByteView raw) {
  ensure_sodium();
  if (raw.size() != 32) return std::nullopt;
  Point r;
  if (crypto_scalarmult_ed25519_noclamp(r.enc.data(), k.data(), raw.data()) != 0) return std::nullopt;
  return r;
}

Point mul(const Scalar& k, const Point& p) {
  if (auto fast = mul_prime_order(k, p.enc)) return *fast;
  if ((k[31] & 0x80) != 0) throw InternalFault("edwards25519 scalar above 2^255");

  // k = 8q + r: q·(8P) lies in the prime-order subgroup, r·P carries the
  // torsion component.
  Scalar q{};
  for (size_t i = 0; i < 32; ++i) {
    q[i] = static_cast<uint8_t>((k[i] >> 3) | (i + 1 < 32 ? k[i + 1] << 5 : 0));
  }
  const unsigned r = k[0] & 7;

  Point high{identity()};
  const Point p8 = times8(p);
  if (!is_zero(q) && !is_identity(p8)) {
    auto m = mul_prime_order(q, p8.enc);
    if (!m) throw InternalFault("edwards25519 multiplication in the prime-order subgroup failed");
    high = *m;
  }
  Point low{identity()};
  for (unsigned i = 0; i < r; ++i) low = add(low, p);
  return add(high, low);
}

}  // namespace ed

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

}  // namespace

Expected<VrfOutcome, CryptoError> reference_vrf_verify(ByteView public_key, ByteView alpha, ByteView proof) {
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

}  // namespace test_support
