#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "silvantrope-crypto/edwards25519.h"
#include "silvantrope-crypto/vrf.h"
#include "vrf_prover.h"

namespace silvantrope::crypto {
namespace {

using test_support::VrfProver;

Bytes unhex(const std::string& s) {
  Bytes out;
  for (size_t i = 0; i < s.size(); i += 2) out.push_back(static_cast<uint8_t>(std::stoi(s.substr(i, 2), nullptr, 16)));
  return out;
}

// "valid:<beta hex prefix>", "invalid", or the error message.
std::string run(const Bytes& pk, const Bytes& alpha, const Bytes& proof) {
  auto r = edwards25519_vrf().verify(pk, alpha, proof);
  if (!r) return r.error().message();
  return r->valid ? "valid" : "invalid";
}

TEST(Vrf, Rfc9381Vectors) {
  std::ifstream in(SILVANTROPE_VECTORS_DIR "/vrf_rfc9381.json");
  ASSERT_TRUE(in) << "missing RFC 9381 vectors";
  const auto doc = nlohmann::json::parse(in);
  int checked = 0;
  for (const auto& v : doc["vectors"]) {
    if (v["suite"] != "ECVRF-EDWARDS25519-SHA512-TAI") continue;
    SCOPED_TRACE("example " + std::to_string(v["example"].get<int>()));
    const Bytes pk = unhex(v["pk"]), alpha = unhex(v["alpha"]), pi = unhex(v["pi"]);
    auto r = edwards25519_vrf().verify(pk, alpha, pi);
    ASSERT_TRUE(r);
    ASSERT_TRUE(r->valid);
    EXPECT_EQ(Bytes(r->beta.begin(), r->beta.end()), unhex(v["beta"]));
    // The test prover reproduces the published proof from the secret key.
    VrfProver prover(unhex(v["sk"]));
    EXPECT_EQ(prover.public_key(), pk);
    EXPECT_EQ(prover.prove(alpha), pi);
    ++checked;
  }
  EXPECT_EQ(checked, 3);
}

TEST(Vrf, LengthsAreErrors) {
  const VrfProver p = VrfProver::from_seed(1);
  const Bytes pk = p.public_key(), proof = p.prove({});
  Bytes pk31(pk.begin(), pk.end() - 1), pk33 = pk, proof79(proof.begin(), proof.end() - 1);
  pk33.push_back(0);
  EXPECT_EQ(run(pk31, {}, proof79), "invalid length: expected 32 bytes, got 31");
  EXPECT_EQ(run(pk33, {}, proof), "invalid length: expected 32 bytes, got 33");
  EXPECT_EQ(run(pk, {}, proof79), "invalid length: expected 80 bytes, got 79");
  EXPECT_EQ(edwards25519_vrf().suite_id(), 0x03);
}

TEST(Vrf, TamperingInvalidates) {
  const VrfProver p = VrfProver::from_seed(2);
  const Bytes pk = p.public_key(), alpha = {'i', 'd'}, proof = p.prove(alpha);
  ASSERT_EQ(run(pk, alpha, proof), "valid");
  EXPECT_EQ(run(pk, {}, p.prove({})), "valid") << "empty alpha";

  Bytes other_alpha = alpha;
  other_alpha[0] ^= 1;
  EXPECT_EQ(run(pk, other_alpha, proof), "invalid");
  for (size_t byte : {0u, 31u, 32u, 47u, 48u, 70u}) {
    Bytes bad = proof;
    bad[byte] ^= 0x04;
    EXPECT_EQ(run(pk, alpha, bad), "invalid") << "proof byte " << byte;
  }
  Bytes bad_key = pk;
  bad_key[3] ^= 1;
  EXPECT_EQ(run(bad_key, alpha, proof), "invalid");
  EXPECT_EQ(run(VrfProver::from_seed(3).public_key(), alpha, proof), "invalid");

  // s with bit 255 set, and s = s + L: non-canonical scalars.
  Bytes high = proof;
  high[79] |= 0x80;
  EXPECT_EQ(run(pk, alpha, high), "invalid");
  const uint8_t order[32] = {0xed, 0xd3, 0xf5, 0x5c, 0x1a, 0x63, 0x12, 0x58, 0xd6, 0x9c, 0xf7,
                             0xa2, 0xde, 0xf9, 0xde, 0x14, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x10};
  Bytes plus_l = proof;
  unsigned carry = 0;
  for (int i = 0; i < 32; ++i) {
    const unsigned sum = plus_l[48 + i] + order[i] + carry;
    plus_l[48 + i] = static_cast<uint8_t>(sum);
    carry = sum >> 8;
  }
  EXPECT_EQ(run(pk, alpha, plus_l), "invalid");
}

TEST(Vrf, SmallOrderKeysAreInvalid) {
  const VrfProver p = VrfProver::from_seed(4);
  const Bytes proof = p.prove({'a'});
  for (int order : {1, 2, 4, 8}) {
    const auto t = test_support::small_order_point(order);
    EXPECT_EQ(run(Bytes(t.begin(), t.end()), {'a'}, proof), "invalid") << "order " << order;
  }
  // The identity written non-canonically (y = p + 1) is still the identity.
  Bytes noncanonical(32, 0xff);
  noncanonical[0] = 0xee;
  noncanonical[31] = 0x7f;
  auto decoded = ed25519::decode(noncanonical);
  ASSERT_TRUE(decoded);
  EXPECT_TRUE(ed25519::is_identity(*decoded));
  EXPECT_EQ(run(noncanonical, {'a'}, proof), "invalid");
}

// Proofs whose key or Gamma carries a small-order component T verify when
// c·T is the identity: libsodium's multiplication refuses such points, so
// these exercise the exact general path.
TEST(Vrf, TorsionComponentsAreEvaluatedExactly) {
  const VrfProver base = VrfProver::from_seed(5);
  for (int order : {2, 4, 8}) {
    for (bool in_key : {true, false}) {
      SCOPED_TRACE(std::string(in_key ? "key" : "gamma") + " torsion of order " + std::to_string(order));
      const VrfProver p = in_key ? base.with_key_torsion(order) : base.with_gamma_torsion(order);
      const Bytes alpha = {'t', static_cast<uint8_t>(order)};
      const Bytes pk = p.public_key(), proof = p.prove(alpha);
      auto r = edwards25519_vrf().verify(pk, alpha, proof);
      ASSERT_TRUE(r);
      ASSERT_TRUE(r->valid);
      // 8·Gamma clears the torsion: the output is that of the clean proof's Gamma.
      EXPECT_EQ(Bytes(r->beta.begin(), r->beta.end()), VrfProver::proof_to_hash(proof));
      if (!in_key) {
        EXPECT_EQ(Bytes(r->beta.begin(), r->beta.end()), VrfProver::proof_to_hash(base.prove(alpha)));
      }
      Bytes bad = proof;
      bad[50] ^= 1;
      EXPECT_EQ(run(pk, alpha, bad), "invalid");
    }
  }
}

TEST(Edwards25519, GeneralMultiplicationMatchesRepeatedAddition) {
  const auto t8 = test_support::small_order_point(8);
  ed25519::Point t{t8};
  ed25519::Point b = ed25519::mul_base(ed25519::Scalar{3});
  const ed25519::Point mixed = ed25519::add(b, t);  // not in the prime-order subgroup
  ed25519::Point acc{ed25519::identity()};
  for (uint8_t k = 0; k < 20; ++k) {
    ed25519::Scalar s{};
    s[0] = k;
    EXPECT_EQ(ed25519::mul(s, mixed).enc, acc.enc) << int(k);
    acc = ed25519::add(acc, mixed);
  }
  EXPECT_TRUE(ed25519::has_small_order(t));
  EXPECT_FALSE(ed25519::has_small_order(mixed));
}

}  // namespace
}  // namespace silvantrope::crypto
