// SPDX-License-Identifier: Apache-2.0
#include "vrf_prover.h"

#include <sodium.h>

#include <algorithm>
#include <stdexcept>

namespace test_support {
namespace {

using Point = std::array<uint8_t, 32>;
using Scalar = std::array<uint8_t, 32>;

void init() {
  if (sodium_init() < 0) throw std::runtime_error("libsodium");
}

Point identity() {
  Point p{};
  p[0] = 1;
  return p;
}

Point add(const Point& a, const Point& b) {
  Point r;
  if (crypto_core_ed25519_add(r.data(), a.data(), b.data()) != 0) throw std::runtime_error("add");
  return r;
}

// Scalar multiplication for a point of the prime-order subgroup.
Point mul(const Scalar& k, const Point& p) {
  Point r;
  if (crypto_scalarmult_ed25519_noclamp(r.data(), k.data(), p.data()) != 0) throw std::runtime_error("mul");
  return r;
}

Point mul_base(const Scalar& k) {
  Point r;
  if (crypto_scalarmult_ed25519_base_noclamp(r.data(), k.data()) != 0) throw std::runtime_error("mul_base");
  return r;
}

// Multiplying a point of small order n by k: (k mod n) additions.
Point mul_small(unsigned k, const Point& t) {
  Point r = identity();
  for (unsigned i = 0; i < k; ++i) r = add(r, t);
  return r;
}

Scalar reduce64(const uint8_t* wide) {
  Scalar s;
  crypto_core_ed25519_scalar_reduce(s.data(), wide);
  return s;
}

std::array<uint8_t, 64> sha512(const Bytes& m) {
  std::array<uint8_t, 64> h;
  crypto_hash_sha512(h.data(), m.data(), m.size());
  return h;
}

void append(Bytes& out, const uint8_t* p, size_t n) { out.insert(out.end(), p, p + n); }

Point encode_to_curve(const Point& y, const Bytes& alpha) {
  for (unsigned ctr = 0; ctr < 256; ++ctr) {
    Bytes m{0x03, 0x01};
    append(m, y.data(), 32);
    m.insert(m.end(), alpha.begin(), alpha.end());
    m.push_back(static_cast<uint8_t>(ctr));
    m.push_back(0x00);
    const auto h = sha512(m);
    Point p;
    std::copy_n(h.begin(), 32, p.begin());
    Point p2;
    if (crypto_core_ed25519_add(p2.data(), p.data(), p.data()) != 0) continue;  // not a point
    const Point p8 = add(add(p2, p2), add(p2, p2));
    if (p8 != identity()) return p8;
  }
  throw std::runtime_error("encode_to_curve exhausted");
}

// The low bits of a 16-byte little-endian challenge modulo a small order.
unsigned challenge_mod(const Scalar& c, int order) { return c[0] % static_cast<unsigned>(order); }

}  // namespace

Point small_order_point(int order) {
  init();
  // An order-8 point; its multiples give the others.
  static const Point t8 = {0xc7, 0x17, 0x6a, 0x70, 0x3d, 0x4d, 0xd8, 0x4f, 0xba, 0x3c, 0x0b,
                           0x76, 0x0d, 0x10, 0x67, 0x0f, 0x2a, 0x20, 0x53, 0xfa, 0x2c, 0x39,
                           0xcc, 0xc6, 0x4e, 0xc7, 0xfd, 0x77, 0x92, 0xac, 0x03, 0x7a};
  switch (order) {
    case 1: return identity();
    case 2: return mul_small(4, t8);
    case 4: return mul_small(2, t8);
    case 8: return t8;
  }
  throw std::invalid_argument("small order must be 1, 2, 4 or 8");
}

VrfProver::VrfProver(const Bytes& secret_key32) {
  init();
  if (secret_key32.size() != 32) throw std::invalid_argument("secret key must be 32 bytes");
  const auto h = sha512(secret_key32);
  std::copy_n(h.begin(), 32, x_.begin());
  x_[0] &= 248;
  x_[31] &= 127;
  x_[31] |= 64;
  std::copy_n(h.begin() + 32, 32, prefix_.begin());
  // The clamped scalar may exceed L; reduce it for the arithmetic.
  uint8_t wide[64] = {};
  std::copy(x_.begin(), x_.end(), wide);
  x_ = reduce64(wide);
  y_ = mul_base(x_);
}

VrfProver VrfProver::from_seed(uint64_t seed) {
  Bytes sk(32, 0);
  for (int i = 0; i < 8; ++i) sk[i] = static_cast<uint8_t>(seed >> (8 * i));
  sk[31] = 0x5e;
  return VrfProver(sk);
}

Bytes VrfProver::public_key() const {
  const Point y = key_torsion_ == 1 ? y_ : add(y_, small_order_point(key_torsion_));
  return Bytes(y.begin(), y.end());
}

VrfProver VrfProver::with_key_torsion(int order) const {
  VrfProver p = *this;
  p.key_torsion_ = order;
  return p;
}

VrfProver VrfProver::with_gamma_torsion(int order) const {
  VrfProver p = *this;
  p.gamma_torsion_ = order;
  return p;
}

VrfProver VrfProver::with_zero_key() const {
  VrfProver p = *this;
  p.x_ = {};
  p.y_ = identity();
  return p;
}

Bytes VrfProver::prove(const Bytes& alpha) const {
  Point y;
  const Bytes pk = public_key();
  std::copy(pk.begin(), pk.end(), y.begin());
  const Point h = encode_to_curve(y, alpha);
  const Point gamma_clean = x_ == Scalar{} ? identity() : mul(x_, h);
  const Point gamma = add(gamma_clean, small_order_point(gamma_torsion_));

  // With torsion, the proof verifies only when c kills it; vary the nonce
  // until the challenge does.
  for (uint8_t tweak = 0;; ++tweak) {
    Bytes nonce_input(prefix_.begin(), prefix_.end());
    append(nonce_input, h.data(), 32);
    if (tweak != 0) nonce_input.push_back(tweak);
    const auto kh = sha512(nonce_input);
    const Scalar k = reduce64(kh.data());

    Bytes m{0x03, 0x02};
    for (const Point& p : {y, h, gamma}) append(m, p.data(), 32);
    const Point u = mul_base(k);
    const Point v = mul(k, h);
    append(m, u.data(), 32);
    append(m, v.data(), 32);
    m.push_back(0x00);
    const auto ch = sha512(m);
    Scalar c{};
    std::copy_n(ch.begin(), 16, c.begin());
    if (challenge_mod(c, gamma_torsion_) != 0 || challenge_mod(c, key_torsion_) != 0) {
      if (tweak == 255) throw std::runtime_error("no nonce cancels the torsion");
      continue;
    }
    Scalar cx, s;
    crypto_core_ed25519_scalar_mul(cx.data(), c.data(), x_.data());
    crypto_core_ed25519_scalar_add(s.data(), k.data(), cx.data());
    Bytes proof(gamma.begin(), gamma.end());
    append(proof, c.data(), 16);
    append(proof, s.data(), 32);
    return proof;
  }
}

Bytes VrfProver::proof_to_hash(const Bytes& proof) {
  init();
  Point gamma;
  std::copy_n(proof.begin(), 32, gamma.begin());
  Point g2;
  if (crypto_core_ed25519_add(g2.data(), gamma.data(), gamma.data()) != 0) throw std::runtime_error("gamma");
  const Point g8 = add(add(g2, g2), add(g2, g2));
  Bytes m{0x03, 0x03};
  append(m, g8.data(), 32);
  m.push_back(0x00);
  const auto h = sha512(m);
  return Bytes(h.begin(), h.end());
}

}  // namespace test_support
