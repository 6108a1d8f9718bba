// SPDX-License-Identifier: Apache-2.0
#include "silvantrope-crypto/sign.h"

#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/err.h>
#include <openssl/obj_mac.h>
#include <openssl/params.h>

#include <algorithm>
#include <array>

#include "core/fault.h"
#include "silvantrope-crypto/ossl.h"
#include "silvantrope-crypto/token.h"

namespace silvantrope::crypto {
namespace {

using ossl::SignatureAlgorithm;

constexpr std::array<SchemeRow, 6> kSchemes = {{
    {0x01, CheckpointSuite::Hybrid, 0, Classical::Ed25519, 32, 64, 1312, 2420},
    {0x02, CheckpointSuite::Hybrid, 1, Classical::Ed25519, 32, 64, 1952, 3309},
    {0x03, CheckpointSuite::Hybrid, 2, Classical::Ed25519, 32, 64, 2592, 4627},
    {0x10, CheckpointSuite::PureCnsa2, 2, Classical::None, 0, 0, 2592, 4627},
    {0x13, CheckpointSuite::HybridMatched, 1, Classical::Ed448, 57, 114, 1952, 3309},
    {0x14, CheckpointSuite::HybridMatched, 2, Classical::EcdsaP521, 133, 132, 2592, 4627},
}};

bool is_cnsa(uint8_t type) { return type == 0x10 || type == 0x13 || type == 0x14; }
bool is_composite(uint8_t type) { return type >= 0x01 && type <= 0x03; }

constexpr const char* kMlDsaNames[] = {"ML-DSA-44", "ML-DSA-65", "ML-DSA-87"};
constexpr SignatureAlgorithm kMlDsaAlgorithms[] = {
    SignatureAlgorithm::MlDsa44, SignatureAlgorithm::MlDsa65, SignatureAlgorithm::MlDsa87};

constexpr size_t kP521Coordinate = 66;

// A P-521 public key from its uncompressed SEC1 encoding; empty when the
// bytes are not a point on the curve.
ossl::Pkey p521_public_key(ByteView point) {
  if (point.size() != 1 + 2 * kP521Coordinate || point[0] != 0x04) return nullptr;
  char group[] = "P-521";
  OSSL_PARAM params[] = {
      OSSL_PARAM_construct_utf8_string(OSSL_PKEY_PARAM_GROUP_NAME, group, 0),
      OSSL_PARAM_construct_octet_string(OSSL_PKEY_PARAM_PUB_KEY,
                                        const_cast<uint8_t*>(point.data()), point.size()),
      OSSL_PARAM_construct_end(),
  };
  ossl::PkeyCtx ctx(EVP_PKEY_CTX_new_from_name(nullptr, "EC", nullptr));
  if (!ctx) throw std::bad_alloc();
  EVP_PKEY* key = nullptr;
  if (EVP_PKEY_fromdata_init(ctx.get()) != 1 ||
      EVP_PKEY_fromdata(ctx.get(), &key, EVP_PKEY_PUBLIC_KEY, params) != 1) {
    ERR_clear_error();
    return nullptr;
  }
  return ossl::Pkey(key);
}

const BIGNUM* p521_order() {
  static const BIGNUM* const order = [] {
    EC_GROUP* g = EC_GROUP_new_by_curve_name(NID_secp521r1);
    if (g == nullptr) throw InternalFault("libcrypto has no P-521");
    BIGNUM* n = BN_dup(EC_GROUP_get0_order(g));
    EC_GROUP_free(g);
    if (n == nullptr) throw std::bad_alloc();
    return n;
  }();
  return order;
}

// r || s (66 bytes each) as a DER ECDSA-Sig-Value, when 1 <= r, s < n.
std::optional<Bytes> p521_der_signature(ByteView sig) {
  ossl::Bignum r(BN_bin2bn(sig.data(), kP521Coordinate, nullptr));
  ossl::Bignum s(BN_bin2bn(sig.data() + kP521Coordinate, kP521Coordinate, nullptr));
  if (!r || !s) throw std::bad_alloc();
  const BIGNUM* n = p521_order();
  for (const BIGNUM* v : {r.get(), s.get()}) {
    if (BN_is_zero(v) || BN_cmp(v, n) >= 0) return std::nullopt;
  }
  ECDSA_SIG* es = ECDSA_SIG_new();
  if (es == nullptr) throw std::bad_alloc();
  ECDSA_SIG_set0(es, r.release(), s.release());
  unsigned char* der = nullptr;
  const int len = i2d_ECDSA_SIG(es, &der);
  ECDSA_SIG_free(es);
  if (len <= 0) throw InternalFault("ECDSA signature encoding failed");
  Bytes out(der, der + len);
  OPENSSL_free(der);
  return out;
}

}  // namespace

const SchemeRow* scheme_row(uint8_t type) {
  for (const SchemeRow& row : kSchemes) {
    if (row.type == type) return &row;
  }
  return nullptr;
}

std::optional<SignatureClass> classify_signature_type(uint8_t type) {
  const SchemeRow* row = scheme_row(type);
  if (row == nullptr) return std::nullopt;
  return SignatureClass{row->suite, row->level};
}

Bytes frame_message(ByteView context, ByteView message) {
  Bytes out;
  out.reserve(8 + context.size() + message.size());
  const uint64_t n = context.size();
  for (int i = 7; i >= 0; --i) out.push_back(static_cast<uint8_t>(n >> (8 * i)));
  out.insert(out.end(), context.begin(), context.end());
  out.insert(out.end(), message.begin(), message.end());
  return out;
}

struct PreparedKey::Objects {
  std::optional<ossl::Pkey> classical;
  std::optional<ossl::Pkey> mldsa;
};

PreparedKey::PreparedKey(ByteView scheme_bytes)
    : bytes_(scheme_bytes), objects_(std::make_unique<Objects>()) {}
PreparedKey::~PreparedKey() = default;
PreparedKey::PreparedKey(PreparedKey&&) noexcept = default;

bool PreparedKey::verify_classical(const SchemeRow& row, ByteView sig, ByteView framed) {
  const ByteView key = bytes_.subspan(1, row.classical_key);
  if (!objects_->classical) {
    switch (row.classical) {
      case Classical::Ed25519: objects_->classical = ossl::raw_public_key("ED25519", key); break;
      case Classical::Ed448: objects_->classical = ossl::raw_public_key("ED448", key); break;
      case Classical::EcdsaP521: objects_->classical = p521_public_key(key); break;
      case Classical::None: return true;
    }
  }
  EVP_PKEY* pkey = objects_->classical->get();
  switch (row.classical) {
    case Classical::Ed25519:
      return ossl::verify_message(pkey, SignatureAlgorithm::Ed25519, sig, framed);
    case Classical::Ed448:
      return ossl::verify_message(pkey, SignatureAlgorithm::Ed448, sig, framed);
    case Classical::EcdsaP521: {
      if (pkey == nullptr) return false;
      auto der = p521_der_signature(sig);
      return der && ossl::verify_message(pkey, SignatureAlgorithm::EcdsaSha512, *der, framed);
    }
    case Classical::None: return true;
  }
  return false;
}

bool PreparedKey::verify_mldsa(const SchemeRow& row, ByteView sig, ByteView framed) {
  if (!objects_->mldsa) {
    objects_->mldsa = ossl::raw_public_key(kMlDsaNames[row.level], bytes_.subspan(1 + row.classical_key));
  }
  return ossl::verify_message(objects_->mldsa->get(), kMlDsaAlgorithms[row.level], sig, framed);
}

namespace {

bool verify_row(const SchemeRow& row, ByteView message, ByteView context, ByteView signature,
                PreparedKey& key) {
  if (key.bytes().size() != row.public_key_length() || signature.size() != row.signature_length()) {
    return false;
  }
  const Bytes framed = frame_message(context, message);
  const ByteView classical_sig = signature.subspan(1, row.classical_sig);
  const ByteView mldsa_sig = signature.subspan(1 + row.classical_sig);
  return key.verify_classical(row, classical_sig, framed) &&
         key.verify_mldsa(row, mldsa_sig, framed);
}

const CryptoError kMissingTag = CryptoError::missing_version_tag();

}  // namespace

Expected<bool, CryptoError> verify_signature_bytes(ByteView message, ByteView context,
                                                   ByteView signature, PreparedKey& key) {
  const ByteView k = key.bytes();
  if (!signature.empty() && is_cnsa(signature[0])) {
    if (k.empty() || k[0] != signature[0]) return false;
    return verify_row(*scheme_row(signature[0]), message, context, signature, key);
  }
  if (!k.empty() && is_cnsa(k[0])) return false;
  if (signature.empty() || !is_composite(signature[0])) return unexpected(kMissingTag);
  if (k.empty() || !is_composite(k[0])) return unexpected(kMissingTag);
  if (signature[0] != k[0]) return false;  // the levels differ
  return verify_row(*scheme_row(signature[0]), message, context, signature, key);
}

Expected<bool, CryptoError> verify_signature(ByteView message, ByteView context,
                                             std::string_view signature_token,
                                             std::string_view key_token) {
  auto signature = decode_token(signature_token);
  if (!signature) return unexpected(std::move(signature).error());
  auto key = decode_token(key_token);
  if (!key) return unexpected(std::move(key).error());
  PreparedKey prepared(*key);
  return verify_signature_bytes(message, context, *signature, prepared);
}

}  // namespace silvantrope::crypto
