// SPDX-License-Identifier: Apache-2.0
#pragma once

// P-256 points in Jacobian coordinates on libcrypto's own point assembly,
// for verifications whose inputs are all public: the multiplication is a
// variable-time interleaved wNAF, so a 128-bit scalar costs half the
// doublings of a 256-bit one (OpenSSL's multi-point multiplication always
// walks 256 bits, and needs a second pass for a second result).

#include <cstdint>
#include <span>

#include "silvantrope-crypto/p256_field.h"

namespace silvantrope::crypto::p256 {

// x = X / Z^2, y = Y / Z^3; Z = 0 is the identity. The layout of libcrypto's
// P256_POINT.
struct Point {
  Fe x, y, z;
};

Point from_affine(const Fe& x, const Fe& y);
Point negate(const Point& p);
// Complete: equal, opposite and identity operands included.
Point add(const Point& a, const Point& b);

// A scalar as four 64-bit limbs, least significant first (any value below
// 2^256).
struct Scalar {
  uint64_t limb[4];
};
Scalar scalar_from_bytes(const uint8_t* big_endian, size_t size);  // size <= 32

struct Term {
  Scalar k;
  Point p;
};
// Σ k·P over at most kMaxTerms terms, sharing one chain of doublings.
inline constexpr size_t kMaxTerms = 2;
Point linear_combination(std::span<const Term> terms);

// The SEC1 compressed encodings of two points, with one inversion for both;
// false when either is the identity.
bool compress_pair(const Point& a, const Point& b, uint8_t a_out[33], uint8_t b_out[33]);

}  // namespace silvantrope::crypto::p256
