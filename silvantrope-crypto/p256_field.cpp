// SPDX-License-Identifier: Apache-2.0
#include "silvantrope-crypto/p256_field.h"

namespace silvantrope::crypto::p256 {
namespace {

using u128 = unsigned __int128;

constexpr uint64_t kP[4] = {0xffffffffffffffff, 0x00000000ffffffff, 0x0000000000000000, 0xffffffff00000001};

// a - p into out; true when a < p (the subtraction borrowed).
bool minus_p(uint64_t out[4], const uint64_t a[4]) {
  uint64_t borrow = 0;
  for (int i = 0; i < 4; ++i) {
    const u128 d = u128{a[i]} - kP[i] - borrow;
    out[i] = static_cast<uint64_t>(d);
    borrow = static_cast<uint64_t>(d >> 64) & 1;
  }
  return borrow != 0;
}

// Reduces a value below 2p (limbs plus a carry bit) to below p.
Fe reduced(const uint64_t t[4], uint64_t carry) {
  Fe r{{t[0], t[1], t[2], t[3]}};
  uint64_t d[4];
  if (!minus_p(d, t) || carry != 0) r = Fe{{d[0], d[1], d[2], d[3]}};
  return r;
}

// libcrypto's P-256 field assembly (crypto/ec/asm/ecp_nistz256-x86_64.pl):
// inputs below p, results fully reduced below p, Montgomery form with
// R = 2^256 as here. Not part of OpenSSL's API: the build checks that the
// linked libcrypto has it (its x86-64, ARMv8 and POWER builds do).
extern "C" void ecp_nistz256_mul_mont(uint64_t res[4], const uint64_t a[4], const uint64_t b[4]);
extern "C" void ecp_nistz256_sqr_mont(uint64_t res[4], const uint64_t a[4]);

Fe mont_mul(const uint64_t a[4], const uint64_t b[4]) {
  Fe r;
  ecp_nistz256_mul_mont(r.limb, a, b);
  return r;
}

// a squared n times, in place (as libcrypto's own inversion chain calls it).
Fe square_n(Fe a, int n) {
  while (n-- > 0) ecp_nistz256_sqr_mont(a.limb, a.limb);
  return a;
}

// 2^512 mod p, by doubling 2^256 mod p = 2^256 - p another 256 times.
Fe r_squared() {
  const uint64_t zero[4] = {};
  uint64_t r[4];
  minus_p(r, zero);  // 2^256 - p, modulo 2^256
  for (int i = 0; i < 256; ++i) {
    const uint64_t carry = r[3] >> 63;
    for (int k = 3; k > 0; --k) r[k] = (r[k] << 1) | (r[k - 1] >> 63);
    r[0] <<= 1;
    const Fe d = reduced(r, carry);
    for (int k = 0; k < 4; ++k) r[k] = d.limb[k];
  }
  return Fe{{r[0], r[1], r[2], r[3]}};
}

const Fe& r2() {
  static const Fe value = r_squared();
  return value;
}

}  // namespace

bool fe_from_bytes(Fe& out, const uint8_t bytes[32]) {
  uint64_t v[4];
  for (int i = 0; i < 4; ++i) {
    uint64_t w = 0;
    for (int k = 0; k < 8; ++k) w = (w << 8) | bytes[8 * (3 - i) + k];
    v[i] = w;
  }
  // out is v mod p either way (v < 2^256 < 2p); only a v below p is canonical.
  uint64_t d[4];
  const bool canonical = minus_p(d, v);
  out = mont_mul(canonical ? v : d, r2().limb);
  return canonical;
}

void fe_to_bytes(uint8_t bytes[32], const Fe& a) {
  const uint64_t one[4] = {1, 0, 0, 0};
  const Fe v = mont_mul(a.limb, one);
  for (int i = 0; i < 4; ++i) {
    for (int k = 0; k < 8; ++k) bytes[8 * (3 - i) + k] = static_cast<uint8_t>(v.limb[i] >> (8 * (7 - k)));
  }
}

Fe fe_mul(const Fe& a, const Fe& b) { return mont_mul(a.limb, b.limb); }

Fe fe_add(const Fe& a, const Fe& b) {
  uint64_t t[4];
  u128 c = 0;
  for (int i = 0; i < 4; ++i) {
    c += u128{a.limb[i]} + b.limb[i];
    t[i] = static_cast<uint64_t>(c);
    c >>= 64;
  }
  return reduced(t, static_cast<uint64_t>(c));
}

Fe fe_sub(const Fe& a, const Fe& b) {
  uint64_t t[4], borrow = 0;
  for (int i = 0; i < 4; ++i) {
    const u128 d = u128{a.limb[i]} - b.limb[i] - borrow;
    t[i] = static_cast<uint64_t>(d);
    borrow = static_cast<uint64_t>(d >> 64) & 1;
  }
  if (borrow != 0) {  // add p back
    u128 c = 0;
    for (int i = 0; i < 4; ++i) {
      c += u128{t[i]} + kP[i];
      t[i] = static_cast<uint64_t>(c);
      c >>= 64;
    }
  }
  return Fe{{t[0], t[1], t[2], t[3]}};
}

// (p + 1) / 4 = 2^254 - 2^222 + 2^190 + 2^94
//             = 2^94 · ((((2^32 - 1) · 2^32 + 1) · 2^96) + 1).
Fe fe_sqrt_candidate(const Fe& a) {
  const Fe x2 = fe_mul(square_n(a, 1), a);     // a^(2^2 - 1)
  const Fe x4 = fe_mul(square_n(x2, 2), x2);   // a^(2^4 - 1)
  const Fe x8 = fe_mul(square_n(x4, 4), x4);
  const Fe x16 = fe_mul(square_n(x8, 8), x8);
  const Fe x32 = fe_mul(square_n(x16, 16), x16);  // a^(2^32 - 1)
  Fe t = fe_mul(square_n(x32, 32), a);
  t = fe_mul(square_n(t, 96), a);
  return square_n(t, 94);
}

Fe fe_one() {
  const uint64_t zero[4] = {};
  Fe r;
  minus_p(r.limb, zero);  // 2^256 mod p
  return r;
}

// p - 2 = 2^256 - 2^224 + 2^192 + 2^96 - 3: the words ffffffff 00000001,
// 96 zero bits, then ffffffff ffffffff fffffffd (libcrypto's own chain).
Fe fe_invert(const Fe& a) {
  const Fe x2 = fe_mul(square_n(a, 1), a);
  const Fe x4 = fe_mul(square_n(x2, 2), x2);
  const Fe x8 = fe_mul(square_n(x4, 4), x4);
  const Fe x16 = fe_mul(square_n(x8, 8), x8);
  const Fe x32 = fe_mul(square_n(x16, 16), x16);
  Fe t = fe_mul(square_n(x32, 32), a);
  t = fe_mul(square_n(t, 128), x32);
  t = fe_mul(square_n(t, 32), x32);
  t = fe_mul(square_n(t, 16), x16);
  t = fe_mul(square_n(t, 8), x8);
  t = fe_mul(square_n(t, 4), x4);
  t = fe_mul(square_n(t, 2), x2);
  return fe_mul(square_n(t, 2), a);
}

bool decompress(const uint8_t encoded[33], Fe& x, Fe& y_out) {
  if (encoded[0] != 0x02 && encoded[0] != 0x03) return false;
  if (!fe_from_bytes(x, encoded + 1)) return false;
  // b of P-256, and a = -3.
  static const Fe b = [] {
    const uint8_t bytes[32] = {0x5a, 0xc6, 0x35, 0xd8, 0xaa, 0x3a, 0x93, 0xe7, 0xb3, 0xeb, 0xbd,
                               0x55, 0x76, 0x98, 0x86, 0xbc, 0x65, 0x1d, 0x06, 0xb0, 0xcc, 0x53,
                               0xb0, 0xf6, 0x3b, 0xce, 0x3c, 0x3e, 0x27, 0xd2, 0x60, 0x4b};
    Fe v;
    fe_from_bytes(v, bytes);
    return v;
  }();
  const Fe three_x = fe_add(fe_add(x, x), x);
  const Fe rhs = fe_add(fe_sub(fe_mul(fe_mul(x, x), x), three_x), b);
  const Fe y = fe_sqrt_candidate(rhs);
  if (!(fe_mul(y, y) == rhs)) return false;  // x^3 - 3x + b is not a square

  uint8_t y_bytes[32];
  fe_to_bytes(y_bytes, y);
  const bool want_odd = encoded[0] == 0x03;
  y_out = y;
  if ((y_bytes[31] & 1) != want_odd) {
    const Fe zero{};
    if (y == zero) return false;  // y = 0 has no odd twin
    y_out = fe_sub(zero, y);
  }
  return true;
}

}  // namespace silvantrope::crypto::p256
