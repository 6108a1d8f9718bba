// SPDX-License-Identifier: Apache-2.0
#include "signers.h"

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/obj_mac.h>
#include <openssl/param_build.h>

#include <stdexcept>

namespace test_support {
namespace {

template <typename T>
T* checked(T* p, const char* what) {
  if (!p) throw std::runtime_error(std::string("test signer: ") + what);
  return p;
}
void check(int ok, const char* what) {
  if (ok != 1) throw std::runtime_error(std::string("test signer: ") + what);
}

template <typename T, void (*Free)(T*)>
struct Deleter {
  void operator()(T* p) const { Free(p); }
};
template <typename T, void (*Free)(T*)>
using Owned = std::unique_ptr<T, Deleter<T, Free>>;

enum class Classical { None, Ed25519, Ed448, P521 };
struct Layout {
  SchemeType type;
  Classical classical;
  const char* mldsa;
  const char* name;
};
constexpr Layout kLayouts[] = {
    {SchemeType::EdMlDsa44, Classical::Ed25519, "ML-DSA-44", "Ed25519+ML-DSA-44"},
    {SchemeType::EdMlDsa65, Classical::Ed25519, "ML-DSA-65", "Ed25519+ML-DSA-65"},
    {SchemeType::EdMlDsa87, Classical::Ed25519, "ML-DSA-87", "Ed25519+ML-DSA-87"},
    {SchemeType::MlDsa87, Classical::None, "ML-DSA-87", "ML-DSA-87"},
    {SchemeType::Ed448MlDsa65, Classical::Ed448, "ML-DSA-65", "Ed448+ML-DSA-65"},
    {SchemeType::P521MlDsa87, Classical::P521, "ML-DSA-87", "P-521+ML-DSA-87"},
};
const Layout& layout(SchemeType type) {
  for (const Layout& l : kLayouts) {
    if (l.type == type) return l;
  }
  throw std::invalid_argument("unknown scheme type");
}

constexpr size_t kP521Bytes = 66;

void put_u64be(Bytes& out, uint64_t v) {
  for (int shift = 56; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

// SHA-512(u64be(seed) || counter || label) || SHA-512(... counter + 1 ...) ..., cut to n bytes.
Bytes derive(uint64_t seed, std::string_view label, size_t n) {
  Bytes out;
  for (uint8_t counter = 0; out.size() < n; ++counter) {
    Bytes input;
    put_u64be(input, seed);
    input.push_back(counter);
    input.insert(input.end(), label.begin(), label.end());
    uint8_t block[64];
    check(EVP_Digest(input.data(), input.size(), block, nullptr, EVP_sha512(), nullptr), "SHA-512");
    out.insert(out.end(), block, block + sizeof block);
  }
  out.resize(n);
  return out;
}

Key own(EVP_PKEY* key) { return Key(checked(key, "key"), EVP_PKEY_free); }

Key from_params(const char* alg, const OSSL_PARAM* params) {
  Owned<EVP_PKEY_CTX, EVP_PKEY_CTX_free> ctx(checked(EVP_PKEY_CTX_new_from_name(nullptr, alg, nullptr), alg));
  check(EVP_PKEY_fromdata_init(ctx.get()), "fromdata init");
  EVP_PKEY* key = nullptr;
  check(EVP_PKEY_fromdata(ctx.get(), &key, EVP_PKEY_KEYPAIR, const_cast<OSSL_PARAM*>(params)), alg);
  return own(key);
}

// A P-521 key whose scalar is 1 + (x mod (n - 1)) for 132 bytes x from the
// seed; the public point is computed here, since fromdata does not derive it.
Key p521_from_seed(const Bytes& material, Bytes& public_point) {
  Owned<EC_GROUP, EC_GROUP_free> group(checked(EC_GROUP_new_by_curve_name(NID_secp521r1), "P-521"));
  Owned<BN_CTX, BN_CTX_free> bn(checked(BN_CTX_new(), "BN_CTX"));
  Owned<BIGNUM, BN_free> x(BN_bin2bn(material.data(), static_cast<int>(material.size()), nullptr));
  Owned<BIGNUM, BN_free> n1(checked(BN_dup(EC_GROUP_get0_order(group.get())), "order")), d(BN_new());
  check(BN_sub_word(n1.get(), 1) && BN_mod(d.get(), x.get(), n1.get(), bn.get()) && BN_add_word(d.get(), 1), "scalar");
  Owned<EC_POINT, EC_POINT_free> q(checked(EC_POINT_new(group.get()), "point"));
  check(EC_POINT_mul(group.get(), q.get(), d.get(), nullptr, nullptr, bn.get()), "d * G");
  public_point.assign(1 + 2 * kP521Bytes, 0);
  EC_POINT_point2oct(group.get(), q.get(), POINT_CONVERSION_UNCOMPRESSED, public_point.data(), public_point.size(), bn.get());
  Owned<OSSL_PARAM_BLD, OSSL_PARAM_BLD_free> bld(checked(OSSL_PARAM_BLD_new(), "params"));
  check(OSSL_PARAM_BLD_push_utf8_string(bld.get(), OSSL_PKEY_PARAM_GROUP_NAME, "P-521", 0) &&
            OSSL_PARAM_BLD_push_BN(bld.get(), OSSL_PKEY_PARAM_PRIV_KEY, d.get()) &&
            OSSL_PARAM_BLD_push_octet_string(bld.get(), OSSL_PKEY_PARAM_PUB_KEY, public_point.data(), public_point.size()),
        "P-521 params");
  Owned<OSSL_PARAM, OSSL_PARAM_free> params(checked(OSSL_PARAM_BLD_to_param(bld.get()), "params"));
  return from_params("EC", params.get());
}

Bytes raw_public_key(EVP_PKEY* key) {
  size_t n = 0;
  check(EVP_PKEY_get_raw_public_key(key, nullptr, &n), "public key length");
  Bytes out(n);
  check(EVP_PKEY_get_raw_public_key(key, out.data(), &n), "public key");
  return out;
}

// EdDSA, or ECDSA with SHA-512 and RFC 6979 nonces (DER, converted by the caller).
Bytes digest_sign(EVP_PKEY* key, const char* md, const OSSL_PARAM* params, const Bytes& message) {
  Owned<EVP_MD_CTX, EVP_MD_CTX_free> ctx(checked(EVP_MD_CTX_new(), "MD context"));
  check(EVP_DigestSignInit_ex(ctx.get(), nullptr, md, nullptr, nullptr, key, params), "sign init");
  size_t n = 0;
  check(EVP_DigestSign(ctx.get(), nullptr, &n, message.data(), message.size()), "signature length");
  Bytes sig(n);
  check(EVP_DigestSign(ctx.get(), sig.data(), &n, message.data(), message.size()), "sign");
  sig.resize(n);
  return sig;
}

Bytes p521_sign(EVP_PKEY* key, const Bytes& message) {
  unsigned int rfc6979 = 1;
  const OSSL_PARAM params[] = {OSSL_PARAM_construct_uint(OSSL_SIGNATURE_PARAM_NONCE_TYPE, &rfc6979), OSSL_PARAM_construct_end()};
  const Bytes der = digest_sign(key, "SHA512", params, message);
  const unsigned char* p = der.data();
  Owned<ECDSA_SIG, ECDSA_SIG_free> sig(checked(d2i_ECDSA_SIG(nullptr, &p, static_cast<long>(der.size())), "DER"));
  Bytes out(2 * kP521Bytes);
  BN_bn2binpad(ECDSA_SIG_get0_r(sig.get()), out.data(), kP521Bytes);
  BN_bn2binpad(ECDSA_SIG_get0_s(sig.get()), out.data() + kP521Bytes, kP521Bytes);
  return out;
}

// FIPS 204 pure ML-DSA with an empty context; "deterministic" is rnd = 0^32.
Bytes mldsa_sign(EVP_PKEY* key, const char* alg, const Bytes& message) {
  Owned<EVP_SIGNATURE, EVP_SIGNATURE_free> impl(checked(EVP_SIGNATURE_fetch(nullptr, alg, nullptr), alg));
  int deterministic = 1, pure = 1;
  uint8_t no_context = 0;
  const OSSL_PARAM params[] = {
      OSSL_PARAM_construct_int(OSSL_SIGNATURE_PARAM_DETERMINISTIC, &deterministic),
      OSSL_PARAM_construct_int(OSSL_SIGNATURE_PARAM_MESSAGE_ENCODING, &pure),
      OSSL_PARAM_construct_octet_string(OSSL_SIGNATURE_PARAM_CONTEXT_STRING, &no_context, 0),
      OSSL_PARAM_construct_end()};
  Owned<EVP_PKEY_CTX, EVP_PKEY_CTX_free> ctx(checked(EVP_PKEY_CTX_new_from_pkey(nullptr, key, nullptr), "ctx"));
  check(EVP_PKEY_sign_message_init(ctx.get(), impl.get(), params), "ML-DSA init");
  size_t n = 0;
  check(EVP_PKEY_sign(ctx.get(), nullptr, &n, message.data(), message.size()), "ML-DSA length");
  Bytes sig(n);
  check(EVP_PKEY_sign(ctx.get(), sig.data(), &n, message.data(), message.size()), "ML-DSA sign");
  sig.resize(n);
  return sig;
}

}  // namespace

const std::array<SchemeType, 6>& all_scheme_types() {
  static const std::array<SchemeType, 6> types = {SchemeType::EdMlDsa44, SchemeType::EdMlDsa65,    SchemeType::EdMlDsa87,
                                                  SchemeType::MlDsa87,   SchemeType::Ed448MlDsa65, SchemeType::P521MlDsa87};
  return types;
}

std::string_view scheme_name(SchemeType type) { return layout(type).name; }

Bytes frame_message(std::string_view ctx, const Bytes& m) {
  Bytes out;
  put_u64be(out, ctx.size());
  out.insert(out.end(), ctx.begin(), ctx.end());
  out.insert(out.end(), m.begin(), m.end());
  return out;
}

std::string base64(const Bytes& data) {
  std::string out(4 * ((data.size() + 2) / 3) + 1, '\0');
  out.resize(EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()), data.data(), static_cast<int>(data.size())));
  return out;
}

Bytes join_scheme_bytes(SchemeType type, const SchemeParts& parts) {
  Bytes out{static_cast<uint8_t>(type)};
  out.insert(out.end(), parts.classical.begin(), parts.classical.end());
  out.insert(out.end(), parts.mldsa.begin(), parts.mldsa.end());
  return out;
}

SchemeSigner::SchemeSigner(SchemeType type, uint64_t seed) : type_(type) {
  const Layout& l = layout(type);
  static const char kHex[] = "0123456789abcdef";
  const auto t = static_cast<uint8_t>(type);
  const std::string label = std::string("silvantrope test signer/scheme-") + kHex[t >> 4] + kHex[t & 15] + "/";
  if (l.classical == Classical::Ed25519 || l.classical == Classical::Ed448) {
    const bool ed448 = l.classical == Classical::Ed448;
    const Bytes sk = derive(seed, label + (ed448 ? "Ed448" : "Ed25519"), ed448 ? 57 : 32);
    classical_ = own(EVP_PKEY_new_raw_private_key(ed448 ? EVP_PKEY_ED448 : EVP_PKEY_ED25519, nullptr, sk.data(), sk.size()));
    public_.classical = raw_public_key(classical_.get());
  } else if (l.classical == Classical::P521) {
    classical_ = p521_from_seed(derive(seed, label + "P-521", 2 * kP521Bytes), public_.classical);
  }
  Bytes mldsa_seed = derive(seed, label + l.mldsa, 32);
  const OSSL_PARAM params[] = {
      OSSL_PARAM_construct_octet_string(OSSL_PKEY_PARAM_ML_DSA_SEED, mldsa_seed.data(), mldsa_seed.size()),
      OSSL_PARAM_construct_end()};
  mldsa_ = from_params(l.mldsa, params);
  public_.mldsa = raw_public_key(mldsa_.get());
}

SchemeParts SchemeSigner::sign_components(std::string_view ctx, const Bytes& message) const {
  const Layout& l = layout(type_);
  const Bytes framed = frame_message(ctx, message);
  SchemeParts out;
  if (l.classical == Classical::P521) {
    out.classical = p521_sign(classical_.get(), framed);
  } else if (l.classical != Classical::None) {
    out.classical = digest_sign(classical_.get(), nullptr, nullptr, framed);
  }
  out.mldsa = mldsa_sign(mldsa_.get(), l.mldsa, framed);
  return out;
}

Ed25519Signer::Ed25519Signer(uint64_t seed) {
  const Bytes sk = derive(seed, "silvantrope test signer/Ed25519", 32);
  key_ = own(EVP_PKEY_new_raw_private_key(EVP_PKEY_ED25519, nullptr, sk.data(), sk.size()));
}

Bytes Ed25519Signer::public_key() const { return raw_public_key(key_.get()); }

Bytes Ed25519Signer::sign(const Bytes& message) const { return digest_sign(key_.get(), nullptr, nullptr, message); }

MlDsa44Signer::MlDsa44Signer(uint64_t seed) {
  Bytes mldsa_seed = derive(seed, "silvantrope test signer/ML-DSA-44", 32);
  const OSSL_PARAM params[] = {
      OSSL_PARAM_construct_octet_string(OSSL_PKEY_PARAM_ML_DSA_SEED, mldsa_seed.data(), mldsa_seed.size()),
      OSSL_PARAM_construct_end()};
  key_ = from_params("ML-DSA-44", params);
}

Bytes MlDsa44Signer::public_key() const { return raw_public_key(key_.get()); }

Bytes MlDsa44Signer::sign(const Bytes& message) const { return mldsa_sign(key_.get(), "ML-DSA-44", message); }

}  // namespace test_support
