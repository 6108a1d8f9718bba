// SPDX-License-Identifier: Apache-2.0
#pragma once

// Arithmetic modulo the P-256 prime p = 2^256 - 2^224 + 2^192 + 2^96 - 1,
// enough to decompress SEC1 points and leave Jacobian coordinates fast:
// OpenSSL's generic square root builds a Montgomery context and runs a
// windowed exponentiation on every call; here the exponent (p + 1) / 4 is a
// fixed chain of 253 squarings and 7 multiplications on four 64-bit limbs,
// run by libcrypto's own P-256 field assembly. Variable time: every input is
// public.

#include <cstdint>

namespace silvantrope::crypto::p256 {

// A residue in Montgomery form (times 2^256 mod p), fully reduced, limbs
// least significant first.
struct Fe {
  uint64_t limb[4];
  bool operator==(const Fe&) const = default;
};

// From 32 big-endian bytes, reduced mod p; false when the value was not
// below p (a non-canonical encoding).
bool fe_from_bytes(Fe& out, const uint8_t bytes[32]);
void fe_to_bytes(uint8_t bytes[32], const Fe& a);

Fe fe_mul(const Fe& a, const Fe& b);
Fe fe_add(const Fe& a, const Fe& b);
Fe fe_sub(const Fe& a, const Fe& b);
// a^((p + 1) / 4): the square root of a when a is a square.
Fe fe_sqrt_candidate(const Fe& a);

// 1 in Montgomery form.
Fe fe_one();
// a^(p - 2): the inverse of a nonzero a.
Fe fe_invert(const Fe& a);

// SEC1 compressed point decoding: prefix 02 (even y) or 03 (odd y), then x
// below p with x^3 - 3x + b a square mod p. Sets the affine coordinates;
// false when the encoding names no curve point.
bool decompress(const uint8_t encoded[33], Fe& x, Fe& y);

}  // namespace silvantrope::crypto::p256
