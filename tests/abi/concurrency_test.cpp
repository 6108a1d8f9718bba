// SPDX-License-Identifier: Apache-2.0
// Every export is re-entrant: many threads calling at once, the first calls
// racing on the library's one-time algorithm fetches, get a lone caller's answers.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "coniks_tree.h"
#include "keytrans_directory.h"
#include "notes.h"
#include "rfc6962_tree.h"
#include "silvantrope_log.hpp"

namespace {

using namespace silvantrope_log;
using Kind = Error::Kind;

TEST(Concurrency, EightThreads) {
  std::vector<Bytes> leaves;
  for (int i = 0; i < 40; ++i) leaves.push_back({static_cast<uint8_t>(i), 0x42});
  test_support::Rfc6962Tree tree(leaves);
  const test_support::NoteKey ed = test_support::NoteKey::ed25519("log.example", 1);
  const test_support::NoteKey pq = test_support::NoteKey::composite("pq.example", test_support::SchemeType::Ed448MlDsa65, 2);
  const std::string note = test_support::sign_note(test_support::checkpoint_body("log.example", 3, Bytes(32, 9)), {&ed, &pq});
  const std::vector<std::string> keys = {ed.verifier_key(), pq.verifier_key()};
  test_support::ConiksDirectory dir("ns.example", test_support::VrfProver::from_seed(9));
  for (uint8_t i = 0; i < 8; ++i) dir.put({i}, {i, i});
  const Bytes root = dir.root(), key = dir.vrf_public(), proof = dir.lookup_proof({3});
  test_support::keytrans::Directory kt(test_support::keytrans::P256, "ctx",
                                       test_support::keytrans::vrf_for(test_support::keytrans::P256, 9));
  for (uint8_t i = 0; i < 8; ++i) kt.set({i}, {i}), kt.publish(i);
  const Bytes kt_proof = encode(kt.search({5}));
  const auto entry_hash = [] { return key_history_v1_entry_hash(1, 2, Bytes(32, 1), Bytes(800, 2), Bytes(32, 3), Bytes(64, 4)); };
  const auto want_hash = entry_hash();
  ASSERT_TRUE(want_hash.ok());

  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&, t] {
      for (size_t i = 0; i < 300; ++i) {
        const size_t n = 1 + (t * 300 + i) % leaves.size(), m = i % n;
        const Bytes leaf = test_support::leaf_hash(leaves[m]);
        Bytes wrong = tree.root(n);
        wrong[i % 32] ^= 1;
        failures += !verify_inclusion(m, n, leaf, tree.inclusion_proof(m, n), tree.root(n)).ok();
        failures += verify_inclusion(m, n, leaf, tree.inclusion_proof(m, n), wrong).error().kind != Kind::Verification;
        failures += !verify_consistency(m + 1, n, tree.consistency_proof(m + 1, n), tree.root(m + 1), tree.root(n)).ok();
        const auto h = entry_hash();
        failures += !h.ok() || *h != *want_hash;
        if (i % 10 != 0) continue;
        const auto count = verify_signed_note(note, keys);
        failures += !count.ok() || *count != 2;
        const auto value = coniks_verify_lookup("ns.example", key, root, {3}, proof);
        failures += !value.ok() || *value != Bytes{3, 3};
        failures += coniks_verify_lookup("ns.example", key, root, {4}, proof).error().kind != Kind::Verification;
        // P-256 and HMAC on first use too
        const auto found = keytrans_verify_search_suite(1, "ctx", kt.vrf().public_key, kt.root(), {5}, kt_proof);
        failures += !found.ok() || found->value != Bytes{5};
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(failures.load(), 0);
}

}  // namespace
