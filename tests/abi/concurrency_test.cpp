// The exports called from many threads at once must give every thread the
// same answers as a lone caller.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "abi_client.h"
#include "coniks_tree.h"
#include "notes.h"
#include "rfc6962_tree.h"

namespace {

using namespace slog_client;
using test_support::Rfc6962Tree;

struct Inclusion {
  uint64_t index, size;
  Bytes leaf;
  std::vector<Bytes> proof;
  Bytes root;
};
struct Consistency {
  uint64_t size1, size2;
  std::vector<Bytes> proof;
  Bytes root1, root2;
};

TEST(Concurrency, EightThreads) {
  constexpr int kThreads = 8;
  constexpr int kIterations = 3000;

  std::vector<Bytes> leaves;
  for (int i = 0; i < 40; ++i) leaves.push_back({static_cast<uint8_t>(i), 0x42});
  Rfc6962Tree tree(leaves);
  std::vector<Inclusion> inclusions;
  std::vector<Consistency> consistencies;
  for (size_t n = 1; n <= leaves.size(); n += 3) {
    for (size_t m = 0; m < n; m += 2) {
      inclusions.push_back({m, n, test_support::leaf_hash(leaves[m]), tree.inclusion_proof(m, n), tree.root(n)});
      consistencies.push_back({m + 1, n, tree.consistency_proof(m + 1, n), tree.root(m + 1), tree.root(n)});
    }
  }
  KeyHistoryEntry entry{1, 2, Bytes(32, 1), Bytes(800, 2), Bytes(32, 3), Bytes(64, 4)};
  Bytes want_hash;
  ASSERT_TRUE(key_history(KeyHistoryOutput::EntryHash, entry, std::nullopt, want_hash).ok());

  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kIterations; ++i) {
        const size_t k = static_cast<size_t>(t * kIterations + i);
        const Inclusion& inc = inclusions[k % inclusions.size()];
        if (!verify_inclusion(inc.index, inc.size, inc.leaf, inc.proof, inc.root).ok()) ++failures;
        Bytes wrong_root = inc.root;
        wrong_root[k % 32] ^= 1;
        Outcome bad = verify_inclusion(inc.index, inc.size, inc.leaf, inc.proof, wrong_root);
        if (bad.message != "root mismatch: recomputed root does not match the expected root") ++failures;
        const Consistency& c = consistencies[k % consistencies.size()];
        if (!verify_consistency(c.size1, c.size2, c.proof, c.root1, c.root2).ok()) ++failures;
        Bytes h;
        if (!key_history(KeyHistoryOutput::EntryHash, entry, std::nullopt, h).ok() || h != want_hash) {
          ++failures;
        }
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(failures.load(), 0);
}

// Signature schemes, the VRF and CONIKS share process-wide algorithm objects
// and library initialisation; the first calls race on purpose.
TEST(Concurrency, SignaturesAndDirectories) {
  constexpr int kThreads = 8;
  constexpr int kIterations = 60;
  const test_support::NoteKey ed = test_support::NoteKey::ed25519("log.example", 1);
  const test_support::NoteKey pq = test_support::NoteKey::composite("pq.example", test_support::SchemeType::Ed448MlDsa65, 2);
  const std::string note = test_support::sign_note(test_support::checkpoint_body("log.example", 3, Bytes(32, 9)), {&ed, &pq});
  const std::vector<std::string> keys = {ed.verifier_key(), pq.verifier_key()};
  test_support::ConiksDirectory dir("ns.example", test_support::VrfProver::from_seed(9));
  for (uint8_t i = 0; i < 8; ++i) dir.put({i}, {i, i});
  const Bytes root = dir.root(), key = dir.vrf_public(), proof = dir.lookup_proof({3});

  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < kIterations; ++i) {
        uint32_t count = 0;
        if (!verify_signed_note(note, keys, count).ok() || count != 2) ++failures;
        Bytes value;
        if (!coniks_verify_lookup("ns.example", key, root, {3}, proof, value).ok() || value != Bytes{3, 3}) ++failures;
        if (coniks_verify_lookup("ns.example", key, root, {4}, proof, value).message !=
            "vrf proof did not verify against the namespace public key") {
          ++failures;
        }
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(failures.load(), 0);
}

}  // namespace
