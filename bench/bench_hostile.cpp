// SPDX-License-Identifier: Apache-2.0
// What a hostile caller can make one call cost: each case timed once per
// repetition, with the bytes of its error (if any) as a counter.
//
//   cosigner_keys/N: checkpoint_verify_cosigned with N distinct cosigner
//       keys, none of which signed (the de-duplication of the key list; N
//       above the documented cap fails at once);
//   identical_cosignature_lines/99: a 50 MB checkpoint carrying 99 copies of
//       one witness's cosignature line (each distinct key and signature is
//       verified once);
//   identical_log_lines/100: the same checkpoint with 100 copies of the
//       log's line, through checkpoint_verify.
//
// Not part of scripts/bench.sh: each case is timed on its own, not against
// a floor.

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "notes.h"
#include "rfc6962_tree.h"
#include "silvantrope_log.hpp"

namespace {

namespace api = silvantrope_log;
using test_support::Cosigner;
using test_support::NoteKey;

const std::string kOrigin = "log.example/hostile";
constexpr uint64_t kSize = 1000;
constexpr size_t kBigBody = 50u << 20;

template <class R>
void record(benchmark::State& state, const R& r) {
  if (r) return;
  state.counters["error_bytes"] = static_cast<double>(r.error().message.size());
  state.SetLabel(r.error().message.substr(0, 48));
}

void BM_CosignerKeys(benchmark::State& state) {
  const NoteKey log = NoteKey::ed25519(kOrigin, 1);
  const std::string note =
      test_support::sign_note(test_support::checkpoint_body(kOrigin, kSize, test_support::sha256({1})), {&log});
  std::vector<std::string> keys;
  keys.reserve(static_cast<size_t>(state.range(0)));
  for (int64_t i = 0; i < state.range(0); ++i) {
    const Cosigner w{"w" + std::to_string(i), test_support::Ed25519Signer(static_cast<uint64_t>(1000 + i))};
    keys.push_back(w.verifier_key());
  }
  for (auto _ : state) {
    auto r = api::checkpoint_verify_cosigned(note, {log.verifier_key()}, keys, 1, 0);
    record(state, r);
  }
}

// The log's checkpoint with kBigBody bytes of extension lines.
struct BigCheckpoint {
  NoteKey log = NoteKey::ed25519(kOrigin, 2);
  Cosigner witness{"witness.example", test_support::Ed25519Signer(3)};
  api::Bytes root = test_support::sha256({2});
  std::vector<std::string> extensions;
  std::string body;

  BigCheckpoint() {
    const std::string line(99, 'x');
    for (size_t n = 0; n < kBigBody; n += line.size() + 1) extensions.push_back(line);
    body = test_support::checkpoint_body(kOrigin, kSize, root, extensions);
  }
  std::string cosignature_line() const {
    return witness.line(witness.cosign(kOrigin, kSize, root, extensions, 1767225600));
  }
};

const BigCheckpoint& big() {
  static const BigCheckpoint b;
  return b;
}

void BM_IdenticalCosignatureLines(benchmark::State& state) {
  const BigCheckpoint& b = big();
  std::string note = test_support::sign_note(b.body, {&b.log});
  const std::string line = b.cosignature_line();
  for (int64_t i = 0; i < state.range(0); ++i) note += line;
  for (auto _ : state) {
    auto r = api::checkpoint_verify_cosigned(note, {b.log.verifier_key()}, {b.witness.verifier_key()}, 1, 0);
    if (!r) state.SkipWithError(r.error().message.c_str());
  }
}

void BM_IdenticalLogLines(benchmark::State& state) {
  const BigCheckpoint& b = big();
  // Signed once; the log's line then repeated.
  std::string note = test_support::sign_note(b.body, {&b.log});
  const std::string line = note.substr(note.rfind('\n', note.size() - 2) + 1);
  for (int64_t i = 1; i < state.range(0); ++i) note += line;
  for (auto _ : state) {
    auto r = api::checkpoint_verify(note, {b.log.verifier_key()});
    if (!r) state.SkipWithError(r.error().message.c_str());
  }
}

#define ONCE Iterations(1)->Repetitions(3)->Unit(benchmark::kMillisecond)

BENCHMARK(BM_CosignerKeys)->Name("cosigner_keys")->Arg(10000)->Arg(100000)->Arg(100001)->ONCE;
BENCHMARK(BM_IdenticalCosignatureLines)->Name("identical_cosignature_lines")->Arg(99)->ONCE;
BENCHMARK(BM_IdenticalLogLines)->Name("identical_log_lines")->Arg(100)->ONCE;

}  // namespace

BENCHMARK_MAIN();
