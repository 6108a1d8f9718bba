// Runs the published Wycheproof vectors against the signature component
// verifiers. Each component is checked on its own: the Wycheproof key goes
// into its slot of the scheme bytes, the other slot is zeros (never read),
// and the component verifier is called with the vector's message and
// signature exactly as given.
//
// Cases whose key or signature length differs from the row are not handed to
// the component (the row's lengths are enforced before any component runs);
// they must all be ones Wycheproof calls invalid. ML-DSA cases with a
// non-empty context do not apply: every component signs with an empty one.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <array>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "silvantrope-crypto/ed25519.h"
#include "silvantrope-crypto/sign.h"

#ifndef SILVANTROPE_VECTORS_DIR
#error "SILVANTROPE_VECTORS_DIR must name the shared test vector directory"
#endif

namespace silvantrope::crypto {
namespace {

using nlohmann::json;

std::string vector_path(const std::string& file) {
  return std::string(SILVANTROPE_VECTORS_DIR) + "/wycheproof/" + file;
}

// The parsed file, or a failure naming what is wrong. A missing file fails:
// the vectors are part of the workplace.
::testing::AssertionResult load(const std::string& file, json& out) {
  const std::string path = vector_path(file);
  std::ifstream in(path);
  if (!in) return ::testing::AssertionFailure() << "cannot open " << path;
  try {
    out = json::parse(in);
  } catch (const json::exception& e) {
    return ::testing::AssertionFailure() << "cannot parse " << path << ": " << e.what();
  }
  if (!out.contains("testGroups") || !out["testGroups"].is_array() || out["testGroups"].empty()) {
    return ::testing::AssertionFailure() << path << " has no test groups";
  }
  size_t n = 0;
  for (const json& g : out["testGroups"]) n += g.at("tests").size();
  if (!out.contains("numberOfTests") || out["numberOfTests"].get<size_t>() != n) {
    return ::testing::AssertionFailure()
           << path << ": numberOfTests does not match the " << n << " cases present";
  }
  return ::testing::AssertionSuccess();
}

Bytes unhex(const std::string& s) {
  auto nibble = [&](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    throw std::invalid_argument("bad hex digit in \"" + s + "\"");
  };
  if (s.size() % 2 != 0) throw std::invalid_argument("odd-length hex \"" + s + "\"");
  Bytes out(s.size() / 2);
  for (size_t i = 0; i < out.size(); ++i) {
    out[i] = static_cast<uint8_t>(nibble(s[2 * i]) << 4 | nibble(s[2 * i + 1]));
  }
  return out;
}

std::string hex_byte(uint8_t b) {
  static const char* digits = "0123456789abcdef";
  return std::string("0x") + digits[b >> 4] + digits[b & 15];
}

// What happened to the cases of one file.
struct Tally {
  std::string title;
  size_t cases = 0;
  size_t calls = 0;                                 // component verifier calls
  std::map<std::string, size_t> run;                // by Wycheproof result
  std::map<std::string, size_t> skipped;            // by reason
  std::map<std::string, size_t> acceptable;         // "verified" / "rejected"
  std::map<std::string, size_t> notes;              // anything else worth printing

  size_t total_run() const {
    size_t n = 0;
    for (const auto& [k, v] : run) n += v;
    return n;
  }

