#include "silvantrope-crypto/edwards25519.h"

#include <sodium.h>

#include <algorithm>

#include "core/fault.h"

namespace silvantrope::crypto::ed25519 {
namespace {

void ensure_sodium() {
  static const bool ready = sodium_init() >= 0;
  if (!ready) throw InternalFault("libsodium failed to initialise");
}

bool is_zero(const Scalar& k) {
  return std::all_of(k.begin(), k.end(), [](uint8_t b) { return b == 0; });
}

}  // namespace

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

}  // namespace silvantrope::crypto::ed25519
