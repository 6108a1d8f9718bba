// SPDX-License-Identifier: Apache-2.0
// CONIKS proofs from a test directory through the C ABI: every proof it
// serves verifies, and no edited byte of one does. Layout and failure texts
// are in tests/data/cases/coniks.sample.

#include <gtest/gtest.h>

#include "coniks_tree.h"
#include "silvantrope_log.hpp"

namespace {

using namespace silvantrope_log;
using test_support::ConiksDirectory;
using test_support::VrfProver;

const std::string kNs = "acme.example";
Bytes id(int i) { return Bytes{'u', 's', 'e', 'r', static_cast<uint8_t>(i)}; }
std::string hex(const Bytes& b) {
  std::string s;
  for (uint8_t x : b) s += "0123456789abcdef"[x >> 4], s += "0123456789abcdef"[x & 15];
  return s;
}
Bytes value_of(int i) { return Bytes(static_cast<size_t>(i * 7), static_cast<uint8_t>(i)); }

std::string lookup(const ConiksDirectory& dir, const Bytes& identity, const Bytes& proof, const Bytes& root) {
  const auto value = coniks_verify_lookup(kNs, dir.vrf_public(), root, identity, proof);
  return value ? "value:" + hex(*value) : value.error().message;
}

std::string absence(const ConiksDirectory& dir, const Bytes& identity, const Bytes& proof, const Bytes& root,
                    const std::string& ns = kNs) {
  const auto absent = coniks_verify_absence(ns, dir.vrf_public(), root, identity, proof);
  return absent ? "absent" : absent.error().message;
}

TEST(Coniks, ProofsOfADirectory) {
  ConiksDirectory dir(kNs, VrfProver::from_seed(40));
  const Bytes empty_root = dir.root();
  const Bytes empty_proof = dir.absence_proof(id(1));
  EXPECT_EQ(empty_proof.size(), 1u + 4 + 80 + 32) << "all-zero bitmap, no siblings";
  EXPECT_EQ(absence(dir, id(1), empty_proof, empty_root), "absent");
  for (int i = 0; i < 24; ++i) dir.put(id(i), value_of(i));
  dir.put({}, {'e'});  // the empty identity
  const Bytes root = dir.root();
  EXPECT_NE(absence(dir, id(1), empty_proof, root), "absent");
  for (int i = 0; i < 24; ++i) EXPECT_EQ(lookup(dir, id(i), dir.lookup_proof(id(i)), root), "value:" + hex(value_of(i)));
  EXPECT_EQ(lookup(dir, {}, dir.lookup_proof({}), root), "value:65");
  for (int i = 100; i < 116; ++i) EXPECT_EQ(absence(dir, id(i), dir.absence_proof(id(i)), root), "absent") << i;

  const Bytes proof = dir.lookup_proof(id(5)), absent = dir.absence_proof(id(300));
  for (size_t i = 0; i < proof.size(); ++i) {
    Bytes bad = proof;
    bad[i] ^= (i % 2 == 0) ? 0x01 : 0x80;
    EXPECT_EQ(lookup(dir, id(5), bad, root).rfind("value:", 0), std::string::npos) << "byte " << i;
  }
  for (size_t i = 0; i < absent.size(); ++i) {
    Bytes bad = absent;
    bad[i] ^= 0x10;
    EXPECT_NE(absence(dir, id(300), bad, root), "absent") << "byte " << i;
  }
}

TEST(Coniks, SiblingsDeepInTheTree) {
  ConiksDirectory dir(kNs, VrfProver::from_seed(43));
  dir.put(id(1), {'x'});
  const auto index = dir.index_of(id(1));
  for (size_t bit : {255u, 200u, 31u}) {
    auto neighbour = index;
    neighbour[bit / 8] ^= static_cast<uint8_t>(0x80 >> (bit % 8));
    dir.put_leaf_at(neighbour, Bytes(64, static_cast<uint8_t>(bit)));
  }
  const Bytes proof = dir.lookup_proof(id(1));
  EXPECT_EQ(proof.size(), 1u + 4 + 80 + 4 + 1 + 32 + 32 + 3 * 64);
  EXPECT_EQ(lookup(dir, id(1), proof, dir.root()), "value:78");
  // A namespace long enough that its labels' length prefixes use two bytes.
  const std::string long_ns(300, 'n');
  ConiksDirectory sparse(long_ns, VrfProver::from_seed(43));
  auto beside = sparse.index_of(id(2));
  beside[31] ^= 0x01;
  sparse.put_leaf_at(beside, Bytes(64, 0xab));
  EXPECT_EQ(absence(sparse, id(2), sparse.absence_proof(id(2)), sparse.root(), long_ns), "absent");
}

}  // namespace
