// SPDX-License-Identifier: Apache-2.0
#include "vrf_p256_prover.h"

#include <openssl/bn.h>
#include <openssl/ec.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/obj_mac.h>

#include <initializer_list>
#include <memory>
#include <stdexcept>

#include "rfc6962_tree.h"  // sha256

namespace test_support {
namespace {

template <typename T, void (*Free)(T*)>
struct Deleter {
  void operator()(T* p) const { Free(p); }
};
using Bn = std::unique_ptr<BIGNUM, Deleter<BIGNUM, BN_free>>;
using Point = std::unique_ptr<EC_POINT, Deleter<EC_POINT, EC_POINT_free>>;

template <typename T>
T checked(T p) {
  if (!p) throw std::runtime_error("P-256 prover: OpenSSL failed");
  return p;
}

Bytes cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Bn bn(const Bytes& be) { return checked(Bn(BN_bin2bn(be.data(), static_cast<int>(be.size()), nullptr))); }

Bytes be32(const BIGNUM* v) {
  Bytes out(32);
  checked(BN_bn2binpad(v, out.data(), 32) == 32);
  return out;
}

// The group and a BN_CTX, per call: the prover is never timed.
struct Curve {
  std::unique_ptr<EC_GROUP, Deleter<EC_GROUP, EC_GROUP_free>> group{
      checked(EC_GROUP_new_by_curve_name(NID_X9_62_prime256v1))};
  std::unique_ptr<BN_CTX, Deleter<BN_CTX, BN_CTX_free>> ctx{checked(BN_CTX_new())};

  const BIGNUM* n() const { return EC_GROUP_get0_order(group.get()); }
  // k·p, or k·G without p.
  Point mul(const BIGNUM* k, const EC_POINT* p = nullptr) {
    Point r = checked(Point(EC_POINT_new(group.get())));
    checked(p ? EC_POINT_mul(group.get(), r.get(), nullptr, p, k, ctx.get())
              : EC_POINT_mul(group.get(), r.get(), k, nullptr, nullptr, ctx.get()));
    return r;
  }
  Bytes encode(const EC_POINT* p) {
    Bytes out(33);
    checked(EC_POINT_point2oct(group.get(), p, POINT_CONVERSION_COMPRESSED, out.data(), 33, ctx.get()) == 33);
    return out;
  }
  // Try-and-increment; h_string receives the candidate that decoded.
  Point encode_to_curve(const Bytes& pk, const Bytes& alpha, Bytes& h_string) {
    Point h = checked(Point(EC_POINT_new(group.get())));
    for (unsigned ctr = 0; ctr < 256; ++ctr) {
      h_string = cat({{0x02}, sha256(cat({{0x01, 0x01}, pk, alpha, {static_cast<uint8_t>(ctr), 0x00}}))});
      if (EC_POINT_oct2point(group.get(), h.get(), h_string.data(), 33, ctx.get()) == 1) return h;
      ERR_clear_error();
    }
    throw std::runtime_error("P-256 prover: encode_to_curve exhausted");
  }
};

// RFC 6979 §3.2 with HMAC-SHA256, qlen = hlen = 256, message h_string.
Bn nonce(const Bytes& x, const Bytes& h_string, const BIGNUM* n) {
  Bn h1 = bn(sha256(h_string));
  if (BN_cmp(h1.get(), n) >= 0) checked(BN_sub(h1.get(), h1.get(), n));
  const Bytes material = cat({x, be32(h1.get())});
  Bytes k(32, 0x00), v(32, 0x01);
  auto hmac = [&](const Bytes& m) {
    Bytes out(32);
    checked(HMAC(EVP_sha256(), k.data(), 32, m.data(), m.size(), out.data(), nullptr));
    return out;
  };
  k = hmac(cat({v, {0x00}, material}));
  v = hmac(v);
  k = hmac(cat({v, {0x01}, material}));
  v = hmac(v);
  for (;;) {
    v = hmac(v);
    Bn t = bn(v);
    if (!BN_is_zero(t.get()) && BN_cmp(t.get(), n) < 0) return t;
    k = hmac(cat({v, {0x00}}));
    v = hmac(v);
  }
}

}  // namespace

P256VrfProver::P256VrfProver(const Bytes& secret_key32) : x_(secret_key32) {
  Curve cv;
  Bn x = bn(x_);
  if (x_.size() != 32 || BN_is_zero(x.get()) || BN_cmp(x.get(), cv.n()) >= 0) {
    throw std::invalid_argument("P-256 secret key must be 32 bytes in [1, n)");
  }
  pk_ = cv.encode(cv.mul(x.get()).get());
}

P256VrfProver P256VrfProver::from_seed(uint64_t seed) {
  Bytes m{'p', '2', '5', '6'};
  for (int i = 0; i < 8; ++i) m.push_back(static_cast<uint8_t>(seed >> (8 * i)));
  return P256VrfProver(sha256(m));
}

Bytes P256VrfProver::public_key() const { return pk_; }

Bytes P256VrfProver::prove(const Bytes& alpha) const {
  Curve cv;
  Bytes h_string;
  const Point h = cv.encode_to_curve(pk_, alpha, h_string);
  const Bn x = bn(x_), k = nonce(x_, h_string, cv.n());
  const Bytes gamma = cv.encode(cv.mul(x.get(), h.get()).get());
  Bytes c = sha256(cat({{0x01, 0x02}, pk_, h_string, gamma, cv.encode(cv.mul(k.get()).get()),
                        cv.encode(cv.mul(k.get(), h.get()).get()), {0x00}}));
  c.resize(16);
  Bn s = checked(Bn(BN_new()));  // k + c·x mod n
  checked(BN_mod_mul(s.get(), bn(c).get(), x.get(), cv.n(), cv.ctx.get()));
  checked(BN_mod_add(s.get(), s.get(), k.get(), cv.n(), cv.ctx.get()));
  return cat({gamma, c, be32(s.get())});
}

Bytes P256VrfProver::proof_to_hash(const Bytes& proof) {
  return sha256(cat({{0x01, 0x03}, Bytes(proof.begin(), proof.begin() + 33), {0x00}}));
}

}  // namespace test_support