  void report() const {
    std::ostringstream o;
    o << "[wycheproof] " << title << ": " << cases << " cases, run " << total_run() << " (";
    const char* sep = "";
    for (const auto& [k, v] : run) { o << sep << k << " " << v; sep = ", "; }
    o << "), " << calls << " verifier calls";
    size_t skipped_total = 0;
    for (const auto& [k, v] : skipped) skipped_total += v;
    o << "; skipped " << skipped_total;
    if (skipped_total != 0) {
      o << " (";
      sep = "";
      for (const auto& [k, v] : skipped) { o << sep << k << ": " << v; sep = ", "; }
      o << ")";
    }
    if (!acceptable.empty()) {
      o << "; acceptable:";
      for (const auto& [k, v] : acceptable) o << " " << k << " " << v;
    }
    for (const auto& [k, v] : notes) o << "; " << k << ": " << v;
    std::cout << o.str() << std::endl;

    ::testing::Test::RecordProperty("cases", static_cast<int>(cases));
    ::testing::Test::RecordProperty("run", static_cast<int>(total_run()));
    ::testing::Test::RecordProperty("skipped", static_cast<int>(skipped_total));
    for (const auto& [k, v] : run) ::testing::Test::RecordProperty("run_" + k, static_cast<int>(v));
  }
};

std::string trace_of(const json& t, const std::string& extra = "") {
  std::ostringstream o;
  o << "tcId " << t.at("tcId").get<int>() << " (" << t.value("comment", "") << ") flags [";
  const char* sep = "";
  for (const json& f : t.value("flags", json::array())) { o << sep << f.get<std::string>(); sep = ", "; }
  o << "] result " << t.at("result").get<std::string>();
  if (!extra.empty()) o << " " << extra;
  return o.str();
}

// Checks one outcome against Wycheproof's verdict.
void expect_verdict(const std::string& result, bool verified, Tally& tally) {
  if (result == "valid") {
    EXPECT_TRUE(verified) << "Wycheproof says valid, the verifier rejected it";
  } else if (result == "invalid") {
    EXPECT_FALSE(verified) << "Wycheproof says invalid, the verifier accepted it";
  } else if (result == "acceptable") {
    ++tally.acceptable[verified ? "verified" : "rejected"];
  } else {
    ADD_FAILURE() << "unknown Wycheproof result \"" << result << "\"";
  }
}

// A case not handed to the component because its lengths are not the row's.
void skip_for_length(const std::string& reason, const std::string& result, Tally& tally) {
  EXPECT_EQ(result, "invalid") << "skipped for " << reason << " but Wycheproof does not call it invalid";
  ++tally.skipped[reason];
}

// Scheme bytes of a row with one component's key in its slot and zeros in
// the other.
Bytes scheme_bytes(const SchemeRow& row, const Bytes* classical, const Bytes* mldsa) {
  Bytes out{row.type};
  if (classical != nullptr) {
    EXPECT_EQ(classical->size(), row.classical_key);
    out.insert(out.end(), classical->begin(), classical->end());
  } else {
    out.resize(out.size() + row.classical_key, 0);
  }
  if (mldsa != nullptr) {
    EXPECT_EQ(mldsa->size(), row.mldsa_key);
    out.insert(out.end(), mldsa->begin(), mldsa->end());
  } else {
    out.resize(out.size() + row.mldsa_key, 0);
  }
  EXPECT_EQ(out.size(), row.public_key_length());
  return out;
}

// One key prepared for one row; the bytes outlive the PreparedKey that views
// them.
struct RowKey {
  const SchemeRow* row;
  std::unique_ptr<Bytes> bytes;
  std::unique_ptr<PreparedKey> key;

