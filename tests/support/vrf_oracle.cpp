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

using Point = std::array<uint8_t, 32>;   // canonical encoding
using Scalar = std::array<uint8_t, 32>;  // little-endian
constexpr Point kIdentity = {1};

Point add(const uint8_t* a, const uint8_t* b, int (*op)(unsigned char*, const unsigned char*, const unsigned char*) =
                                                  crypto_core_ed25519_add) {
  Point r;
  if (op(r.data(), a, b) != 0) throw InternalFault("edwards25519 addition failed");
  return r;
}

// Adding the identity decodes leniently (torsion, y >= p) and re-encodes.
std::optional<Point> decode(ByteView bytes) {
  Point p;
  if (crypto_core_ed25519_add(p.data(), bytes.data(), kIdentity.data()) != 0) return std::nullopt;
  return p;
}

std::optional<Point> times8(ByteView bytes) {
  Point p2;
  if (crypto_core_ed25519_add(p2.data(), bytes.data(), bytes.data()) != 0) return std::nullopt;
  const Point p4 = add(p2.data(), p2.data());
  return add(p4.data(), p4.data());
}

std::optional<Point> mul_prime_order(const Scalar& k, ByteView p) {
  Point r;
  if (crypto_scalarmult_ed25519_noclamp(r.data(), k.data(), p.data()) != 0) return std::nullopt;
  return r;
}

// k·P exactly: with k = 8q + r, q·(8P) lies in the prime-order subgroup and
// r·P carries the torsion component, which libsodium's multiplication refuses.
Point mul(const Scalar& k, const Point& p) {
  if (auto fast = mul_prime_order(k, p)) return *fast;
  Scalar q{};
  for (size_t i = 0; i < 32; ++i) q[i] = static_cast<uint8_t>((k[i] >> 3) | (i + 1 < 32 ? k[i + 1] << 5 : 0));
  const Point p8 = *times8(p);
  Point acc = kIdentity;
  if (std::any_of(q.begin(), q.end(), [](uint8_t b) { return b != 0; }) && p8 != kIdentity) {
    acc = *mul_prime_order(q, p8);
  }
  for (unsigned i = 0; i < (k[0] & 7u); ++i) acc = add(acc.data(), p.data());
  return acc;
}

// k·Y for the key or Gamma: libsodium multiplies only canonical points of the
// prime-order subgroup; anything else is decoded first.
std::optional<std::pair<Point, Point>> point_and_multiple(const Scalar& k, ByteView raw) {
  if (auto fast = mul_prime_order(k, raw)) return std::pair{*decode(raw), *fast};
  auto p = decode(raw);
  if (!p) return std::nullopt;
  return std::pair{*p, mul(k, *p)};
}

}  // namespace

Expected<VrfOutcome, CryptoError> reference_vrf_verify(ByteView public_key, ByteView alpha, ByteView proof) {
  static const bool ready = sodium_init() >= 0;
  if (!ready) throw InternalFault("libsodium failed to initialise");
  if (public_key.size() != 32) return CryptoError::invalid_length(32, public_key.size());
  if (proof.size() != 80) return CryptoError::invalid_length(80, proof.size());
  const VrfOutcome invalid{};
  Scalar c{}, s{};
  std::copy_n(proof.begin() + 32, 16, c.begin());
  std::copy_n(proof.begin() + 48, 32, s.begin());

  auto y = point_and_multiple(c, public_key);
  if (!y || *times8(y->first) == kIdentity) return invalid;  // small-order keys
  auto gamma = point_and_multiple(c, proof.first(32));
  if (!gamma) return invalid;
  uint8_t wide[64] = {};
  std::copy(s.begin(), s.end(), wide);
  Scalar reduced;
  crypto_core_ed25519_scalar_reduce(reduced.data(), wide);
  if (reduced != s) return invalid;

  // encode_to_curve, try and increment: H = 8·P for the first hash that decodes
  // to a point outside the small-order subgroup.
  Digest sha512(DigestAlgorithm::Sha512);
  const uint8_t back = 0x00;
  std::optional<Point> h;
  for (unsigned ctr = 0; ctr < 256 && !h; ++ctr) {
    const uint8_t front[2] = {0x03, 0x01}, tail[2] = {static_cast<uint8_t>(ctr), back};
    const Hash64 digest = sha512.update(front).update(public_key).update(alpha).update(tail).final<64>();
    auto h8 = times8(ByteView(digest).first(32));
    if (h8 && *h8 != kIdentity) h = h8;
  }
  if (!h) return invalid;

  Point sb = kIdentity;
  if (std::any_of(s.begin(), s.end(), [](uint8_t b) { return b != 0; })) crypto_scalarmult_ed25519_base_noclamp(sb.data(), s.data());
  const Point u = add(sb.data(), y->second.data(), crypto_core_ed25519_sub);
  const Point v = add(mul(s, *h).data(), gamma->second.data(), crypto_core_ed25519_sub);
  const uint8_t challenge_front[2] = {0x03, 0x02};
  const Hash64 challenge = sha512.update(challenge_front).update(y->first).update(*h).update(gamma->first)
                               .update(u).update(v).update({&back, 1}).final<64>();
  if (!std::equal(c.begin(), c.begin() + 16, challenge.begin())) return invalid;
  const uint8_t hash_front[2] = {0x03, 0x03};
  return VrfOutcome{true, sha512.update(hash_front).update(*times8(gamma->first)).update({&back, 1}).final<64>()};
}

}  // namespace test_support
