#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "encoding/base64.h"
#include "signers.h"
#include "silvantrope-crypto/sign.h"

namespace silvantrope::crypto {
namespace {

using test_support::SchemeSigner;
using test_support::SchemeType;

const std::string kContext = "example.org/test-context/v1";
const Bytes kMessage = {'c', 'h', 'e', 'c', 'k', 'p', 'o', 'i', 'n', 't', '\n'};

std::string token(const Bytes& b) { return encoding::base64_encode(b); }

// "true", "false", or the error's message.
std::string outcome(const Bytes& message, std::string_view context, const Bytes& sig, const Bytes& key) {
  auto r = verify_signature(message, as_bytes(context), token(sig), token(key));
  if (!r) return r.error().message();
  return *r ? "true" : "false";
}

// Signers are slow to build; one per scheme and seed for the whole binary.
const SchemeSigner& signer(SchemeType type, uint64_t seed = 1) {
  static std::map<std::pair<SchemeType, uint64_t>, SchemeSigner> cache;
  auto it = cache.find({type, seed});
  if (it == cache.end()) it = cache.emplace(std::make_pair(type, seed), SchemeSigner(type, seed)).first;
  return it->second;
}

class Schemes : public ::testing::TestWithParam<SchemeType> {};

TEST_P(Schemes, VerifiesAndRejectsTampering) {
  const SchemeType type = GetParam();
  const SchemeSigner& s = signer(type);
  const Bytes key = s.public_key();
  const Bytes sig = s.sign(kContext, kMessage);
  const SchemeRow& row = *scheme_row(static_cast<uint8_t>(type));
  ASSERT_EQ(key.size(), row.public_key_length());
  ASSERT_EQ(sig.size(), row.signature_length());

  EXPECT_EQ(outcome(kMessage, kContext, sig, key), "true");

  std::string other_context = kContext;
  other_context[3] ^= 1;
  Bytes other_message = kMessage;
  other_message.back() = '!';
  EXPECT_EQ(outcome(kMessage, other_context, sig, key), "false") << "context is signed";
  EXPECT_EQ(outcome(other_message, kContext, sig, key), "false");
  EXPECT_EQ(outcome(kMessage, kContext, sig, signer(type, 2).public_key()), "false") << "other key";

  // Each component on its own decides.
  const size_t classical_end = 1 + row.classical_sig;
  std::vector<size_t> flips = {sig.size() - 1, classical_end + 10};
  if (row.classical_sig > 0) flips.push_back(1), flips.push_back(classical_end - 1);
  for (size_t at : flips) {
    Bytes bad = sig;
    bad[at] ^= 0x01;
    EXPECT_EQ(outcome(kMessage, kContext, bad, key), "false") << "byte " << at;
  }
  if (row.classical_key > 0) {
    Bytes bad_key = key;
    bad_key[1 + row.classical_key - 1] ^= 0x02;  // last byte of the classical key
    EXPECT_EQ(outcome(kMessage, kContext, sig, bad_key), "false");
  }
  Bytes bad_mldsa_key = key;
  bad_mldsa_key[key.size() - 1] ^= 0x01;
  EXPECT_EQ(outcome(kMessage, kContext, sig, bad_mldsa_key), "false");

  // Lengths off by one.
  Bytes longer = sig, shorter = sig, longer_key = key, shorter_key = key;
  longer.push_back(0);
  shorter.pop_back();
  longer_key.push_back(0);
  shorter_key.pop_back();
  EXPECT_EQ(outcome(kMessage, kContext, longer, key), "false");
  EXPECT_EQ(outcome(kMessage, kContext, shorter, key), "false");
  EXPECT_EQ(outcome(kMessage, kContext, sig, longer_key), "false");
  EXPECT_EQ(outcome(kMessage, kContext, sig, shorter_key), "false");
}

INSTANTIATE_TEST_SUITE_P(All, Schemes, ::testing::ValuesIn(test_support::all_scheme_types()),
                         [](const auto& info) {
                           return "type_" + std::to_string(static_cast<int>(info.param));
                         });

TEST(Signature, ZeroedClassicalComponentFails) {
  const SchemeSigner& s = signer(SchemeType::EdMlDsa65);
  auto parts = s.sign_components(kContext, kMessage);
  const Bytes key = s.public_key();
  Bytes zero_ed = test_support::join_scheme_bytes(SchemeType::EdMlDsa65, {Bytes(64, 0), parts.mldsa});
  EXPECT_EQ(outcome(kMessage, kContext, zero_ed, key), "false");
  Bytes zero_ml = test_support::join_scheme_bytes(SchemeType::EdMlDsa65, {parts.classical, Bytes(3309, 0)});
  EXPECT_EQ(outcome(kMessage, kContext, zero_ml, key), "false");
  // Components from two different signatures do not combine.
  auto other = s.sign_components(kContext, Bytes{'x'});
  Bytes mixed = test_support::join_scheme_bytes(SchemeType::EdMlDsa65, {parts.classical, other.mldsa});
  EXPECT_EQ(outcome(kMessage, kContext, mixed, key), "false");
}

TEST(Signature, PairingsAndTags) {
  const std::string missing = "signature: unknown or missing signature version tag";
  const Bytes sig02 = signer(SchemeType::EdMlDsa65).sign(kContext, kMessage);
  const Bytes key02 = signer(SchemeType::EdMlDsa65).public_key();
  const Bytes sig10 = signer(SchemeType::MlDsa87).sign(kContext, kMessage);
  const Bytes key10 = signer(SchemeType::MlDsa87).public_key();
  const Bytes key03 = signer(SchemeType::EdMlDsa87).public_key();
  const Bytes key14 = signer(SchemeType::P521MlDsa87).public_key();
  Bytes key04 = key02, sig07 = sig02;
  key04[0] = 0x04;
  sig07[0] = 0x07;

  struct Case {
    const char* name;
    Bytes sig, key;
    std::string want;
  };
  const std::vector<Case> cases = {
      {"cnsa signature, composite key", sig10, key02, "false"},
      {"composite signature, cnsa key", sig02, key10, "false"},
      {"cnsa signature, other cnsa key", sig10, key14, "false"},
      {"cnsa signature, empty key", sig10, {}, "false"},
      {"level mismatch", sig02, key03, "false"},
      {"empty signature", {}, key02, missing},
      {"unknown signature type", sig07, key02, missing},
      {"unknown key type", sig02, key04, missing},
      {"empty key", sig02, {}, missing},
      {"unknown signature type beats cnsa key", sig07, key10, "false"},
  };
  for (const Case& c : cases) EXPECT_EQ(outcome(kMessage, kContext, c.sig, c.key), c.want) << c.name;
}

TEST(Signature, UndecodableTokens) {
  const std::string key = token(signer(SchemeType::EdMlDsa44).public_key());
  auto err = [&](std::string_view sig_token, std::string_view key_token) {
    auto r = verify_signature(kMessage, as_bytes(kContext), sig_token, key_token);
    return r ? std::string("no error") : r.error().message();
  };
  EXPECT_EQ(err("AB==", key), "base64 decode: Invalid last symbol 66, offset 1.");
  EXPECT_EQ(err("AQ", key), "base64 decode: Invalid padding");
  EXPECT_EQ(err("AQ==", "A"), "base64 decode: Invalid input length: 1");
  EXPECT_EQ(err("AQ==", "AQ-="), "base64 decode: Invalid symbol 45, offset 2.");
}

TEST(Signature, Classification) {
  struct Case {
    uint8_t type;
    std::optional<std::pair<CheckpointSuite, uint8_t>> want;
  };
  const Case cases[] = {
      {0x01, {{CheckpointSuite::Hybrid, 0}}},        {0x02, {{CheckpointSuite::Hybrid, 1}}},
      {0x03, {{CheckpointSuite::Hybrid, 2}}},        {0x10, {{CheckpointSuite::PureCnsa2, 2}}},
      {0x13, {{CheckpointSuite::HybridMatched, 1}}}, {0x14, {{CheckpointSuite::HybridMatched, 2}}},
      {0x00, std::nullopt}, {0x04, std::nullopt}, {0x11, std::nullopt}, {0x12, std::nullopt},
      {0xFF, std::nullopt},
  };
  for (const Case& c : cases) {
    auto got = classify_signature_type(c.type);
    ASSERT_EQ(got.has_value(), c.want.has_value()) << int(c.type);
    if (got) {
      EXPECT_EQ(got->suite, c.want->first);
      EXPECT_EQ(got->level, c.want->second);
    }
  }
}

}  // namespace
}  // namespace silvantrope::crypto