  RowKey(const SchemeRow* r, Bytes b)
      : row(r), bytes(std::make_unique<Bytes>(std::move(b))), key(std::make_unique<PreparedKey>(*bytes)) {}
};

const SchemeRow& row_of(uint8_t type) {
  const SchemeRow* row = scheme_row(type);
  if (row == nullptr) throw std::logic_error("no scheme row " + hex_byte(type));
  return *row;
}

void check_counts_sane(const Tally& tally) {
  // A run that exercised nothing, or only one side, proves nothing.
  EXPECT_GT(tally.run.count("valid") ? tally.run.at("valid") : 0, 0u) << tally.title;
  EXPECT_GT(tally.run.count("invalid") ? tally.run.at("invalid") : 0, 0u) << tally.title;
  EXPECT_GT(tally.calls, 0u) << tally.title;
}

// ---------------------------------------------------------------------------
// Classical components (EdDSA and ECDSA files share a layout: the group holds
// the public key, each case a message and a signature).

Bytes classical_group_key(const json& group, Classical kind) {
  const json& pk = group.at("publicKey");
  switch (kind) {
    case Classical::Ed25519:
    case Classical::Ed448: return unhex(pk.at("pk").get<std::string>());
    case Classical::EcdsaP521: return unhex(pk.at("uncompressed").get<std::string>());
    case Classical::None: break;
  }
  throw std::logic_error("no classical component");
}

void run_classical_file(const std::string& file, Classical kind, const std::vector<uint8_t>& types,
                        const std::string& title) {
  json doc;
  ASSERT_TRUE(load(file, doc));
  Tally tally;
  tally.title = file + " (" + title + ")";

  for (const json& group : doc["testGroups"]) {
    const Bytes pk = classical_group_key(group, kind);
    std::vector<RowKey> keys;
    for (uint8_t type : types) {
      const SchemeRow& row = row_of(type);
      ASSERT_EQ(row.classical, kind) << "row " << hex_byte(type);
      if (pk.size() == row.classical_key) keys.emplace_back(&row, scheme_bytes(row, &pk, nullptr));
    }
    for (const json& t : group.at("tests")) {
      SCOPED_TRACE(trace_of(t));
      ++tally.cases;
      const std::string result = t.at("result").get<std::string>();
      const Bytes msg = unhex(t.at("msg").get<std::string>());
      const Bytes sig = unhex(t.at("sig").get<std::string>());
      const SchemeRow& first = row_of(types.front());
      if (pk.size() != first.classical_key) {
        skip_for_length("public key length", result, tally);
        continue;
      }
      if (sig.size() != first.classical_sig) {
        skip_for_length("signature length", result, tally);
        continue;
      }
      ++tally.run[result];
      for (RowKey& k : keys) {
        SCOPED_TRACE("row " + hex_byte(k.row->type));
        ++tally.calls;
        expect_verdict(result, k.key->verify_classical(*k.row, sig, msg), tally);
      }
    }
  }
  tally.report();
  check_counts_sane(tally);
}

TEST(WycheproofEd25519, CompositeComponent) {
  run_classical_file("ed25519_test.json", Classical::Ed25519, {0x01, 0x02, 0x03},
                     "Ed25519 component of rows 0x01 0x02 0x03");
}

TEST(WycheproofEd448, Component) {
  run_classical_file("ed448_test.json", Classical::Ed448, {0x13}, "Ed448 component of row 0x13");
}

TEST(WycheproofEcdsaP521, Component) {
  run_classical_file("ecdsa_secp521r1_sha512_p1363_test.json", Classical::EcdsaP521, {0x14},
                     "ECDSA P-521/SHA-512 component of row 0x14");
}

// ---------------------------------------------------------------------------
// Strict Ed25519. It additionally rejects keys and R values of small order,
// so a case Wycheproof calls valid is expected to fail when either is one.

// The small-order points of edwards25519 are the eight with y in
// {1, -1, 0, y8, -y8} (identity, order 2, order 4, order 8). Ignoring the
// sign bit of x, their encodings are those five y values, plus the two
// non-canonical ones y = p and y = p + 1 (0 and 1 mod p). Encodings that
// match but do not decode at all (x = 0 with the sign bit set) are caught
// too; the strict verifier must reject those for either reason.
bool small_order_encoding(ByteView enc) {
  if (enc.size() != 32) return false;
  static const std::array<std::string, 7> kSmallOrder = {
      "0000000000000000000000000000000000000000000000000000000000000000",  // y = 0
      "0100000000000000000000000000000000000000000000000000000000000000",  // y = 1
      "26e8958fc2b227b045c3f489f2ef98f0d5dfac05d3c63339b13802886d53fc05",  // y = y8
      "c7176a703d4dd84fba3c0b760d10670f2a2053fa2c39ccc64ec7fd7792ac037a",  // y = -y8
      "ecffffffffffffffffffffffffffffffffffffffffffffffffffffffffffff7f",  // y = -1
      "edffffffffffffffffffffffffffffffffffffffffffffffffffffffffffff7f",  // y = p
      "eeffffffffffffffffffffffffffffffffffffffffffffffffffffffffffff7f",  // y = p + 1
  };
  Bytes y(enc.begin(), enc.end());
  y[31] &= 0x7f;
  for (const std::string& s : kSmallOrder) {
    if (y == unhex(s)) return true;
  }
  return false;
}

TEST(WycheproofEd25519, Strict) {
  json doc;
  ASSERT_TRUE(load("ed25519_test.json", doc));
  Tally tally;
  tally.title = "ed25519_test.json (strict Ed25519, verify_ed25519_strict)";

  for (const json& group : doc["testGroups"]) {
    const Bytes pk = unhex(group.at("publicKey").at("pk").get<std::string>());
    const bool small_key = small_order_encoding(pk);
    for (const json& t : group.at("tests")) {
      SCOPED_TRACE(trace_of(t));
      ++tally.cases;
      const std::string result = t.at("result").get<std::string>();
      const Bytes msg = unhex(t.at("msg").get<std::string>());
      const Bytes sig = unhex(t.at("sig").get<std::string>());
      const bool small_r = sig.size() == 64 && small_order_encoding(ByteView(sig).first(32));
      if (small_key) ++tally.notes["key with a small-order y (" + result + ")"];
      if (small_r) ++tally.notes["R with a small-order y (" + result + ")"];
      // The strict verifier checks lengths itself, so every case is run.
      ++tally.run[result];
      ++tally.calls;
      const bool verified = verify_ed25519_strict(pk, sig, msg);
      if (result == "valid" && (small_key || small_r)) {
        ++tally.notes["valid but small order, strict rejection expected"];
        EXPECT_FALSE(verified) << "small-order key or R accepted by the strict verifier";
      } else {
        expect_verdict(result, verified, tally);
      }
    }
  }
  tally.report();
  check_counts_sane(tally);
}

// ---------------------------------------------------------------------------
// ML-DSA components: pure mode, empty context.

void run_mldsa_file(const std::string& file, const std::string& algorithm, uint8_t level,
                    const std::vector<uint8_t>& types) {
  json doc;
  ASSERT_TRUE(load(file, doc));
  ASSERT_EQ(doc.value("algorithm", ""), algorithm);
  Tally tally;
  std::string rows;
  for (uint8_t type : types) rows += " " + hex_byte(type);
  tally.title = file + " (" + algorithm + " component of rows" + rows + ")";

  for (const json& group : doc["testGroups"]) {
    const Bytes pk = unhex(group.at("publicKey").get<std::string>());
    std::vector<RowKey> keys;
    for (uint8_t type : types) {
      const SchemeRow& row = row_of(type);
      ASSERT_EQ(row.level, level) << "row " << hex_byte(type);
      if (pk.size() == row.mldsa_key) keys.emplace_back(&row, scheme_bytes(row, nullptr, &pk));
    }
    const SchemeRow& first = row_of(types.front());
    for (const json& t : group.at("tests")) {
      SCOPED_TRACE(trace_of(t));
      ++tally.cases;
      const std::string result = t.at("result").get<std::string>();
      if (t.contains("ctx") && !t["ctx"].get<std::string>().empty()) {
        ++tally.skipped["non-empty context"];
        continue;
      }
      const Bytes msg = unhex(t.at("msg").get<std::string>());
      const Bytes sig = unhex(t.at("sig").get<std::string>());
      if (pk.size() != first.mldsa_key) {
        skip_for_length("public key length", result, tally);
        continue;
      }
      if (sig.size() != first.mldsa_sig) {
        skip_for_length("signature length", result, tally);
        continue;
      }
      if (t.contains("ctx")) ++tally.notes["run with an explicit empty context"];
      ++tally.run[result];
      for (RowKey& k : keys) {
        SCOPED_TRACE("row " + hex_byte(k.row->type));
        ++tally.calls;
        expect_verdict(result, k.key->verify_mldsa(*k.row, sig, msg), tally);
      }
    }
  }
  tally.report();
  check_counts_sane(tally);
}

TEST(WycheproofMlDsa44, Component) {
  run_mldsa_file("mldsa_44_verify_test.json", "ML-DSA-44", 0, {0x01});
}

TEST(WycheproofMlDsa65, Component) {
  run_mldsa_file("mldsa_65_verify_test.json", "ML-DSA-65", 1, {0x02, 0x13});
}

TEST(WycheproofMlDsa87, Component) {
  run_mldsa_file("mldsa_87_verify_test.subset.json", "ML-DSA-87", 2, {0x03, 0x10, 0x14});
}

}  // namespace
}  // namespace silvantrope::crypto
