// SPDX-License-Identifier: Apache-2.0
// verify_inclusion and verify_consistency through the C ABI, each beside its
// floor: the same number of SHA-256 node hashes with the same libcrypto and
// nothing else.
//
// scripts/bench.sh pairs NAME/ARG with floor_*/ARG in its table.

#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <algorithm>
#include <vector>

#include "abi_client.h"
#include "batched.h"
#include "floors.h"
#include "rfc6962_tree.h"

namespace {

using bench::Buffers;
using bench::run_batched;
using slog_client::Bytes;

const int kProofLengths[] = {1, 8, 20, 32, 63};

std::vector<Bytes> proof_of(int length) {
  std::vector<Bytes> proof;
  for (int i = 0; i < length; ++i) proof.push_back(test_support::sha256({static_cast<uint8_t>(i)}));
  return proof;
}

// The proofs: leaf 0 of a perfect tree of 2^length leaves, and the tree of one
// leaf extended to 2^length leaves. Both take `length` node hashes.
void BM_VerifyInclusion(benchmark::State& state) {
  const int length = static_cast<int>(state.range(0));
  const Bytes leaf = test_support::leaf_hash({1, 2, 3});
  const std::vector<Bytes> proof = proof_of(length);
  const Bytes root = bench::leftmost_root(leaf, proof);
  const uint64_t size = uint64_t{1} << length;

  run_batched(
      state,
      [&] {
        return Buffers{slog_client::byte_list(leaf), slog_client::list_of_byte_lists(proof),
                       slog_client::byte_list(root)};
      },
      [&](const Buffers& b, RustCallStatus* st) {
        uniffi_silvantrope_log_fn_func_verify_inclusion(0, size, b.a, b.b, b.c, st);
      });
}

void BM_VerifyConsistency(benchmark::State& state) {
  const int length = static_cast<int>(state.range(0));
  const Bytes root1 = test_support::leaf_hash({9});
  const std::vector<Bytes> proof = proof_of(length);
  const Bytes root2 = bench::leftmost_root(root1, proof);

  const uint64_t size2 = uint64_t{1} << length;
  run_batched(
      state,
      [&] {
        return Buffers{slog_client::list_of_byte_lists(proof), slog_client::byte_list(root1),
                       slog_client::byte_list(root2)};
      },
      [&](const Buffers& b, RustCallStatus* st) {
        uniffi_silvantrope_log_fn_func_verify_consistency(1, size2, b.a, b.b, b.c, st);
      });
}

// The floor: `length` chained SHA-256 node hashes over 65-byte messages, with
// a prefetched digest and one reused context.
void BM_Floor(benchmark::State& state) {
  const std::vector<Bytes> proof = proof_of(static_cast<int>(state.range(0)));
  bench::NodeHashFloor floor;
  for (auto _ : state) benchmark::DoNotOptimize(floor.chain(proof, proof.size()));
}

void register_all() {
  for (int length : kProofLengths) {
    benchmark::RegisterBenchmark("verify_inclusion", BM_VerifyInclusion)->Arg(length);
    benchmark::RegisterBenchmark("verify_consistency", BM_VerifyConsistency)->Arg(length);
    benchmark::RegisterBenchmark("floor_node_hashes", BM_Floor)->Arg(length);
  }
}

}  // namespace

int main(int argc, char** argv) {
  register_all();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
