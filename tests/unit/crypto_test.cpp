// SPDX-License-Identifier: Apache-2.0
// The six signature schemes and the Edwards25519 ECVRF against fixtures made
// by the test signers and prover, and the published RFC 9381 examples.

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <openssl/ec.h>
#include <openssl/obj_mac.h>

#include <fstream>
#include <map>
#include <random>

#include "encoding/base64.h"
#include "signers.h"
#include "silvantrope-crypto/digest.h"
#include "silvantrope-crypto/ed25519.h"
#include "silvantrope-crypto/mldsa44.h"
#include "silvantrope-crypto/p256_point.h"
#include "silvantrope-crypto/sha256_short.h"
#include "silvantrope-crypto/sign.h"
#include "silvantrope-crypto/vrf.h"
#include "vrf_p256_prover.h"
#include "vrf_prover.h"

namespace silvantrope::crypto {
namespace {

using test_support::SchemeSigner;
using test_support::SchemeType;
using test_support::P256VrfProver;
using test_support::VrfProver;

const std::string kContext = "example.org/test-context/v1";
const Bytes kMessage = {'c', 'h', 'e', 'c', 'k', 'p', 'o', 'i', 'n', 't', '\n'};

bool verifies(const Bytes& sig, const Bytes& key, const Bytes& message = kMessage, std::string_view ctx = kContext) {
  auto r = verify_signature(message, as_bytes(ctx), encoding::base64_encode(sig), encoding::base64_encode(key));
  EXPECT_TRUE(r) << r.error().message();
  return r && *r;
}

const SchemeSigner& signer(SchemeType type, uint64_t seed = 1) {
  static std::map<std::pair<SchemeType, uint64_t>, SchemeSigner> cache;
  auto it = cache.find({type, seed});
  if (it == cache.end()) it = cache.emplace(std::make_pair(type, seed), SchemeSigner(type, seed)).first;
  return it->second;
}

Bytes flipped(Bytes b, size_t at, uint8_t mask = 1) {
  b[at] ^= mask;
  return b;
}

TEST(Schemes, EachComponentDecides) {
  for (SchemeType type : test_support::all_scheme_types()) {
    SCOPED_TRACE(std::string(test_support::scheme_name(type)));
    const SchemeSigner& s = signer(type);
    const Bytes key = s.public_key(), sig = s.sign(kContext, kMessage);
    const SchemeRow& row = *scheme_row(static_cast<uint8_t>(type));
    ASSERT_EQ(key.size(), row.public_key_length());
    ASSERT_EQ(sig.size(), row.signature_length());
    EXPECT_TRUE(verifies(sig, key));
    EXPECT_FALSE(verifies(sig, key, kMessage, "example.org/test-context/v2"));
    EXPECT_FALSE(verifies(sig, key, flipped(kMessage, 10)));
    EXPECT_FALSE(verifies(sig, signer(type, 2).public_key()));
    const size_t classical_end = 1 + row.classical_sig;
    for (size_t at : {sig.size() - 1, classical_end, classical_end + 10}) EXPECT_FALSE(verifies(flipped(sig, at), key)) << at;
    if (row.classical_sig > 0) {
      EXPECT_FALSE(verifies(flipped(sig, 1), key));
      EXPECT_FALSE(verifies(flipped(sig, classical_end - 1), key));
      EXPECT_FALSE(verifies(sig, flipped(key, row.classical_key, 2)));
    }
    EXPECT_FALSE(verifies(sig, flipped(key, key.size() - 1)));
    Bytes longer = sig, shorter(sig.begin(), sig.end() - 1), longer_key = key, shorter_key(key.begin(), key.end() - 1);
    longer.push_back(0);
    longer_key.push_back(0);
    EXPECT_FALSE(verifies(longer, key));
    EXPECT_FALSE(verifies(shorter, key));
    EXPECT_FALSE(verifies(sig, longer_key));
    EXPECT_FALSE(verifies(sig, shorter_key));
    // Far too short for the components: refused before any is cut out.
    const Bytes sig_stub(sig.begin(), sig.begin() + 3), key_stub(key.begin(), key.begin() + 3);
    EXPECT_FALSE(verifies(sig_stub, key));
    EXPECT_FALSE(verifies(sig, key_stub));
  }
}

// ML-DSA-44 (witness cosignatures): a key or signature one byte off its size
// never verifies, even with the right bytes in it.
TEST(MlDsa44, SizesDecide) {
  const test_support::MlDsa44Signer signer(44);
  const Bytes key = signer.public_key(), sig = signer.sign(kMessage);
  EXPECT_TRUE(crypto::verify_mldsa44(key, sig, kMessage));
  Bytes long_sig = sig, long_key = key;
  long_sig.push_back(0), long_key.push_back(0);
  EXPECT_FALSE(crypto::verify_mldsa44(key, Bytes(sig.begin(), sig.end() - 1), kMessage));
  EXPECT_FALSE(crypto::verify_mldsa44(key, long_sig, kMessage));
  EXPECT_FALSE(crypto::verify_mldsa44(Bytes(key.begin(), key.end() - 1), sig, kMessage));
  EXPECT_FALSE(crypto::verify_mldsa44(long_key, sig, kMessage));
}

TEST(Schemes, Pairings) {
  const SchemeSigner& hybrid = signer(SchemeType::EdMlDsa65);
  const Bytes sig02 = hybrid.sign(kContext, kMessage), key02 = hybrid.public_key();
  const Bytes sig10 = signer(SchemeType::MlDsa87).sign(kContext, kMessage), key10 = signer(SchemeType::MlDsa87).public_key();
  EXPECT_FALSE(verifies(sig10, key02));
  EXPECT_FALSE(verifies(sig02, key10));
  EXPECT_FALSE(verifies(sig10, signer(SchemeType::P521MlDsa87).public_key()));
  EXPECT_FALSE(verifies(sig10, {}));
  EXPECT_FALSE(verifies(sig02, signer(SchemeType::EdMlDsa87).public_key()));
  Bytes sig07 = sig02;
  sig07[0] = 0x07;
  EXPECT_FALSE(verifies(sig07, key10));
  // Components of two signatures do not combine, and zeroed ones fail.
  auto parts = hybrid.sign_components(kContext, kMessage), other = hybrid.sign_components(kContext, {'x'});
  EXPECT_FALSE(verifies(test_support::join_scheme_bytes(SchemeType::EdMlDsa65, {parts.classical, other.mldsa}), key02));
  EXPECT_FALSE(verifies(test_support::join_scheme_bytes(SchemeType::EdMlDsa65, {Bytes(64, 0), parts.mldsa}), key02));
  EXPECT_FALSE(verifies(test_support::join_scheme_bytes(SchemeType::EdMlDsa65, {parts.classical, Bytes(3309, 0)}), key02));
}

Bytes unhex(const std::string& s) {
  Bytes out;
  for (size_t i = 0; i < s.size(); i += 2) out.push_back(static_cast<uint8_t>(std::stoi(s.substr(i, 2), nullptr, 16)));
  return out;
}

TEST(Vrf, Rfc9381Examples) {
  std::ifstream in(SILVANTROPE_VECTORS_DIR "/vrf_rfc9381.json");
  ASSERT_TRUE(in) << "missing RFC 9381 vectors";
  const auto doc = nlohmann::json::parse(in);
  int checked = 0;
  for (const auto& v : doc["vectors"]) {
    const bool p256 = v["suite"] == "ECVRF-P256-SHA256-TAI";
    const Bytes pk = unhex(v["pk"]), alpha = unhex(v["alpha"]), pi = unhex(v["pi"]), sk = unhex(v["sk"]);
    auto r = (p256 ? p256_vrf() : edwards25519_vrf()).verify(pk, alpha, pi);
    ASSERT_TRUE(r && r->valid);
    Bytes beta = unhex(v["beta"]);
    beta.resize(64);  // P-256's 32-byte hash, then zeros
    EXPECT_EQ(Bytes(r->beta.begin(), r->beta.end()), beta);
    EXPECT_EQ(p256 ? P256VrfProver(sk).public_key() : VrfProver(sk).public_key(), pk);
    EXPECT_EQ(p256 ? P256VrfProver(sk).prove(alpha) : VrfProver(sk).prove(alpha), pi);
    if (p256) {
      EXPECT_EQ(P256VrfProver::proof_to_hash(pi), unhex(v["beta"]));
    }
    ++checked;
  }
  EXPECT_EQ(checked, 6);
}

std::string p256_outcome(const Bytes& pk, const Bytes& alpha, const Bytes& proof) {
  auto r = p256_vrf().verify(pk, alpha, proof);
  return !r ? r.error().message() : r->valid ? "valid" : "invalid";
}

Bytes replaced(Bytes b, size_t at, const Bytes& with) {
  std::copy(with.begin(), with.end(), b.begin() + at);
  return b;
}

// The prover's proofs verify; a changed key, alpha, Gamma, c or s, a bad
// encoding, s = 0, s >= n or an identity U and V is invalid, not an error; only
// lengths are errors, the key's first.
TEST(Vrf, P256ProofsAndRejections) {
  const Bytes n = unhex("ffffffff00000000ffffffffffffffffbce6faada7179e84f3b9cac2fc632551");
  const Bytes p = unhex("ffffffff00000001000000000000000000000000ffffffffffffffffffffffff");
  const Bytes one = unhex(std::string(63, '0') + "1");
  for (uint64_t seed = 0; seed < 4; ++seed) {
    const P256VrfProver prover = seed == 0 ? P256VrfProver(one) : P256VrfProver::from_seed(seed);
    const Bytes alpha(seed * 5, static_cast<uint8_t>(seed)), pk = prover.public_key(), pi = prover.prove(alpha);
    const std::vector<std::tuple<Bytes, Bytes, Bytes, std::string>> cases = {
        {pk, alpha, pi, "valid"},
        {flipped(pk, 0), alpha, pi, "invalid"},  // -Y
        {flipped(pk, 5 + seed), alpha, pi, "invalid"},
        {pk, Bytes(alpha.size() + 1), pi, "invalid"},
        {pk, alpha, flipped(pi, 0), "invalid"},  // -Gamma
        {pk, alpha, flipped(pi, 9 + seed), "invalid"},
        {pk, alpha, flipped(pi, 33 + seed), "invalid"},
        {pk, alpha, flipped(pi, 80 - seed), "invalid"},
        {pk, alpha, replaced(pi, 49, n), "invalid"},
        {pk, alpha, replaced(pi, 49, Bytes(32, 0xff)), "invalid"},
        {pk, alpha, replaced(pi, 49, Bytes(32, 0)), "invalid"},  // s·G the identity
        {pk, alpha, replaced(pi, 1, one), "invalid"},  // x = 1 is on no point
        {pk, alpha, replaced(pi, 1, p), "invalid"},
        {replaced(pk, 0, {0x04}), alpha, pi, "invalid"},
        {replaced(pk, 0, {0x00}), alpha, pi, "invalid"},
        {replaced(pk, 1, p), alpha, pi, "invalid"},
        // s = c: under the key G (seed 0), U and V are the identity
        {pk, alpha, replaced(replaced(pi, 49, Bytes(16, 0)), 65, Bytes(pi.begin() + 33, pi.begin() + 49)),
         "invalid"},
        {Bytes(pk.begin(), pk.end() - 1), alpha, Bytes(80), "invalid length: expected 33 bytes, got 32"},
        {pk, alpha, Bytes(pi.begin(), pi.end() - 1), "invalid length: expected 81 bytes, got 80"},
        {pk, alpha, Bytes(82), "invalid length: expected 81 bytes, got 82"},
    };
    for (const auto& [key, a, proof, want] : cases) EXPECT_EQ(p256_outcome(key, a, proof), want) << seed;
  }
}

// One key bound for many verifications: each proof decides alone, an invalid
// proof leaves the decoded key intact, and a key that does not decode makes
// every proof invalid, while the lengths are still errors, the key's first.
TEST(Vrf, P256BoundKey) {
  const P256VrfProver prover = P256VrfProver::from_seed(7);
  const Bytes pk = prover.public_key(), bad_key = replaced(pk, 0, {0x05});
  const std::vector<Bytes> alphas = {{}, {1}, {1, 2, 3}};
  auto bound = p256_vrf().bind(pk);
  for (const Bytes& a : alphas) {
    const Bytes pi = prover.prove(a);
    EXPECT_EQ(bound->verify(a, flipped(pi, 40))->valid, false);
    auto r = bound->verify(a, pi);
    ASSERT_TRUE(r && r->valid);
    EXPECT_EQ(Bytes(r->beta.begin(), r->beta.begin() + 32), P256VrfProver::proof_to_hash(pi));
  }
  auto unbound = p256_vrf().bind(bad_key);
  for (const Bytes& a : alphas) EXPECT_EQ(unbound->verify(a, prover.prove(a))->valid, false);
  const Bytes short_key(pk.begin(), pk.end() - 1);
  EXPECT_EQ(p256_vrf().bind(short_key)->verify({}, Bytes(80)).error().message(),
            "invalid length: expected 33 bytes, got 32");
}

// P-256 against OpenSSL. Decompression: the same points accepted with the
// same coordinates, on hashed x of both parities and on the edges (x = 0,
// small x, p - 1, p, p + a valid x, 2^256 - 1, bad prefixes). a·P + b·Q,
// compressed: scalars 0, 1, 128-bit, n - 1, n, 2^256 - 1 and hashed ones,
// with Q another point, P or -P (a = b: the identity).
TEST(P256, AgreesWithOpenSsl) {
  const Bytes p = unhex("ffffffff00000001000000000000000000000000ffffffffffffffffffffffff");
  std::vector<Bytes> xs = {Bytes(32, 0), Bytes(32, 0xff), p}, valid;
  for (uint8_t v = 1; v < 12; ++v) xs.push_back(replaced(Bytes(32, 0), 31, {v}));
  xs.push_back(replaced(p, 31, {0xfe}));
  for (uint8_t i = 0; i < 200; ++i) {
    const Hash32 h = crypto::sha256(Bytes{i});
    xs.emplace_back(h.begin(), h.end());
  }
  EC_GROUP* group = EC_GROUP_new_by_curve_name(NID_X9_62_prime256v1);
  EC_POINT *want = EC_POINT_new(group), *q = EC_POINT_new(group);
  auto check = [&](uint8_t prefix, const Bytes& x) {
    Bytes enc(1, prefix), got(65, 0x04), want_xy(65);
    enc.insert(enc.end(), x.begin(), x.end());
    p256::Fe gx, gy;
    const bool fast = p256::decompress(enc.data(), gx, gy);
    p256::fe_to_bytes(got.data() + 1, gx);
    p256::fe_to_bytes(got.data() + 33, gy);
    const bool ossl = EC_POINT_oct2point(group, want, enc.data(), enc.size(), nullptr) == 1;
    EXPECT_EQ(fast, ossl) << encoding::base64_encode(enc);
    if (fast && ossl) {
      valid.push_back(enc);
      EC_POINT_point2oct(group, want, POINT_CONVERSION_UNCOMPRESSED, want_xy.data(), 65, nullptr);
      EXPECT_EQ(got, want_xy);
    }
    return fast;
  };
  for (const Bytes& x : xs) {
    for (uint8_t prefix : {0x02, 0x03}) {
      // A valid x below 2^256 - p also has the non-canonical encoding x + p.
      if (check(prefix, x) && x[0] == 0 && x[1] == 0 && x[2] == 0 && x[3] == 0) {
        Bytes plus_p = x;
        for (int i = 31, carry = 0; i >= 0; --i) {
          const int sum = plus_p[i] + p[i] + carry;
          plus_p[i] = static_cast<uint8_t>(sum);
          carry = sum >> 8;
        }
        EXPECT_FALSE(check(prefix, plus_p));
      }
    }
    for (uint8_t prefix : {0x00, 0x01, 0x04, 0x05}) EXPECT_FALSE(check(prefix, x));
  }
  ASSERT_GT(valid.size(), 150u);

  auto fast = [](const Bytes& enc) {
    p256::Fe x, y;
    EXPECT_TRUE(p256::decompress(enc.data(), x, y));
    return p256::from_affine(x, y);
  };
  std::vector<Bytes> ks = {Bytes(32, 0), replaced(Bytes(32, 0), 31, {1}), replaced(Bytes(32, 0xff), 0, Bytes(16)),
                           unhex("ffffffff00000000ffffffffffffffffbce6faada7179e84f3b9cac2fc632550"),
                           unhex("ffffffff00000000ffffffffffffffffbce6faada7179e84f3b9cac2fc632551"), Bytes(32, 0xff)};
  ks.insert(ks.end(), xs.end() - 6, xs.end());
  EC_POINT* const p_pt = EC_POINT_new(group);
  EC_POINT_oct2point(group, p_pt, valid[20].data(), 33, nullptr);
  BIGNUM *a_bn = BN_new(), *b_bn = BN_new();
  int identities = 0;
  for (const Bytes& q_enc : {valid[21], valid[20], flipped(valid[20], 0)}) {
    EC_POINT_oct2point(group, q, q_enc.data(), 33, nullptr);
    for (const Bytes& a : ks) {
      for (const Bytes& b : ks) {
        const EC_POINT* points[2] = {p_pt, q};
        const BIGNUM* scalars[2] = {BN_bin2bn(a.data(), 32, a_bn), BN_bin2bn(b.data(), 32, b_bn)};
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        ASSERT_EQ(EC_POINTs_mul(group, want, nullptr, 2, points, scalars, nullptr), 1);
#pragma GCC diagnostic pop
        Bytes want_enc(33), got(33), p_enc(33);
        const bool identity = EC_POINT_is_at_infinity(group, want) == 1;
        if (!identity) EC_POINT_point2oct(group, want, POINT_CONVERSION_COMPRESSED, want_enc.data(), 33, nullptr);
        const p256::Term terms[] = {{p256::scalar_from_bytes(a.data(), 32), fast(valid[20])},
                                    {p256::scalar_from_bytes(b.data(), 32), fast(q_enc)}};
        EXPECT_EQ(p256::compress_pair(p256::linear_combination(terms), fast(valid[20]), got.data(), p_enc.data()), !identity);
        EXPECT_EQ(got, want_enc);
        EXPECT_EQ(p_enc, identity ? Bytes(33) : valid[20]);
        identities += identity;
      }
    }
  }
  EXPECT_GT(identities, 12);
  for (EC_POINT* pt : {want, q, p_pt}) EC_POINT_free(pt);
  BN_free(a_bn);
  BN_free(b_bn);
  EC_GROUP_free(group);
}

// Digest contexts are reused per thread (SHA-256 needs none): one abandoned
// mid-message or still in use by an enclosing hash never leaks into another
// hash of the same algorithm.
TEST(Digest, ReusedContextsStartClean) {
  for (const DigestAlgorithm a : {DigestAlgorithm::Sha256, DigestAlgorithm::Sha512, DigestAlgorithm::Sha3_512}) {
    auto hash = [a](ByteView m) {
      Digest d(a);
      d.update(m);
      std::array<uint8_t, 64> out{};
      d.final(out.data());
      return out;
    };
    const auto empty = hash({});
    {
      Digest abandoned(a);
      abandoned.update(kMessage);
    }
    EXPECT_EQ(hash({}), empty) << static_cast<int>(a);
    Digest outer(a);
    outer.update(kMessage);
    EXPECT_EQ(hash({}), empty) << static_cast<int>(a);
    std::array<uint8_t, 64> got{};
    outer.final(got.data());
    EXPECT_EQ(got, hash(kMessage)) << static_cast<int>(a);
  }
}

// Every padding boundary of the two-block path (55/56 and 119/120 bytes),
// the fallback beyond it, the two-hash form (SSE2 and portable), and the
// same messages hashed in one run, short and long ones alternating; the
// one-shot sha256 (which takes the same path) against libcrypto's own
// padding, fed in two pieces.
TEST(Digest, PrefixedAgreesWithPlainSha256) {
  Bytes message;
  for (size_t i = 0; i < 200; ++i) message.push_back(static_cast<uint8_t>(i * 37 + 11));
  for (size_t n = 0; n < 200; ++n) {
    Digest streamed(DigestAlgorithm::Sha256);
    streamed.update(ByteView(message.data(), n / 2)).update(ByteView(message.data() + n / 2, n - n / 2));
    ASSERT_EQ(crypto::sha256(ByteView(message.data(), n)), streamed.final<32>()) << n << " bytes";
  }
  for (const uint8_t prefix : {0x00, 0x01}) {
    std::vector<ByteView> run;
    for (size_t n = 0; n < 200; ++n) run.push_back(ByteView(message).subspan(n % 2 ? 200 - n : n));
    Bytes each(32 * run.size());
    crypto::sha256_prefixed_each(prefix, run, each.data());
    for (size_t i = 0; i < run.size(); ++i) {
      Bytes whole{prefix};
      whole.insert(whole.end(), run[i].begin(), run[i].end());
      const Hash32 want = crypto::sha256(whole);
      ASSERT_EQ(Bytes(each.begin() + 32 * i, each.begin() + 32 * i + 32), Bytes(want.begin(), want.end())) << i;
    }
    for (size_t n = 0; n < 200; ++n) {
      Bytes whole{prefix};
      whole.insert(whole.end(), message.begin(), message.begin() + static_cast<std::ptrdiff_t>(n));
      Hash32 got{};
      crypto::sha256_prefixed(prefix, ByteView(message.data(), n), got.data());
      ASSERT_EQ(got, crypto::sha256(whole)) << "prefix " << int{prefix} << ", " << n << " bytes";
      if (n == 64) {  // the halves apart, so ASan sees a read past either
        const Bytes a(message.begin(), message.begin() + 32), b(message.begin() + 32, message.begin() + 64);
        crypto::sha256_prefixed(prefix, a.data(), b.data(), got.data());
        ASSERT_EQ(got, crypto::sha256(whole)) << "prefix " << int{prefix} << ", two hashes";
        crypto::sha256_prefixed_portable(prefix, a.data(), b.data(), got.data());
        ASSERT_EQ(got, crypto::sha256(whole)) << "prefix " << int{prefix} << ", two hashes, portable";
      }
    }
  }
}

// The proof with s + L in place of s.
Bytes s_plus_order(Bytes proof) {
  const uint8_t order[32] = {0xed, 0xd3, 0xf5, 0x5c, 0x1a, 0x63, 0x12, 0x58, 0xd6, 0x9c, 0xf7,
                             0xa2, 0xde, 0xf9, 0xde, 0x14, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x10};
  for (unsigned i = 0, carry = 0; i < 32; ++i) {
    const unsigned sum = proof[48 + i] + order[i] + carry;
    proof[48 + i] = static_cast<uint8_t>(sum);
    carry = sum >> 8;
  }
  return proof;
}

// Every proof the prover makes verifies, with the prover's beta, torsion in
// the key or Gamma included. One random byte flipped in the key, Gamma, c or
// s, s + L, the identity key (secret scalar 0), and small-order or
// non-canonical encodings as key or Gamma never verify.
TEST(Vrf, ExactlyTheProversProofsVerify) {
  std::mt19937 rng(9381);
  int cases = 0;
  auto expect = [&](bool valid, const Bytes& pk, const Bytes& alpha, const Bytes& proof) {
    auto got = edwards25519_vrf().verify(pk, alpha, proof);
    ASSERT_TRUE(got);
    ++cases;
    EXPECT_EQ(got->valid, valid) << encoding::base64_encode(pk) << " " << encoding::base64_encode(proof);
    if (valid && got->valid) {
      EXPECT_EQ(Bytes(got->beta.begin(), got->beta.end()), VrfProver::proof_to_hash(proof));
    }
  };
  std::vector<VrfProver> provers;
  for (uint64_t seed = 100; seed < 164; ++seed) provers.push_back(VrfProver::from_seed(seed));
  for (int order : {2, 4, 8}) {
    provers.push_back(provers[order].with_key_torsion(order));
    provers.push_back(provers[order].with_gamma_torsion(order));
  }
  for (const VrfProver& p : provers) {
    for (int k = 0; k < 2; ++k) {
      Bytes alpha(rng() % 48);
      for (uint8_t& b : alpha) b = static_cast<uint8_t>(rng());
      const Bytes pk = p.public_key(), proof = p.prove(alpha);
      expect(true, pk, alpha, proof);
      expect(false, flipped(pk, rng() % 32, static_cast<uint8_t>(1 + rng() % 255)), alpha, proof);
      for (size_t from : {0, 32, 48}) {  // Gamma, c, s
        expect(false, pk, alpha, flipped(proof, from + rng() % (from == 32 ? 16 : 32), static_cast<uint8_t>(1 + rng() % 255)));
      }
      expect(false, pk, alpha, s_plus_order(proof));
    }
  }
  Bytes noncanonical(32, 0xff), signed_identity(32, 0);  // y = p + 1; y = 1 with the sign bit
  noncanonical[0] = 0xee, noncanonical[31] = 0x7f, signed_identity[0] = 1, signed_identity[31] = 0x80;
  std::vector<Bytes> odd = {noncanonical, signed_identity};
  for (int order : {1, 2, 4, 8}) {
    const auto t = test_support::small_order_point(order);
    odd.emplace_back(t.begin(), t.end());
  }
  const VrfProver zero = provers[0].with_zero_key();
  expect(false, zero.public_key(), {'z'}, zero.prove({'z'}));
  const Bytes proof = provers[0].prove({'o'});
  for (const Bytes& e : odd) {
    expect(false, e, {'o'}, proof);
    Bytes with_gamma = proof;
    std::copy(e.begin(), e.end(), with_gamma.begin());
    expect(false, provers[0].public_key(), {'o'}, with_gamma);
  }
  EXPECT_EQ(cases, 70 * 2 * 6 + 1 + 12);
}

}  // namespace
}  // namespace silvantrope::crypto
