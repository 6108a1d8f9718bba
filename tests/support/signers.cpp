#include "signers.h"

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/obj_mac.h>
#include <openssl/param_build.h>
#include <sodium.h>

#include <stdexcept>

namespace test_support {
namespace {

// RAII for the OpenSSL objects used here.
template <typename T, void (*Free)(T*)>
struct Deleter {
  void operator()(T* p) const { Free(p); }
};
template <typename T, void (*Free)(T*)>
using Owned = std::unique_ptr<T, Deleter<T, Free>>;

using PkeyCtx = Owned<EVP_PKEY_CTX, EVP_PKEY_CTX_free>;
using MdCtx = Owned<EVP_MD_CTX, EVP_MD_CTX_free>;
using Signature = Owned<EVP_SIGNATURE, EVP_SIGNATURE_free>;
using Bignum = Owned<BIGNUM, BN_free>;
using BnCtx = Owned<BN_CTX, BN_CTX_free>;
using EcGroup = Owned<EC_GROUP, EC_GROUP_free>;
using EcPoint = Owned<EC_POINT, EC_POINT_free>;
using EcdsaSig = Owned<ECDSA_SIG, ECDSA_SIG_free>;
using ParamBld = Owned<OSSL_PARAM_BLD, OSSL_PARAM_BLD_free>;
using Params = Owned<OSSL_PARAM, OSSL_PARAM_free>;
using Pkey = Owned<EVP_PKEY, EVP_PKEY_free>;

[[noreturn]] void fail(const char* what) {
  std::string message = std::string("test signer: ") + what;
  if (unsigned long e = ERR_get_error(); e != 0) {
    char buf[256];
    ERR_error_string_n(e, buf, sizeof buf);
    message += ": ";
    message += buf;
  }
  ERR_clear_error();
  throw std::runtime_error(message);
}

void check(int ok, const char* what) {
  if (ok != 1) fail(what);
}

template <typename P>
P checked(P p, const char* what) {
  if (!p) fail(what);
  return p;
}

enum class Classical { None, Ed25519, Ed448, P521 };

struct Layout {
  SchemeType type;
  Classical classical;
  const char* mldsa;  // OpenSSL algorithm name
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
  throw std::invalid_argument("unknown scheme type " + std::to_string(static_cast<int>(type)));
}

// P-521 scalars and coordinates are 66 bytes.
constexpr size_t kP521Bytes = 66;

void put_u64be(Bytes& out, uint64_t v) {
  for (int shift = 56; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

// n bytes of key material for one component:
//   SHA-512(u64be(seed) || counter || label) || SHA-512(... counter + 1 ...) || ...
// The label names the scheme and the component, so no two components share
// key material.
Bytes derive(uint64_t seed, std::string_view label, size_t n) {
  Bytes out;
  for (uint8_t counter = 0; out.size() < n; ++counter) {
    Bytes input;
    put_u64be(input, seed);
    input.push_back(counter);
    input.insert(input.end(), label.begin(), label.end());
    uint8_t block[64];
    check(EVP_Digest(input.data(), input.size(), block, nullptr, EVP_sha512(), nullptr),
          "SHA-512");
    out.insert(out.end(), block, block + sizeof block);
  }
  out.resize(n);
  return out;
}

std::string component_label(SchemeType type, std::string_view component) {
  static const char kHex[] = "0123456789abcdef";
  const auto t = static_cast<uint8_t>(type);
  std::string label = "silvantrope test signer/scheme-";
  label += kHex[t >> 4];
  label += kHex[t & 15];
  label += '/';
  label += component;
  return label;
}

Pkey raw_private_key(int type, const Bytes& key) {
  return checked(Pkey(EVP_PKEY_new_raw_private_key(type, nullptr, key.data(), key.size())),
                 "raw private key");
}

Pkey mldsa_from_seed(const char* alg, const Bytes& seed) {
  PkeyCtx ctx = checked(PkeyCtx(EVP_PKEY_CTX_new_from_name(nullptr, alg, nullptr)), alg);
  check(EVP_PKEY_fromdata_init(ctx.get()), "ML-DSA fromdata init");
  OSSL_PARAM params[] = {
      OSSL_PARAM_construct_octet_string(OSSL_PKEY_PARAM_ML_DSA_SEED,
                                        const_cast<uint8_t*>(seed.data()), seed.size()),
      OSSL_PARAM_construct_end()};
  EVP_PKEY* key = nullptr;
  check(EVP_PKEY_fromdata(ctx.get(), &key, EVP_PKEY_KEYPAIR, params), "ML-DSA key from seed");
  return Pkey(key);
}

// A P-521 key pair whose private scalar is 1 + (x mod (n - 1)), with x a
// 132-byte value drawn from the seed: twice the width of n, so the reduction
// is essentially unbiased, and never zero. The public point is computed here
// and handed to OpenSSL alongside the scalar, since EVP_PKEY_fromdata does not
// derive it.
Pkey p521_from_seed(const Bytes& material, Bytes& public_point) {
  EcGroup group = checked(EcGroup(EC_GROUP_new_by_curve_name(NID_secp521r1)), "P-521 group");
  BnCtx bn_ctx = checked(BnCtx(BN_CTX_new()), "BN_CTX");
  Bignum x = checked(Bignum(BN_bin2bn(material.data(), static_cast<int>(material.size()), nullptr)),
                     "scalar material");
  Bignum n_minus_1 = checked(Bignum(BN_dup(EC_GROUP_get0_order(group.get()))), "group order");
  check(BN_sub_word(n_minus_1.get(), 1), "n - 1");
  Bignum d = checked(Bignum(BN_new()), "scalar");
  check(BN_mod(d.get(), x.get(), n_minus_1.get(), bn_ctx.get()), "scalar reduction");
  check(BN_add_word(d.get(), 1), "scalar + 1");

  EcPoint q = checked(EcPoint(EC_POINT_new(group.get())), "point");
  check(EC_POINT_mul(group.get(), q.get(), d.get(), nullptr, nullptr, bn_ctx.get()), "d * G");
  public_point.assign(1 + 2 * kP521Bytes, 0);
  if (EC_POINT_point2oct(group.get(), q.get(), POINT_CONVERSION_UNCOMPRESSED, public_point.data(),
                         public_point.size(), bn_ctx.get()) != public_point.size()) {
    fail("P-521 point encoding");
  }

  ParamBld bld = checked(ParamBld(OSSL_PARAM_BLD_new()), "param builder");
  check(OSSL_PARAM_BLD_push_utf8_string(bld.get(), OSSL_PKEY_PARAM_GROUP_NAME, "P-521", 0),
        "group name");
  check(OSSL_PARAM_BLD_push_BN(bld.get(), OSSL_PKEY_PARAM_PRIV_KEY, d.get()), "private key");
  check(OSSL_PARAM_BLD_push_octet_string(bld.get(), OSSL_PKEY_PARAM_PUB_KEY, public_point.data(),
                                         public_point.size()),
        "public key");
  Params params = checked(Params(OSSL_PARAM_BLD_to_param(bld.get())), "params");
  PkeyCtx ctx = checked(PkeyCtx(EVP_PKEY_CTX_new_from_name(nullptr, "EC", nullptr)), "EC");
  check(EVP_PKEY_fromdata_init(ctx.get()), "EC fromdata init");
  EVP_PKEY* key = nullptr;
  check(EVP_PKEY_fromdata(ctx.get(), &key, EVP_PKEY_KEYPAIR, params.get()), "P-521 key");
  return Pkey(key);
}

Bytes raw_public_key(EVP_PKEY* key) {
  size_t n = 0;
  check(EVP_PKEY_get_raw_public_key(key, nullptr, &n), "public key length");
  Bytes out(n);
  check(EVP_PKEY_get_raw_public_key(key, out.data(), &n), "public key");
  out.resize(n);
  return out;
}

// Pure EdDSA (RFC 8032 Ed25519 / Ed448, no prehash, no context).
Bytes eddsa_sign(EVP_PKEY* key, const Bytes& message) {
  MdCtx md = checked(MdCtx(EVP_MD_CTX_new()), "MD context");
  check(EVP_DigestSignInit_ex(md.get(), nullptr, nullptr, nullptr, nullptr, key, nullptr),
        "EdDSA init");
  size_t n = 0;
  check(EVP_DigestSign(md.get(), nullptr, &n, message.data(), message.size()), "EdDSA length");
  Bytes sig(n);
  check(EVP_DigestSign(md.get(), sig.data(), &n, message.data(), message.size()), "EdDSA sign");
  sig.resize(n);
  return sig;
}

// ECDSA with SHA-512 and RFC 6979 nonces, re-encoded from the DER
// ECDSA-Sig-Value into fixed-width r || s.
Bytes p521_sign(EVP_PKEY* key, const Bytes& message) {
  unsigned int nonce_type = 1;  // RFC 6979 deterministic
  OSSL_PARAM params[] = {
      OSSL_PARAM_construct_uint(OSSL_SIGNATURE_PARAM_NONCE_TYPE, &nonce_type),
      OSSL_PARAM_construct_end()};
  MdCtx md = checked(MdCtx(EVP_MD_CTX_new()), "MD context");
  check(EVP_DigestSignInit_ex(md.get(), nullptr, "SHA512", nullptr, nullptr, key, params),
        "ECDSA init");
  size_t n = 0;
  check(EVP_DigestSign(md.get(), nullptr, &n, message.data(), message.size()), "ECDSA length");
  Bytes der(n);
  check(EVP_DigestSign(md.get(), der.data(), &n, message.data(), message.size()), "ECDSA sign");

  const unsigned char* p = der.data();
  EcdsaSig sig = checked(EcdsaSig(d2i_ECDSA_SIG(nullptr, &p, static_cast<long>(n))), "ECDSA DER");
  const BIGNUM* r = nullptr;
  const BIGNUM* s = nullptr;
  ECDSA_SIG_get0(sig.get(), &r, &s);
  Bytes out(2 * kP521Bytes);
  if (BN_bn2binpad(r, out.data(), kP521Bytes) != static_cast<int>(kP521Bytes) ||
      BN_bn2binpad(s, out.data() + kP521Bytes, kP521Bytes) != static_cast<int>(kP521Bytes)) {
    fail("ECDSA r || s");
  }
  return out;
}

// FIPS 204 ML-DSA.Sign in pure mode with an empty context string: OpenSSL
// signs M' = 0x00 || 0x00 || message. "deterministic" selects rnd = 0^32.
Bytes mldsa_sign(EVP_PKEY* key, const char* alg, const Bytes& message) {
  Signature alg_impl = checked(Signature(EVP_SIGNATURE_fetch(nullptr, alg, nullptr)), alg);
  int deterministic = 1;
  int pure = 1;  // message-encoding 1: M' = 0 || len(ctx) || ctx || M
  uint8_t no_context = 0;
  OSSL_PARAM params[] = {
      OSSL_PARAM_construct_int(OSSL_SIGNATURE_PARAM_DETERMINISTIC, &deterministic),
      OSSL_PARAM_construct_int(OSSL_SIGNATURE_PARAM_MESSAGE_ENCODING, &pure),
      OSSL_PARAM_construct_octet_string(OSSL_SIGNATURE_PARAM_CONTEXT_STRING, &no_context, 0),
      OSSL_PARAM_construct_end()};
  PkeyCtx ctx = checked(PkeyCtx(EVP_PKEY_CTX_new_from_pkey(nullptr, key, nullptr)), "ML-DSA ctx");
  check(EVP_PKEY_sign_message_init(ctx.get(), alg_impl.get(), params), "ML-DSA init");
  size_t n = 0;
  check(EVP_PKEY_sign(ctx.get(), nullptr, &n, message.data(), message.size()), "ML-DSA length");
  Bytes sig(n);
  check(EVP_PKEY_sign(ctx.get(), sig.data(), &n, message.data(), message.size()), "ML-DSA sign");
  sig.resize(n);
  return sig;
}

void ensure_sodium() {
  static const int status = sodium_init();
  if (status < 0) throw std::runtime_error("libsodium failed to initialise");
}

}  // namespace

const std::array<SchemeType, 6>& all_scheme_types() {
  static const std::array<SchemeType, 6> types = {
      SchemeType::EdMlDsa44, SchemeType::EdMlDsa65,    SchemeType::EdMlDsa87,
      SchemeType::MlDsa87,   SchemeType::Ed448MlDsa65, SchemeType::P521MlDsa87};
  return types;
}

std::string_view scheme_name(SchemeType type) { return layout(type).name; }

Bytes frame_message(std::string_view ctx, const Bytes& m) {
  Bytes out;
  out.reserve(8 + ctx.size() + m.size());
  put_u64be(out, ctx.size());
  out.insert(out.end(), ctx.begin(), ctx.end());
  out.insert(out.end(), m.begin(), m.end());
  return out;
}

namespace {
constexpr char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int base64_value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}
}  // namespace

std::string base64(const Bytes& data) {
  std::string out;
  out.reserve((data.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 3 <= data.size(); i += 3) {
    const uint32_t v = uint32_t{data[i]} << 16 | uint32_t{data[i + 1]} << 8 | data[i + 2];
    out += kBase64[v >> 18];
    out += kBase64[(v >> 12) & 63];
    out += kBase64[(v >> 6) & 63];
    out += kBase64[v & 63];
  }
  if (const size_t rest = data.size() - i; rest > 0) {
    uint32_t v = uint32_t{data[i]} << 16;
    if (rest == 2) v |= uint32_t{data[i + 1]} << 8;
    out += kBase64[v >> 18];
    out += kBase64[(v >> 12) & 63];
    out += rest == 2 ? kBase64[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

std::optional<Bytes> base64_decode(std::string_view text) {
  if (text.size() % 4 != 0) return std::nullopt;
  Bytes out;
  out.reserve(text.size() / 4 * 3);
  for (size_t i = 0; i < text.size(); i += 4) {
    const bool last = i + 4 == text.size();
    size_t pad = 0;
    if (last && text[i + 3] == '=') pad = text[i + 2] == '=' ? 2 : 1;
    uint32_t v = 0;
    for (size_t j = 0; j < 4; ++j) {
      int d = 0;
      if (j < 4 - pad) {
        d = base64_value(text[i + j]);
        if (d < 0) return std::nullopt;
      }
      v = v << 6 | static_cast<uint32_t>(d);
    }
    out.push_back(static_cast<uint8_t>(v >> 16));
    if (pad < 2) out.push_back(static_cast<uint8_t>(v >> 8));
    if (pad < 1) out.push_back(static_cast<uint8_t>(v));
    // Canonical encodings only: the bits under the padding are zero.
    if ((pad == 1 && (v & 0xff) != 0) || (pad == 2 && (v & 0xffff) != 0)) return std::nullopt;
  }
  return out;
}

Bytes join_scheme_bytes(SchemeType type, const SchemeParts& parts) {
  Bytes out;
  out.reserve(1 + parts.classical.size() + parts.mldsa.size());
  out.push_back(static_cast<uint8_t>(type));
  out.insert(out.end(), parts.classical.begin(), parts.classical.end());
  out.insert(out.end(), parts.mldsa.begin(), parts.mldsa.end());
  return out;
}

void SchemeSigner::PkeyFree::operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }

SchemeSigner::SchemeSigner(SchemeType type, uint64_t seed) : type_(type) {
  const Layout& l = layout(type);
  switch (l.classical) {
    case Classical::None:
      break;
    case Classical::Ed25519:
      classical_.reset(
          raw_private_key(EVP_PKEY_ED25519, derive(seed, component_label(type, "Ed25519"), 32))
              .release());
      public_.classical = raw_public_key(classical_.get());
      break;
    case Classical::Ed448:
      classical_.reset(
          raw_private_key(EVP_PKEY_ED448, derive(seed, component_label(type, "Ed448"), 57))
              .release());
      public_.classical = raw_public_key(classical_.get());
      break;
    case Classical::P521:
      classical_.reset(
          p521_from_seed(derive(seed, component_label(type, "P-521"), 2 * kP521Bytes),
                         public_.classical)
              .release());
      break;
  }
  mldsa_.reset(mldsa_from_seed(l.mldsa, derive(seed, component_label(type, l.mldsa), 32)).release());
  public_.mldsa = raw_public_key(mldsa_.get());
}

SchemeSigner::SchemeSigner(const SchemeSigner& other)
    : type_(other.type_), public_(other.public_) {
  // EVP_PKEY is reference counted and only read when signing.
  if (other.classical_) {
    check(EVP_PKEY_up_ref(other.classical_.get()), "key reference");
    classical_.reset(other.classical_.get());
  }
  check(EVP_PKEY_up_ref(other.mldsa_.get()), "key reference");
  mldsa_.reset(other.mldsa_.get());
}

SchemeSigner& SchemeSigner::operator=(const SchemeSigner& other) {
  if (this != &other) *this = SchemeSigner(other);
  return *this;
}

Bytes SchemeSigner::public_key() const { return join_scheme_bytes(type_, public_); }

Bytes SchemeSigner::sign(std::string_view ctx, const Bytes& message) const {
  return join_scheme_bytes(type_, sign_components(ctx, message));
}

SchemeParts SchemeSigner::sign_components(std::string_view ctx, const Bytes& message) const {
  const Layout& l = layout(type_);
  const Bytes framed = frame_message(ctx, message);
  SchemeParts out;
  switch (l.classical) {
    case Classical::None:
      break;
    case Classical::Ed25519:
    case Classical::Ed448:
      out.classical = eddsa_sign(classical_.get(), framed);
      break;
    case Classical::P521:
      out.classical = p521_sign(classical_.get(), framed);
      break;
  }
  out.mldsa = mldsa_sign(mldsa_.get(), l.mldsa, framed);
  return out;
}

Ed25519Signer::Ed25519Signer(uint64_t seed)
    : Ed25519Signer(from_private_key(derive(seed, "silvantrope test signer/Ed25519", 32))) {}

Ed25519Signer Ed25519Signer::from_private_key(const Bytes& private_key) {
  if (private_key.size() != crypto_sign_SEEDBYTES) {
    throw std::invalid_argument("Ed25519 private key must be 32 bytes");
  }
  ensure_sodium();
  Ed25519Signer signer;
  uint8_t pk[crypto_sign_PUBLICKEYBYTES];
  if (crypto_sign_seed_keypair(pk, signer.secret_.data(), private_key.data()) != 0) {
    throw std::runtime_error("Ed25519 key generation failed");
  }
  return signer;
}

Bytes Ed25519Signer::public_key() const {
  // libsodium's secret key is private key || public key.
  return Bytes(secret_.begin() + crypto_sign_SEEDBYTES, secret_.end());
}

Bytes Ed25519Signer::sign(const Bytes& message) const {
  Bytes sig(crypto_sign_BYTES);
  if (crypto_sign_detached(sig.data(), nullptr, message.data(), message.size(),
                           secret_.data()) != 0) {
    throw std::runtime_error("Ed25519 signing failed");
  }
  return sig;
}

}  // namespace test_support
