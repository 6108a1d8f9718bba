// SPDX-License-Identifier: Apache-2.0
#include "silvantrope-crypto/p256_point.h"

#include <algorithm>

#include "core/fault.h"

namespace silvantrope::crypto::p256 {
namespace {

static_assert(sizeof(Point) == 96, "libcrypto's P256_POINT is three times four limbs");

// libcrypto's P-256 point assembly (crypto/ec/asm/ecp_nistz256-x86_64.pl),
// beside the field functions p256_field.cpp already uses. The addition
// doubles equal operands and returns Z = 0 for opposite ones.
extern "C" void ecp_nistz256_point_double(Point* r, const Point* a);
extern "C" void ecp_nistz256_point_add(Point* r, const Point* a, const Point* b);

// Window width: a table of 2^(w-2) odd multiples per term, one addition per
// w + 1 bits on average.
constexpr int kWindow = 5;
constexpr int kTable = 1 << (kWindow - 2);
// A scalar below 2^256 has wNAF digits at positions 0..256.
constexpr int kDigits = 257;

// Bits [bit, bit + count) of k, zero beyond bit 255; count <= kWindow.
uint32_t bits(const Scalar& k, int bit, int count) {
  if (bit >= 256) return 0;
  const int limb = bit / 64, shift = bit % 64;
  uint64_t v = k.limb[limb] >> shift;
  if (shift + count > 64 && limb + 1 < 4) v |= k.limb[limb + 1] << (64 - shift);
  return static_cast<uint32_t>(v & ((uint64_t{1} << count) - 1));
}

// The width-kWindow NAF of k: odd digits in (-2^(w-1), 2^(w-1)), each
// nonzero digit followed by at least w - 1 zeros. Returns the number of
// positions used (one past the highest nonzero digit).
int wnaf(const Scalar& k, int8_t digits[kDigits]) {
  std::fill(digits, digits + kDigits, int8_t{0});
  int carry = 0, top = 0;
  for (int bit = 0; bit < kDigits;) {
    if (static_cast<int>(bits(k, bit, 1)) == carry) {
      ++bit;
      continue;
    }
    const int now = std::min(kWindow, kDigits - bit);
    int word = static_cast<int>(bits(k, bit, now)) + carry;
    carry = (word >> (kWindow - 1)) & 1;
    word -= carry << kWindow;
    digits[bit] = static_cast<int8_t>(word);
    top = bit + 1;
    bit += now;
  }
  if (carry != 0) throw InternalFault("wNAF left a carry");
  return top;
}

}  // namespace

Point from_affine(const Fe& x, const Fe& y) { return Point{x, y, fe_one()}; }

Point negate(const Point& p) { return Point{p.x, fe_sub(Fe{}, p.y), p.z}; }

Point add(const Point& a, const Point& b) {
  Point r;
  ecp_nistz256_point_add(&r, &a, &b);
  return r;
}

Scalar scalar_from_bytes(const uint8_t* big_endian, size_t size) {
  if (size > 32) throw InternalFault("a P-256 scalar is at most 32 bytes");
  Scalar k{};
  for (size_t i = 0; i < size; ++i) {
    const size_t bit = 8 * (size - 1 - i);
    k.limb[bit / 64] |= uint64_t{big_endian[i]} << (bit % 64);
  }
  return k;
}

Point linear_combination(std::span<const Term> terms) {
  if (terms.size() > kMaxTerms) throw InternalFault("too many terms for one P-256 combination");
  int8_t digits[kMaxTerms][kDigits];
  Point table[kMaxTerms][kTable];  // P, 3P, 5P, ...
  int top = 0;
  for (size_t t = 0; t < terms.size(); ++t) {
    top = std::max(top, wnaf(terms[t].k, digits[t]));
    Point twice;
    ecp_nistz256_point_double(&twice, &terms[t].p);
    table[t][0] = terms[t].p;
    for (int i = 1; i < kTable; ++i) ecp_nistz256_point_add(&table[t][i], &table[t][i - 1], &twice);
  }
  Point acc{};  // the identity
  bool empty = true;
  for (int bit = top - 1; bit >= 0; --bit) {
    if (!empty) ecp_nistz256_point_double(&acc, &acc);
    for (size_t t = 0; t < terms.size(); ++t) {
      const int d = digits[t][bit];
      if (d == 0) continue;
      const Point& m = table[t][(std::abs(d) - 1) / 2];
      const Point addend = d > 0 ? m : negate(m);
      if (empty) {
        acc = addend;
        empty = false;
      } else {
        ecp_nistz256_point_add(&acc, &acc, &addend);
      }
    }
  }
  return acc;
}

bool compress_pair(const Point& a, const Point& b, uint8_t a_out[33], uint8_t b_out[33]) {
  if (a.z == Fe{} || b.z == Fe{}) return false;
  const Fe inv = fe_invert(fe_mul(a.z, b.z));
  const Point* points[2] = {&a, &b};
  uint8_t* outs[2] = {a_out, b_out};
  const Fe z_inv[2] = {fe_mul(inv, b.z), fe_mul(inv, a.z)};
  for (int i = 0; i < 2; ++i) {
    const Fe zz = fe_mul(z_inv[i], z_inv[i]);
    uint8_t y[32];
    fe_to_bytes(outs[i] + 1, fe_mul(points[i]->x, zz));
    fe_to_bytes(y, fe_mul(points[i]->y, fe_mul(zz, z_inv[i])));
    outs[i][0] = static_cast<uint8_t>(0x02 | (y[31] & 1));
  }
  return true;
}

}  // namespace silvantrope::crypto::p256
