#pragma once

// Edwards25519 points and scalars over libsodium's public group API.
//
// libsodium's scalar multiplication accepts only canonical encodings of
// points in the prime-order subgroup, a non-zero scalar and a non-identity
// result. Verifiers must also handle points with a torsion component and
// encodings with y >= p, which decode here the lenient way (as libsodium's
// point addition does). mul() takes the fast path when libsodium accepts the
// input and otherwise computes k·P exactly as k = 8q + r, k·P = q·(8P) + r·P.

#include <array>
#include <cstdint>
#include <optional>

#include "core/bytes.h"

namespace silvantrope::crypto::ed25519 {

using Encoding = std::array<uint8_t, 32>;  // compressed point: y, sign of x in bit 255
using Scalar = std::array<uint8_t, 32>;    // little-endian

Encoding identity();

// A decoded point, kept as its canonical encoding.
struct Point {
  Encoding enc;
};

// Decodes 32 bytes: fails only when no x exists for the y given.
std::optional<Point> decode(ByteView bytes);

Point add(const Point& a, const Point& b);
Point sub(const Point& a, const Point& b);
Point times8(const Point& p);
// 8·P for raw bytes, or nothing when they do not decode; the decoding is the
// first doubling's.
std::optional<Point> times8(ByteView bytes);
bool is_identity(const Point& p);

// 8·P is the identity.
bool has_small_order(const Point& p);

// s is below the group order L (and so has bit 255 clear).
bool is_canonical_scalar(const Scalar& s);

// k·B for a canonical k.
Point mul_base(const Scalar& k);
// k·P for any k below 2^255 and any decoded P.
Point mul(const Scalar& k, const Point& p);

// The fast path alone: k·P when libsodium accepts the raw encoding (canonical,
// prime-order subgroup, not small order) and the scalar; nothing otherwise.
std::optional<Point> mul_prime_order(const Scalar& k, ByteView raw);

}  // namespace silvantrope::crypto::ed25519
