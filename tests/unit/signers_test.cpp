// Checks the fixture signers against the primitives themselves: every
// component signature is verified by plain OpenSSL (and Ed25519 also by
// libsodium) from nothing but the public bytes, split by the layout table
// below rather than by anything the signers report about themselves.

#include <gtest/gtest.h>

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>
#include <sodium.h>

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "notes.h"
#include "signers.h"

namespace test_support {
namespace {

enum class Classical { None, Ed25519, Ed448, P521 };

struct Layout {
  SchemeType type;
  uint8_t type_byte;
  Classical classical;
  size_t classical_pub;
  size_t classical_sig;
  const char* mldsa;
  size_t mldsa_pub;
  size_t mldsa_sig;
  size_t total_pub;
  size_t total_sig;
};

const Layout kLayouts[] = {
    {SchemeType::EdMlDsa44, 0x01, Classical::Ed25519, 32, 64, "ML-DSA-44", 1312, 2420, 1345, 2485},
    {SchemeType::EdMlDsa65, 0x02, Classical::Ed25519, 32, 64, "ML-DSA-65", 1952, 3309, 1985, 3374},
    {SchemeType::EdMlDsa87, 0x03, Classical::Ed25519, 32, 64, "ML-DSA-87", 2592, 4627, 2625, 4692},
    {SchemeType::MlDsa87, 0x10, Classical::None, 0, 0, "ML-DSA-87", 2592, 4627, 2593, 4628},
    {SchemeType::Ed448MlDsa65, 0x13, Classical::Ed448, 57, 114, "ML-DSA-65", 1952, 3309, 2010, 3424},
    {SchemeType::P521MlDsa87, 0x14, Classical::P521, 133, 132, "ML-DSA-87", 2592, 4627, 2726, 4760},
};

// Names the scheme in gtest output instead of dumping the struct's bytes.
void PrintTo(const Layout& l, std::ostream* os) { *os << scheme_name(l.type); }

Bytes bytes(std::string_view s) { return Bytes(s.begin(), s.end()); }

Bytes concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Bytes from_hex(std::string_view hex) {
  Bytes out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    out.push_back(static_cast<uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
  }
  return out;
}

Bytes sha256_of(const Bytes& data) {
  Bytes out(32);
  EXPECT_EQ(EVP_Digest(data.data(), data.size(), out.data(), nullptr, EVP_sha256(), nullptr), 1);
  return out;
}

struct PkeyFree {
  void operator()(EVP_PKEY* p) const { EVP_PKEY_free(p); }
};
struct PkeyCtxFree {
  void operator()(EVP_PKEY_CTX* p) const { EVP_PKEY_CTX_free(p); }
};
struct MdCtxFree {
  void operator()(EVP_MD_CTX* p) const { EVP_MD_CTX_free(p); }
};
struct SignatureFree {
  void operator()(EVP_SIGNATURE* p) const { EVP_SIGNATURE_free(p); }
};
struct EcdsaSigFree {
  void operator()(ECDSA_SIG* p) const { ECDSA_SIG_free(p); }
};
struct ParamBldFree {
  void operator()(OSSL_PARAM_BLD* p) const { OSSL_PARAM_BLD_free(p); }
};
struct ParamsFree {
  void operator()(OSSL_PARAM* p) const { OSSL_PARAM_free(p); }
};
using Pkey = std::unique_ptr<EVP_PKEY, PkeyFree>;
using PkeyCtx = std::unique_ptr<EVP_PKEY_CTX, PkeyCtxFree>;
using MdCtx = std::unique_ptr<EVP_MD_CTX, MdCtxFree>;

// Pure EdDSA verification (Ed25519 or Ed448) from a raw public key.
bool verify_eddsa(int type, const Bytes& pub, const Bytes& msg, const Bytes& sig) {
  Pkey key(EVP_PKEY_new_raw_public_key(type, nullptr, pub.data(), pub.size()));
  if (!key) return false;
  MdCtx md(EVP_MD_CTX_new());
  if (EVP_DigestVerifyInit_ex(md.get(), nullptr, nullptr, nullptr, nullptr, key.get(), nullptr) != 1) {
    return false;
  }
  return EVP_DigestVerify(md.get(), sig.data(), sig.size(), msg.data(), msg.size()) == 1;
}

Pkey p521_public_key(const Bytes& point) {
  std::unique_ptr<OSSL_PARAM_BLD, ParamBldFree> bld(OSSL_PARAM_BLD_new());
  OSSL_PARAM_BLD_push_utf8_string(bld.get(), OSSL_PKEY_PARAM_GROUP_NAME, "P-521", 0);
  OSSL_PARAM_BLD_push_octet_string(bld.get(), OSSL_PKEY_PARAM_PUB_KEY, point.data(), point.size());
  std::unique_ptr<OSSL_PARAM, ParamsFree> params(OSSL_PARAM_BLD_to_param(bld.get()));
  PkeyCtx ctx(EVP_PKEY_CTX_new_from_name(nullptr, "EC", nullptr));
  EVP_PKEY* key = nullptr;
  if (EVP_PKEY_fromdata_init(ctx.get()) != 1 ||
      EVP_PKEY_fromdata(ctx.get(), &key, EVP_PKEY_PUBLIC_KEY, params.get()) != 1) {
    return nullptr;
  }
  return Pkey(key);
}

// ECDSA P-521 / SHA-512, with r || s turned back into a DER ECDSA-Sig-Value.
bool verify_p521(const Bytes& point, const Bytes& msg, const Bytes& rs) {
  if (rs.size() != 132) return false;
  Pkey key = p521_public_key(point);
  if (!key) return false;
  std::unique_ptr<ECDSA_SIG, EcdsaSigFree> sig(ECDSA_SIG_new());
  BIGNUM* r = BN_bin2bn(rs.data(), 66, nullptr);
  BIGNUM* s = BN_bin2bn(rs.data() + 66, 66, nullptr);
  if (ECDSA_SIG_set0(sig.get(), r, s) != 1) {
    BN_free(r);
    BN_free(s);
    return false;
  }
  unsigned char* der = nullptr;
  const int der_len = i2d_ECDSA_SIG(sig.get(), &der);
  if (der_len <= 0) return false;
  const Bytes der_sig(der, der + der_len);
  OPENSSL_free(der);
  MdCtx md(EVP_MD_CTX_new());
  if (EVP_DigestVerifyInit_ex(md.get(), nullptr, "SHA512", nullptr, nullptr, key.get(), nullptr) != 1) {
    return false;
  }
  return EVP_DigestVerify(md.get(), der_sig.data(), der_sig.size(), msg.data(), msg.size()) == 1;
}

// FIPS 204 ML-DSA.Verify. With `encoding` 1 (pure) OpenSSL builds
// M' = 0 || len(ctx) || ctx || msg itself; with 0 it verifies msg as M'.
bool verify_mldsa(const char* alg, const Bytes& pub, const Bytes& msg, const Bytes& sig,
                  std::string_view context = "", int encoding = 1) {
  Pkey key(EVP_PKEY_new_raw_public_key_ex(nullptr, alg, nullptr, pub.data(), pub.size()));
  if (!key) return false;
  std::unique_ptr<EVP_SIGNATURE, SignatureFree> impl(EVP_SIGNATURE_fetch(nullptr, alg, nullptr));
  std::string ctx_copy(context);
  OSSL_PARAM params[] = {
      OSSL_PARAM_construct_octet_string(OSSL_SIGNATURE_PARAM_CONTEXT_STRING, ctx_copy.data(),
                                        ctx_copy.size()),
      OSSL_PARAM_construct_int(OSSL_SIGNATURE_PARAM_MESSAGE_ENCODING, &encoding),
      OSSL_PARAM_construct_end()};
  PkeyCtx ctx(EVP_PKEY_CTX_new_from_pkey(nullptr, key.get(), nullptr));
  if (EVP_PKEY_verify_message_init(ctx.get(), impl.get(), params) != 1) return false;
  return EVP_PKEY_verify(ctx.get(), sig.data(), sig.size(), msg.data(), msg.size()) == 1;
}

bool verify_ed25519_sodium(const Bytes& pub, const Bytes& msg, const Bytes& sig) {
  if (sodium_init() < 0 || pub.size() != 32 || sig.size() != 64) return false;
  return crypto_sign_verify_detached(sig.data(), msg.data(), msg.size(), pub.data()) == 0;
}

// Splits scheme bytes (type byte first) by the table's component widths.
SchemeParts split(const Bytes& scheme_bytes, size_t classical_len) {
  SchemeParts parts;
  parts.classical.assign(scheme_bytes.begin() + 1, scheme_bytes.begin() + 1 + classical_len);
  parts.mldsa.assign(scheme_bytes.begin() + 1 + classical_len, scheme_bytes.end());
  return parts;
}

// Verifies the classical component as its own primitive would.
bool verify_classical(Classical kind, const Bytes& pub, const Bytes& msg, const Bytes& sig) {
  switch (kind) {
    case Classical::None:
      return pub.empty() && sig.empty();
    case Classical::Ed25519:
      return verify_eddsa(EVP_PKEY_ED25519, pub, msg, sig) && verify_ed25519_sodium(pub, msg, sig);
    case Classical::Ed448:
      return verify_eddsa(EVP_PKEY_ED448, pub, msg, sig);
    case Classical::P521:
      return verify_p521(pub, msg, sig);
  }
  return false;
}

// Both components of a composite signature verify over frame(ctx, message).
bool verify_scheme(const Layout& l, const Bytes& pub, std::string_view ctx, const Bytes& message,
                   const Bytes& sig) {
  if (pub.size() != l.total_pub || sig.size() != l.total_sig) return false;
  if (pub[0] != l.type_byte || sig[0] != l.type_byte) return false;
  const SchemeParts p = split(pub, l.classical_pub);
  const SchemeParts s = split(sig, l.classical_sig);
  const Bytes framed = frame_message(ctx, message);
  return verify_classical(l.classical, p.classical, framed, s.classical) &&
         verify_mldsa(l.mldsa, p.mldsa, framed, s.mldsa);
}

std::string param_name(const testing::TestParamInfo<Layout>& info) {
  std::string name(scheme_name(info.param.type));
  for (char& c : name) {
    if (!isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
}

// ---------------------------------------------------------------------------

TEST(SignersBase64, MatchesRfc4648Vectors) {
  const std::vector<std::pair<std::string, std::string>> vectors = {
      {"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},        {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"}};
  for (const auto& [plain, encoded] : vectors) {
    EXPECT_EQ(base64(bytes(plain)), encoded) << plain;
    EXPECT_EQ(base64_decode(encoded), bytes(plain)) << encoded;
  }
  EXPECT_EQ(base64({0xfb, 0xff, 0xbf}), "+/+/");
  EXPECT_EQ(base64_decode("+/+/"), (Bytes{0xfb, 0xff, 0xbf}));
}

TEST(SignersBase64, DecodeRejectsNonCanonicalInput) {
  for (const char* bad : {"Zg=", "Zg", "Z===", "Zh==", "Zm9=", "Zg==Zg==", "Zm9v\n", "Zm-v",
                          "Zm_v", "=Zm9"}) {
    EXPECT_FALSE(base64_decode(bad).has_value()) << bad;
  }
}

TEST(SignersFrame, PrefixesTheContextLength) {
  EXPECT_EQ(frame_message("", {}), Bytes(8, 0));
  EXPECT_EQ(frame_message("ab", {'c', 'd'}), (Bytes{0, 0, 0, 0, 0, 0, 0, 2, 'a', 'b', 'c', 'd'}));
  const std::string long_ctx(0x1234, 'x');
  const Bytes framed = frame_message(long_ctx, {0xAA});
  ASSERT_EQ(framed.size(), 8 + long_ctx.size() + 1);
  EXPECT_EQ(Bytes(framed.begin(), framed.begin() + 8), (Bytes{0, 0, 0, 0, 0, 0, 0x12, 0x34}));
  EXPECT_EQ(framed.back(), 0xAA);
  // Moving a byte across the boundary changes the framing.
  EXPECT_NE(frame_message("abc", {'d'}), frame_message("ab", {'c', 'd'}));
}

class SignersScheme : public testing::TestWithParam<Layout> {};

TEST_P(SignersScheme, LengthsMatchTheLayout) {
  const Layout& l = GetParam();
  const SchemeSigner signer(l.type, 1);
  const Bytes pub = signer.public_key();
  ASSERT_EQ(pub.size(), l.total_pub);
  EXPECT_EQ(pub[0], l.type_byte);
  EXPECT_EQ(1 + l.classical_pub + l.mldsa_pub, l.total_pub);  // the table is self-consistent
  EXPECT_EQ(signer.public_components().classical.size(), l.classical_pub);
  EXPECT_EQ(signer.public_components().mldsa.size(), l.mldsa_pub);

  for (const Bytes& message : {Bytes{}, bytes("hello"), Bytes(10000, 0x5A)}) {
    const Bytes sig = signer.sign("example/ctx/v1", message);
    ASSERT_EQ(sig.size(), l.total_sig);
    EXPECT_EQ(sig[0], l.type_byte);
    EXPECT_EQ(1 + l.classical_sig + l.mldsa_sig, l.total_sig);
    const SchemeParts parts = signer.sign_components("example/ctx/v1", message);
    EXPECT_EQ(parts.classical.size(), l.classical_sig);
    EXPECT_EQ(parts.mldsa.size(), l.mldsa_sig);
    EXPECT_EQ(join_scheme_bytes(l.type, parts), sig);
  }
}

TEST_P(SignersScheme, EachComponentVerifiesOverTheFramedMessage) {
  const Layout& l = GetParam();
  const SchemeSigner signer(l.type, 2);
  const Bytes pub = signer.public_key();
  const std::string ctx = "silvantrope.dev/test/v1";
  const Bytes message = bytes("the quick brown fox");
  const Bytes sig = signer.sign(ctx, message);
  const SchemeParts p = split(pub, l.classical_pub);
  const SchemeParts s = split(sig, l.classical_sig);
  const Bytes framed = frame_message(ctx, message);

  EXPECT_TRUE(verify_classical(l.classical, p.classical, framed, s.classical));
  EXPECT_TRUE(verify_mldsa(l.mldsa, p.mldsa, framed, s.mldsa));
  // Pure ML-DSA with an empty context: the signed M' is 0x00 || 0x00 || frame.
  EXPECT_TRUE(verify_mldsa(l.mldsa, p.mldsa, concat({{0x00, 0x00}, framed}), s.mldsa, "", 0));
  EXPECT_FALSE(verify_mldsa(l.mldsa, p.mldsa, framed, s.mldsa, "", 0));
  EXPECT_FALSE(verify_mldsa(l.mldsa, p.mldsa, framed, s.mldsa, "x"));

  // Neither component signs the bare message or a differently framed one.
  if (l.classical != Classical::None) {
    EXPECT_FALSE(verify_classical(l.classical, p.classical, message, s.classical));
    EXPECT_FALSE(verify_classical(l.classical, p.classical, frame_message("other", message),
                                  s.classical));
  }
  EXPECT_FALSE(verify_mldsa(l.mldsa, p.mldsa, message, s.mldsa));
  EXPECT_FALSE(verify_mldsa(l.mldsa, p.mldsa, frame_message(ctx + "x", message), s.mldsa));

  EXPECT_TRUE(verify_scheme(l, pub, ctx, message, sig));
  // A flipped bit in either component is caught.
  for (size_t at : {size_t{1}, 1 + l.classical_sig, sig.size() - 1}) {
    Bytes bad = sig;
    bad[at] ^= 0x01;
    EXPECT_FALSE(verify_scheme(l, pub, ctx, message, bad)) << "byte " << at;
  }
}

TEST_P(SignersScheme, SameSeedGivesSameKeysAndSignatures) {
  const Layout& l = GetParam();
  const SchemeSigner a(l.type, 7);
  const SchemeSigner b(l.type, 7);
  const SchemeSigner copy = a;
  const Bytes message = bytes("fixture");
  EXPECT_EQ(a.public_key(), b.public_key());
  EXPECT_EQ(a.public_key(), copy.public_key());
  const Bytes sig = a.sign("ctx", message);
  EXPECT_EQ(sig, a.sign("ctx", message));
  EXPECT_EQ(sig, b.sign("ctx", message));
  EXPECT_EQ(sig, copy.sign("ctx", message));
  EXPECT_NE(sig, a.sign("ctx", bytes("fixturf")));
}

TEST_P(SignersScheme, DifferentSeedsGiveDifferentKeys) {
  const Layout& l = GetParam();
  const SchemeSigner a(l.type, 7);
  const SchemeSigner b(l.type, 8);
  const SchemeParts pa = split(a.public_key(), l.classical_pub);
  const SchemeParts pb = split(b.public_key(), l.classical_pub);
  if (l.classical != Classical::None) {
    EXPECT_NE(pa.classical, pb.classical);
  }
  EXPECT_NE(pa.mldsa, pb.mldsa);
  // And the keys are not interchangeable.
  const Bytes sig = a.sign("ctx", bytes("m"));
  EXPECT_TRUE(verify_scheme(l, a.public_key(), "ctx", bytes("m"), sig));
  EXPECT_FALSE(verify_scheme(l, b.public_key(), "ctx", bytes("m"), sig));
}

TEST_P(SignersScheme, SwappingOneComponentBreaksOnlyThatComponent) {
  const Layout& l = GetParam();
  const SchemeSigner a(l.type, 11);
  const SchemeSigner b(l.type, 12);
  const Bytes framed = frame_message("ctx", bytes("m"));
  const SchemeParts sa = a.sign_components("ctx", bytes("m"));
  const SchemeParts sb = b.sign_components("ctx", bytes("m"));
  const SchemeParts pa = a.public_components();
  // a's classical signature with b's ML-DSA signature.
  const SchemeParts mixed{sa.classical, sb.mldsa};
  if (l.classical != Classical::None) {
    EXPECT_TRUE(verify_classical(l.classical, pa.classical, framed, mixed.classical));
  }
  EXPECT_FALSE(verify_mldsa(l.mldsa, pa.mldsa, framed, mixed.mldsa));
  EXPECT_FALSE(verify_scheme(l, a.public_key(), "ctx", bytes("m"), join_scheme_bytes(l.type, mixed)));
}

INSTANTIATE_TEST_SUITE_P(Signers, SignersScheme, testing::ValuesIn(kLayouts), param_name);

TEST(SignersSchemes, SchemesWithTheSameSeedShareNoKeys) {
  std::vector<Bytes> ed25519;
  std::vector<Bytes> mldsa87;
  for (const Layout& l : kLayouts) {
    const SchemeParts p = split(SchemeSigner(l.type, 5).public_key(), l.classical_pub);
    if (l.classical == Classical::Ed25519) ed25519.push_back(p.classical);
    if (l.mldsa_pub == 2592) mldsa87.push_back(p.mldsa);
  }
  ASSERT_EQ(ed25519.size(), 3u);
  ASSERT_EQ(mldsa87.size(), 3u);
  for (const auto* keys : {&ed25519, &mldsa87}) {
    for (size_t i = 0; i < keys->size(); ++i) {
      for (size_t j = i + 1; j < keys->size(); ++j) EXPECT_NE((*keys)[i], (*keys)[j]);
    }
  }
}

TEST(SignersSchemes, P521PointIsUncompressedAndOnTheCurve) {
  const Layout& l = kLayouts[5];
  ASSERT_EQ(l.classical, Classical::P521);
  const Bytes point = split(SchemeSigner(l.type, 3).public_key(), l.classical_pub).classical;
  ASSERT_EQ(point.size(), 133u);
  EXPECT_EQ(point[0], 0x04);
  Pkey key = p521_public_key(point);
  ASSERT_TRUE(key);
  PkeyCtx ctx(EVP_PKEY_CTX_new_from_pkey(nullptr, key.get(), nullptr));
  EXPECT_EQ(EVP_PKEY_public_check(ctx.get()), 1);
  Bytes off_curve = point;
  off_curve.back() ^= 0x01;
  EXPECT_FALSE(p521_public_key(off_curve));
}

TEST(SignersSchemes, RejectsUnknownTypes) {
  EXPECT_THROW(SchemeSigner(static_cast<SchemeType>(0x04), 1), std::invalid_argument);
  EXPECT_THROW(SchemeSigner(static_cast<SchemeType>(0x00), 1), std::invalid_argument);
}

// ---------------------------------------------------------------------------

TEST(SignersEd25519, MatchesRfc8032TestVectors) {
  struct Vector {
    const char* secret;
    const char* pub;
    const char* message;
    const char* signature;
  };
  // RFC 8032 §7.1, TEST 1 and TEST 2.
  const Vector vectors[] = {
      {"9d61b19deffd5a60ba844af492ec2cc44449c5697b326919703bac031cae7f60",
       "d75a980182b10ab7d54bfed3c964073a0ee172f3daa62325af021a68f707511a", "",
       "e5564300c360ac729086e2cc806e828a84877f1eb8e5d974d873e065224901555fb8821590a33bacc61e39701cf9b46bd25bf5f0595bbe24655141438e7a100b"},
      {"4ccd089b28ff96da9db6c346ec114e0f5b8a319f35aba624da8cf6ed4fb8a6fb",
       "3d4017c3e843895a92b70aa74d1b7ebc9c982ccf2ec4968cc0cd55f12af4660c", "72",
       "92a009a9f0d4cab8720e820b5f642540a2b27b5416503f8fb3762223ebdb69da085ac1e43e15996e458f3613d0f11d8c387b2eaeb4302aeeb00d291612bb0c00"},
  };
  for (const Vector& v : vectors) {
    const Ed25519Signer signer = Ed25519Signer::from_private_key(from_hex(v.secret));
    EXPECT_EQ(signer.public_key(), from_hex(v.pub));
    EXPECT_EQ(signer.sign(from_hex(v.message)), from_hex(v.signature));
  }
  EXPECT_THROW(Ed25519Signer::from_private_key(Bytes(31, 0)), std::invalid_argument);
}

TEST(SignersEd25519, SignsTheMessageItself) {
  const Ed25519Signer signer(3);
  const Bytes message = bytes("a note body\n");
  const Bytes sig = signer.sign(message);
  ASSERT_EQ(signer.public_key().size(), 32u);
  ASSERT_EQ(sig.size(), 64u);
  EXPECT_TRUE(verify_eddsa(EVP_PKEY_ED25519, signer.public_key(), message, sig));
  EXPECT_FALSE(verify_eddsa(EVP_PKEY_ED25519, signer.public_key(), frame_message("", message), sig));
  EXPECT_FALSE(verify_eddsa(EVP_PKEY_ED25519, signer.public_key(), bytes("a note body\r\n"), sig));
}

TEST(SignersEd25519, SeedsAreDeterministicAndDistinct) {
  EXPECT_EQ(Ed25519Signer(9).public_key(), Ed25519Signer(9).public_key());
  EXPECT_EQ(Ed25519Signer(9).sign(bytes("m")), Ed25519Signer(9).sign(bytes("m")));
  EXPECT_NE(Ed25519Signer(9).public_key(), Ed25519Signer(10).public_key());
  // Not the same key as the Ed25519 half of a composite with the same seed.
  const Bytes composite_ed = split(SchemeSigner(SchemeType::EdMlDsa65, 9).public_key(), 32).classical;
  EXPECT_NE(Ed25519Signer(9).public_key(), composite_ed);
}

// ---------------------------------------------------------------------------

struct ParsedVerifierKey {
  std::string name;
  std::string hex_id;
  Bytes key_data;
};

std::optional<ParsedVerifierKey> parse_verifier_key(const std::string& vkey) {
  const size_t a = vkey.find('+');
  if (a == std::string::npos) return std::nullopt;
  const size_t b = vkey.find('+', a + 1);
  if (b == std::string::npos) return std::nullopt;
  auto data = base64_decode(std::string_view(vkey).substr(b + 1));
  if (!data) return std::nullopt;
  return ParsedVerifierKey{vkey.substr(0, a), vkey.substr(a + 1, b - a - 1), *data};
}

std::string hex4(const Bytes& digest) {
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  for (size_t i = 0; i < 4; ++i) {
    out += kHex[digest[i] >> 4];
    out += kHex[digest[i] & 15];
  }
  return out;
}

uint32_t be32(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

TEST(SignersNotes, VerifierKeysCarryTheirKeyIds) {
  const Bytes composite_prefix = concat({{0xFF}, bytes("silvantrope.dev/composite-mldsa-ed25519/v1")});
  std::vector<std::pair<NoteKey, Bytes>> keys;  // key, expected key data
  keys.emplace_back(NoteKey::ed25519("example.com/log", 1),
                    concat({{0x01}, Ed25519Signer(1).public_key()}));
  for (const Layout& l : kLayouts) {
    keys.emplace_back(NoteKey::composite("pq.example/log", l.type, 4),
                      concat({composite_prefix, SchemeSigner(l.type, 4).public_key()}));
  }
  for (const auto& [key, expected_data] : keys) {
    const std::string vkey = key.verifier_key();
    const auto parsed = parse_verifier_key(vkey);
    ASSERT_TRUE(parsed) << vkey.substr(0, 80);
    EXPECT_EQ(parsed->name, key.name);
    EXPECT_EQ(parsed->key_data, expected_data);
    EXPECT_EQ(key.key_data(), expected_data);
    const Bytes digest = sha256_of(concat({bytes(key.name), {0x0A}, expected_data}));
    EXPECT_EQ(parsed->hex_id, hex4(digest));
    EXPECT_EQ(key.key_id(), be32(digest.data()));
  }
}

TEST(SignersNotes, KeyIdFollowsTheName) {
  NoteKey key = NoteKey::ed25519("a.example/log", 2);
  const uint32_t before = key.key_id();
  key.name = "b.example/log";
  EXPECT_NE(key.key_id(), before);
  EXPECT_EQ(key.key_id(), be32(sha256_of(concat({bytes("b.example/log"), {0x0A}, key.key_data()})).data()));
  EXPECT_EQ(key.verifier_key().rfind("b.example/log+", 0), 0u);
}

TEST(SignersNotes, SignedNoteLinesVerify) {
  const std::string text = checkpoint_body("example.com/log", 42, sha256_of(bytes("root")));
  const NoteKey plain = NoteKey::ed25519("example.com/log", 1);
  const NoteKey pq = NoteKey::composite("example.com/log-pq", SchemeType::P521MlDsa87, 1);
  const NoteKey pq2 = NoteKey::composite("witness.example", SchemeType::EdMlDsa44, 1);
  const std::string note = sign_note(text, {&plain, &pq, &pq2});

  ASSERT_EQ(note.compare(0, text.size() + 1, text + "\n"), 0);
  std::vector<std::string> lines;
  for (size_t at = text.size() + 1; at < note.size();) {
    const size_t nl = note.find('\n', at);
    ASSERT_NE(nl, std::string::npos) << "unterminated signature line";
    lines.push_back(note.substr(at, nl - at));
    at = nl + 1;
  }
  ASSERT_EQ(lines.size(), 3u);

  const Layout* p521 = &kLayouts[5];
  const Layout* ed44 = &kLayouts[0];
  const std::vector<std::pair<const NoteKey*, const Layout*>> expected = {
      {&plain, nullptr}, {&pq, p521}, {&pq2, ed44}};
  const std::string dash = "\xE2\x80\x94 ";
  for (size_t i = 0; i < lines.size(); ++i) {
    const auto& [key, layout] = expected[i];
    const std::string& line = lines[i];
    ASSERT_EQ(line.compare(0, dash.size(), dash), 0) << line.substr(0, 40);
    const size_t space = line.find(' ', dash.size());
    ASSERT_NE(space, std::string::npos);
    EXPECT_EQ(line.substr(dash.size(), space - dash.size()), key->name);
    const auto blob = base64_decode(line.substr(space + 1));
    ASSERT_TRUE(blob);
    ASSERT_GT(blob->size(), 4u);
    EXPECT_EQ(be32(blob->data()), key->key_id());
    const Bytes sig(blob->begin() + 4, blob->end());
    const auto vkey = parse_verifier_key(key->verifier_key());
    ASSERT_TRUE(vkey);
    if (layout == nullptr) {
      ASSERT_EQ(vkey->key_data.size(), 33u);
      const Bytes pub(vkey->key_data.begin() + 1, vkey->key_data.end());
      EXPECT_TRUE(verify_eddsa(EVP_PKEY_ED25519, pub, bytes(text), sig));
    } else {
      const size_t prefix = 1 + std::string("silvantrope.dev/composite-mldsa-ed25519/v1").size();
      const Bytes pub(vkey->key_data.begin() + prefix, vkey->key_data.end());
      EXPECT_TRUE(verify_scheme(*layout, pub, "silvantrope.dev/signed-note/v1", bytes(text), sig));
      EXPECT_FALSE(verify_scheme(*layout, pub, "", bytes(text), sig));
    }
  }
  // Rebuilding gives the same bytes.
  EXPECT_EQ(sign_note(text, {&plain, &pq, &pq2}), note);
}

TEST(SignersNotes, SignatureLineLayout) {
  // Key id 0x01020304 and a two-byte signature: base64(01 02 03 04 AA BB) = "AQIDBKq7".
  EXPECT_EQ(signature_line("origin", 0x01020304, {0xAA, 0xBB}), "\xE2\x80\x94 origin AQIDBKq7\n");
}

TEST(SignersNotes, TextMustEndInNewline) {
  const NoteKey key = NoteKey::ed25519("k", 1);
  EXPECT_THROW(sign_note("no newline", {&key}), std::invalid_argument);
  EXPECT_THROW(sign_note("", {&key}), std::invalid_argument);
  EXPECT_EQ(sign_note("x\n", {}), "x\n\n");
}

TEST(SignersNotes, CheckpointBody) {
  EXPECT_EQ(checkpoint_body("example.com/log", 0, Bytes(32, 0)),
            "example.com/log\n0\nAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA=\n");
  EXPECT_EQ(checkpoint_body("o", 18446744073709551615u, Bytes(32, 0xFF), {"ext one", "ext two"}),
            "o\n18446744073709551615\n//////////////////////////////////////////8=\next one\next two\n");
}

}  // namespace
}  // namespace test_support
