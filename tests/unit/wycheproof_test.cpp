// SPDX-License-Identifier: Apache-2.0
// The published Wycheproof vectors against each signature component. The
// vector's key goes into its slot of a row's scheme bytes (the other slot is
// zeros and never read), and the component verifier gets the vector's message
// and signature as given. Cases whose lengths are not the row's never reach a
// component, since the row's lengths are enforced first: Wycheproof must call
// them invalid. ML-DSA cases with a non-empty context do not apply.

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>

#include "silvantrope-crypto/ed25519.h"
#include "silvantrope-crypto/sign.h"

namespace silvantrope::crypto {
namespace {

using nlohmann::json;

Bytes unhex(const std::string& s) {
  Bytes out;
  for (size_t i = 0; i + 1 < s.size(); i += 2) out.push_back(static_cast<uint8_t>(std::stoi(s.substr(i, 2), nullptr, 16)));
  return out;
}

// The y coordinates of the eight small-order points (sign bit ignored), with
// the non-canonical y = p and y = p + 1: strict Ed25519 refuses such keys and R.
bool small_order(const Bytes& enc) {
  static const char* kY[] = {
      "0000000000000000000000000000000000000000000000000000000000000000",
      "0100000000000000000000000000000000000000000000000000000000000000",
      "26e8958fc2b227b045c3f489f2ef98f0d5dfac05d3c63339b13802886d53fc05",
      "c7176a703d4dd84fba3c0b760d10670f2a2053fa2c39ccc64ec7fd7792ac037a",
      "ecffffffffffffffffffffffffffffffffffffffffffffffffffffffffffff7f",
      "edffffffffffffffffffffffffffffffffffffffffffffffffffffffffffff7f",
      "eeffffffffffffffffffffffffffffffffffffffffffffffffffffffffffff7f",
  };
  if (enc.size() < 32) return false;
  Bytes y(enc.begin(), enc.begin() + 32);
  y[31] &= 0x7f;
  for (const char* s : kY) {
    if (y == unhex(s)) return true;
  }
  return false;
}

enum class Slot { Classical, MlDsa, StrictEd25519 };

void run(const std::string& file, Slot slot, const std::vector<uint8_t>& types) {
  std::ifstream in(SILVANTROPE_VECTORS_DIR "/wycheproof/" + file);
  ASSERT_TRUE(in) << "missing " << file;
  const json doc = json::parse(in);
  size_t valid = 0, invalid = 0;
  for (const json& group : doc["testGroups"]) {
    const json& pk_field = group["publicKey"];
    const Bytes pk = unhex(pk_field.is_string() ? pk_field.get<std::string>()
                                                : pk_field.value("uncompressed", pk_field.value("pk", "")));
    for (const json& t : group["tests"]) {
      SCOPED_TRACE(file + " tcId " + std::to_string(t["tcId"].get<int>()));
      if (!t.value("ctx", "").empty()) continue;
      const std::string result = t["result"];
      const Bytes msg = unhex(t["msg"]), sig = unhex(t["sig"]);
      for (uint8_t type : types) {
        bool verified;
        if (slot == Slot::StrictEd25519) {
          verified = verify_ed25519_strict(pk, sig, msg);
          if (small_order(pk) || small_order(sig)) {
            EXPECT_FALSE(verified);
            continue;
          }
        } else {
          const SchemeRow& row = *scheme_row(type);
          const bool classical = slot == Slot::Classical;
          if (pk.size() != (classical ? row.classical_key : row.mldsa_key) ||
              sig.size() != (classical ? row.classical_sig : row.mldsa_sig)) {
            EXPECT_EQ(result, "invalid");
            continue;
          }
          Bytes key(row.public_key_length(), 0);
          key[0] = type;
          std::copy(pk.begin(), pk.end(), key.begin() + 1 + (classical ? 0 : row.classical_key));
          PreparedKey prepared(key);
          verified = classical ? prepared.verify_classical(row, sig, msg) : prepared.verify_mldsa(row, sig, msg);
        }
        if (result != "acceptable") EXPECT_EQ(verified, result == "valid");
        ++(result == "valid" ? valid : invalid);
      }
    }
  }
  EXPECT_GT(valid, 0u);
  EXPECT_GT(invalid, 0u);
}

TEST(Wycheproof, Ed25519) { run("ed25519_test.json", Slot::Classical, {0x01, 0x02, 0x03}); }
TEST(Wycheproof, StrictEd25519) { run("ed25519_test.json", Slot::StrictEd25519, {0}); }
TEST(Wycheproof, Ed448) { run("ed448_test.json", Slot::Classical, {0x13}); }
TEST(Wycheproof, EcdsaP521) { run("ecdsa_secp521r1_sha512_p1363_test.json", Slot::Classical, {0x14}); }
TEST(Wycheproof, MlDsa44) { run("mldsa_44_verify_test.json", Slot::MlDsa, {0x01}); }
TEST(Wycheproof, MlDsa65) { run("mldsa_65_verify_test.json", Slot::MlDsa, {0x02, 0x13}); }
TEST(Wycheproof, MlDsa87) { run("mldsa_87_verify_test.subset.json", Slot::MlDsa, {0x03, 0x10, 0x14}); }

}  // namespace
}  // namespace silvantrope::crypto
