// CONIKS lookup and absence proofs and commitments through the C ABI, with
// real proofs from a test directory.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "abi_client.h"
#include "coniks_tree.h"
#include "vrf_prover.h"

namespace {

using namespace slog_client;
using test_support::ConiksDirectory;
using test_support::VrfProver;

const std::string kNs = "acme.example";

Bytes id(int i) { return Bytes{'u', 's', 'e', 'r', static_cast<uint8_t>(i)}; }

struct Fixture {
  ConiksDirectory dir{kNs, VrfProver::from_seed(40)};
  Fixture() {
    for (int i = 0; i < 24; ++i) dir.put(id(i), Bytes(static_cast<size_t>(i * 7), static_cast<uint8_t>(i)));
    dir.put({}, {'e', 'm', 'p', 't', 'y', '-', 'i', 'd'});  // the empty identity
  }
};

const Fixture& fx() {
  static const Fixture f;
  return f;
}

std::string lookup(const Bytes& identity, const Bytes& proof, const Bytes& root, const std::string& ns = kNs,
                   Bytes vrf_public = {}) {
  if (vrf_public.empty()) vrf_public = fx().dir.vrf_public();
  Bytes value;
  Outcome o = coniks_verify_lookup(ns, vrf_public, root, identity, proof, value);
  return o.ok() ? "value:" + hex(value) : o.message;
}

std::string absence(const Bytes& identity, const Bytes& proof, const Bytes& root, const std::string& ns = kNs,
                    Bytes vrf_public = {}) {
  if (vrf_public.empty()) vrf_public = fx().dir.vrf_public();
  Outcome o = coniks_verify_absence(ns, vrf_public, root, identity, proof);
  return o.ok() ? "absent" : o.message;
}

const std::string kMismatch = "coniks proof root mismatch: recomputed directory root does not match the expected root";

TEST(Coniks, EveryProofRoundTrips) {
  const Bytes root = fx().dir.root();
  for (int i = 0; i < 24; ++i) {
    EXPECT_EQ(lookup(id(i), fx().dir.lookup_proof(id(i)), root),
              "value:" + hex(Bytes(static_cast<size_t>(i * 7), static_cast<uint8_t>(i))))
        << i;
  }
  EXPECT_EQ(lookup({}, fx().dir.lookup_proof({}), root), "value:" + hex({'e', 'm', 'p', 't', 'y', '-', 'i', 'd'}));
  for (int i = 100; i < 116; ++i) EXPECT_EQ(absence(id(i), fx().dir.absence_proof(id(i)), root), "absent") << i;
}

TEST(Coniks, SiblingsDeepInTheTree) {
  ConiksDirectory dir(kNs, VrfProver::from_seed(43));
  dir.put(id(1), {'x'});
  const auto index = dir.index_of(id(1));
  // Neighbours whose indexes differ from id(1)'s first at bits 255, 200 and 31.
  for (size_t bit : {255u, 200u, 31u}) {
    auto neighbour = index;
    neighbour[bit / 8] ^= static_cast<uint8_t>(0x80 >> (bit % 8));
    dir.put_leaf_at(neighbour, Bytes(64, static_cast<uint8_t>(bit)));
  }
  const Bytes proof = dir.lookup_proof(id(1));
  EXPECT_EQ(proof.size(), 1u + 4 + 80 + 4 + 1 + 32 + 32 + 3 * 64);
  EXPECT_EQ(lookup(id(1), proof, dir.root(), kNs, dir.vrf_public()), "value:78");

  // An absent identity next to a deep neighbour.
  ConiksDirectory sparse(kNs, VrfProver::from_seed(43));
  auto beside = sparse.index_of(id(2));
  beside[31] ^= 0x01;
  sparse.put_leaf_at(beside, Bytes(64, 0xab));
  const Bytes absent = sparse.absence_proof(id(2));
  EXPECT_EQ(absent.size(), 1u + 4 + 80 + 32 + 64);
  EXPECT_EQ(absence(id(2), absent, sparse.root(), kNs, sparse.vrf_public()), "absent");
  EXPECT_EQ(absence(id(2), absent, sparse.empty_root(), kNs, sparse.vrf_public()), kMismatch);
}

TEST(Coniks, EmptyDirectory) {
  ConiksDirectory empty(kNs, VrfProver::from_seed(40));
  const Bytes proof = empty.absence_proof(id(1));
  EXPECT_EQ(proof.size(), 1u + 4 + 80 + 32) << "all-zero bitmap, no siblings";
  EXPECT_EQ(empty.root(), empty.empty_root());
  EXPECT_EQ(absence(id(1), proof, empty.empty_root(), kNs, empty.vrf_public()), "absent");
  EXPECT_EQ(absence(id(1), proof, fx().dir.root(), kNs, empty.vrf_public()), kMismatch);
}

TEST(Coniks, ProofsAreBoundToTheirInputs) {
  const Bytes root = fx().dir.root();
  const Bytes proof = fx().dir.lookup_proof(id(3));
  EXPECT_EQ(lookup(id(3), proof, fx().dir.empty_root()), kMismatch) << "another root";
  EXPECT_EQ(lookup(id(4), proof, root), "vrf proof did not verify against the namespace public key");
  EXPECT_EQ(lookup(id(3), proof, root, "other.example"), "vrf proof did not verify against the namespace public key");
  EXPECT_EQ(lookup(id(3), proof, root, kNs, VrfProver::from_seed(41).public_key()),
            "vrf proof did not verify against the namespace public key");
  // A present identity has no absence proof, and a lookup proof is not one.
  EXPECT_EQ(absence(id(3), proof, root), "malformed coniks proof: expected absence tag 0x00, got 0x01");
  const Bytes absent = fx().dir.absence_proof(id(200));
  EXPECT_EQ(lookup(id(200), absent, root), "malformed coniks proof: expected presence tag 0x01, got 0x00");
}

TEST(Coniks, EveryByteOfALookupProofMatters) {
  const Bytes root = fx().dir.root();
  const Bytes proof = fx().dir.lookup_proof(id(5));
  for (size_t i = 0; i < proof.size(); ++i) {
    Bytes bad = proof;
    bad[i] ^= (i % 2 == 0) ? 0x01 : 0x80;
    const std::string r = lookup(id(5), bad, root);
    EXPECT_EQ(r.rfind("value:", 0), std::string::npos) << "byte " << i << " accepted";
  }
  // Value and opening edits reach the root comparison.
  const size_t value_at = 1 + 4 + 80 + 4;
  Bytes bad_value = proof;
  bad_value[value_at] ^= 1;
  EXPECT_EQ(lookup(id(5), bad_value, root), kMismatch);
  Bytes bad_opening = proof;
  bad_opening[value_at + 35] ^= 1;
  EXPECT_EQ(lookup(id(5), bad_opening, root), kMismatch);
}

TEST(Coniks, EveryByteOfAnAbsenceProofMatters) {
  const Bytes root = fx().dir.root();
  const Bytes proof = fx().dir.absence_proof(id(300));
  ASSERT_EQ(absence(id(300), proof, root), "absent");
  for (size_t i = 0; i < proof.size(); ++i) {
    Bytes bad = proof;
    bad[i] ^= 0x10;
    EXPECT_NE(absence(id(300), bad, root), "absent") << "byte " << i << " accepted";
  }
  Bytes root_flipped = root;
  root_flipped[17] ^= 1;
  EXPECT_EQ(absence(id(300), proof, root_flipped), kMismatch);
}

TEST(Coniks, FailureOrder) {
  const Bytes root = fx().dir.root();
  const Bytes proof = fx().dir.lookup_proof(id(1));
  const Bytes key = fx().dir.vrf_public();
  struct Case {
    const char* name;
    std::string ns;
    Bytes key, root, proof;
    std::string want;
  };
  Bytes short_vrf = proof;
  short_vrf[4] = 79;  // the vrf proof field announces 79 bytes
  const std::vector<Case> cases = {
      {"namespace first", "a/b", Bytes(31, 0), Bytes(63, 0), {},
       "malformed namespace: namespace must be non-empty printable ASCII without '/': \"a/b\""},
      {"root length before proof", kNs, Bytes(31, 0), Bytes(63, 0), {}, "coniks root must be exactly 64 bytes"},
      {"proof format before the vrf", kNs, Bytes(31, 0), root, {}, "malformed coniks proof: empty proof"},
      {"vrf key length", kNs, Bytes(31, 0), root, proof, "vrf error: invalid length: expected 32 bytes, got 31"},
      {"vrf proof length", kNs, key, root, Bytes{}, "malformed coniks proof: empty proof"},
  };
  for (const Case& c : cases) {
    Bytes value;
    Outcome o = coniks_verify_lookup(c.ns, c.key, c.root, id(1), c.proof, value);
    EXPECT_EQ(o.code, 1) << c.name;
    EXPECT_EQ(o.message, c.want) << c.name;
  }
}

Bytes field(const Bytes& b) {
  Bytes out{uint8_t(b.size() >> 24), uint8_t(b.size() >> 16), uint8_t(b.size() >> 8), uint8_t(b.size())};
  out.insert(out.end(), b.begin(), b.end());
  return out;
}

Bytes cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

TEST(Coniks, ProofFormat) {
  const Bytes root = fx().dir.root();
  const Bytes vrf(80, 1), opening(32, 2), empty_path(32, 0);
  Bytes one_bit_path(32, 0);
  one_bit_path[0] = 0x80;
  const std::string m = "malformed coniks proof: ";
  const std::vector<std::pair<Bytes, std::string>> lookups = {
      {{}, m + "empty proof"},
      {{0x02}, m + "expected presence tag 0x01, got 0x02"},
      {{0x01, 0, 0}, m + "vrf proof: missing 4-byte length prefix"},
      {{0x01, 0, 0, 0, 81}, m + "vrf proof: length prefix 81 overruns available bytes"},
      {cat({{0x01}, field(vrf)}), m + "value: missing 4-byte length prefix"},
      {cat({{0x01}, field(vrf), {0xff, 0xff, 0xff, 0xff}}), m + "value: length prefix 4294967295 overruns available bytes"},
      {cat({{0x01}, field(vrf), field({9})}), m + "missing opening"},
      {cat({{0x01}, field(vrf), field({9}), opening, Bytes(31, 0)}), m + "authentication path shorter than its bitmap"},
      {cat({{0x01}, field(vrf), field({9}), opening, one_bit_path, Bytes(63, 0)}),
       m + "authentication path: bitmap implies 1 sibling hashes (96 bytes), only 95 available"},
      {cat({{0x01}, field(vrf), field({9}), opening, empty_path, {0}}), m + "trailing bytes after authentication path"},
      {cat({{0x01}, field(Bytes(79, 1)), field({9}), opening, empty_path}),
       "vrf error: invalid length: expected 80 bytes, got 79"},
      {cat({{0x01}, field(vrf), field({9}), opening, empty_path}), "vrf proof did not verify against the namespace public key"},
  };
  for (const auto& [proof, want] : lookups) EXPECT_EQ(lookup(id(1), proof, root), want) << want;
  const std::vector<std::pair<Bytes, std::string>> absences = {
      {{}, m + "empty proof"},
      {{0xff}, m + "expected absence tag 0x00, got 0xff"},
      {cat({{0x00}, field(vrf), Bytes(5, 0)}), m + "authentication path shorter than its bitmap"},
      {cat({{0x00}, field(vrf), empty_path, {1}}), m + "trailing bytes after authentication path"},
  };
  for (const auto& [proof, want] : absences) EXPECT_EQ(absence(id(1), proof, root), want) << want;
}

TEST(Coniks, Namespaces) {
  const Bytes root = fx().dir.root();
  for (std::string bad : {"", "a b", "a/b", "a\x01", "a\x7f", "caf\xc3\xa9"}) {
    EXPECT_EQ(lookup(id(1), {}, root, bad).rfind("malformed namespace: namespace must be non-empty printable ASCII without '/': ", 0), 0u)
        << bad;
  }
  // Letters, digits and punctuation other than the slash are fine.
  ConiksDirectory odd("A-z_0.9!~:@", VrfProver::from_seed(42));
  odd.put(id(1), {1});
  EXPECT_EQ(lookup(id(1), odd.lookup_proof(id(1)), odd.root(), "A-z_0.9!~:@", odd.vrf_public()), "value:01");
}

TEST(Commitment, Openings) {
  const Bytes opening(32, 7), value{'v'};
  const Bytes c = test_support::sha3_512_with_context("ctx/commit/v1", cat({opening, value}));
  EXPECT_TRUE(verify_commitment("ctx/commit/v1", c, value, opening).ok());
  const Bytes empty_value_c = test_support::sha3_512_with_context("", opening);
  EXPECT_TRUE(verify_commitment("", empty_value_c, {}, opening).ok()) << "empty context and value";
  const std::string mismatch = "commitment did not open to the claimed value";
  const Bytes swapped = test_support::sha3_512_with_context("ctx/commit/v1", cat({value, opening}));
  EXPECT_EQ(verify_commitment("ctx/commit/v1", swapped, value, opening).message, mismatch);
  EXPECT_EQ(verify_commitment("ctx/commit/v2", c, value, opening).message, mismatch);
  EXPECT_EQ(verify_commitment("ctx/commit/v1", c, {'w'}, opening).message, mismatch);
  EXPECT_EQ(verify_commitment("ctx/commit/v1", Bytes(63, 0), value, Bytes(31, 0)).message,
            "commitment must be exactly 64 bytes");
  EXPECT_EQ(verify_commitment("ctx/commit/v1", Bytes(65, 0), value, opening).message,
            "commitment must be exactly 64 bytes");
  EXPECT_EQ(verify_commitment("ctx/commit/v1", c, value, Bytes(33, 0)).message, "opening must be exactly 32 bytes");
  Bytes flipped = c;
  flipped[63] ^= 1;
  EXPECT_EQ(verify_commitment("ctx/commit/v1", flipped, value, opening).message, mismatch);
}

}  // namespace
