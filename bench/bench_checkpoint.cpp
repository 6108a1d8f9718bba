// SPDX-License-Identifier: Apache-2.0
// checkpoint_verify and checkpoint_verify_inclusion through the C ABI, each
// beside its floor:
//   - one plain Ed25519 signature: one bare libsodium verification of the
//     same note text;
//   - one composite 0x02 signature: the bare OpenSSL ML-DSA-65 and Ed25519
//     verifications of the same framed message, each key imported from its
//     raw bytes as a verifier must;
//   - inclusion in a tree of 2^20 leaves: the Ed25519 verification plus the
//     20 SHA-256 node hashes of the proof;
//   - checkpoint_verify_cosigned with the log's Ed25519 signature and a
//     quorum of two Ed25519 and one ML-DSA-44 cosignatures: the four bare
//     verifications (libsodium for Ed25519, OpenSSL for ML-DSA-44 with its key
//     imported from raw bytes).
//
// scripts/bench.sh pairs NAME/ARG with floor_*/ARG in its table.

#include <benchmark/benchmark.h>
#include <openssl/evp.h>
#include <sodium.h>

#include <string>
#include <vector>

#include "abi_client.h"
#include "batched.h"
#include "floors.h"
#include "notes.h"
#include "rfc6962_tree.h"

namespace {

using bench::Buffers;
using bench::run_batched;
using slog_client::Bytes;
using test_support::NoteKey;

// Arguments: 1 = plain Ed25519, 2 = composite 0x02, 3 = inclusion at 2^20,
// 4 = cosigned by three witnesses.
enum Case { kEd25519 = 1, kComposite = 2, kInclusion = 3, kCosigned = 4 };
constexpr uint64_t kCosignedAt = 1767225600;

struct Fixture {
  NoteKey ed = NoteKey::ed25519("log.example/bench", 21);
  NoteKey pq = NoteKey::composite("log.example/bench-pq", test_support::SchemeType::EdMlDsa65, 22);
  Bytes leaf = test_support::leaf_hash({'l'});
  std::vector<Bytes> proof;
  Bytes root;
  std::string body;
  std::vector<test_support::Cosigner> witnesses = {{"w1.example", test_support::Ed25519Signer(23)},
                                                   {"w2.example", test_support::Ed25519Signer(24)},
                                                   {"w3.example", test_support::MlDsa44Signer(25)}};

  Fixture() {
    for (int i = 0; i < 20; ++i) proof.push_back(test_support::sha256({static_cast<uint8_t>(i)}));
    root = bench::leftmost_root(leaf, proof);
    body = test_support::checkpoint_body("log.example/bench", uint64_t{1} << 20, root);
  }
};

const Fixture& fixture() {
  static const Fixture f;
  return f;
}

void BM_CheckpointVerify(benchmark::State& state) {
  const Fixture& f = fixture();
  const bool composite = state.range(0) == kComposite;
  const NoteKey& key = composite ? f.pq : f.ed;
  const std::string note = test_support::sign_note(f.body, {&key});
  const std::vector<std::string> keys = {key.verifier_key()};
  run_batched(
      state,
      [&] { return Buffers{slog_client::text(note), slog_client::list_of_strings(keys)}; },
      [&](const Buffers& b, RustCallStatus* st) {
        RustBuffer head = uniffi_silvantrope_log_fn_func_checkpoint_verify(b.a, b.b, st);
        if (st->code == 0) slog_client::free_buffer(head);
      });
}

void BM_CheckpointCosigned(benchmark::State& state) {
  const Fixture& f = fixture();
  std::string note = test_support::sign_note(f.body, {&f.ed});
  std::vector<std::string> cosigners;
  for (const auto& w : f.witnesses) {
    note += w.line(w.cosign("log.example/bench", uint64_t{1} << 20, f.root, {}, kCosignedAt));
    cosigners.push_back(w.verifier_key());
  }
  const std::vector<std::string> keys = {f.ed.verifier_key()};
  run_batched(
      state,
      [&] {
        return Buffers{slog_client::text(note), slog_client::list_of_strings(keys),
                       slog_client::list_of_strings(cosigners)};
      },
      [&](const Buffers& b, RustCallStatus* st) {
        RustBuffer head = uniffi_silvantrope_log_fn_func_checkpoint_verify_cosigned(b.a, b.b, b.c, 3, kCosignedAt, st);
        if (st->code == 0) slog_client::free_buffer(head);
      });
}

void BM_CheckpointInclusion(benchmark::State& state) {
  const Fixture& f = fixture();
  const std::string note = test_support::sign_note(f.body, {&f.ed});
  const std::vector<std::string> keys = {f.ed.verifier_key()};
  run_batched(
      state,
      [&] {
        return Buffers{slog_client::text(note), slog_client::list_of_strings(keys),
                       slog_client::byte_list(f.leaf), slog_client::list_of_byte_lists(f.proof)};
      },
      [&](const Buffers& b, RustCallStatus* st) {
        uniffi_silvantrope_log_fn_func_checkpoint_verify_inclusion(b.a, b.b, 0, b.c, b.d, st);
      });
}

bool bare_ed25519(const Bytes& key, const Bytes& sig, const std::string& text) {
  return crypto_sign_verify_detached(sig.data(), reinterpret_cast<const uint8_t*>(text.data()),
                                     text.size(), key.data()) == 0;
}

void BM_Floor(benchmark::State& state) {
  const Fixture& f = fixture();
  if (sodium_init() < 0) state.SkipWithError("libsodium");
  if (state.range(0) == kComposite) {
    const Bytes text(f.body.begin(), f.body.end());
    const auto sig = f.pq.sign(f.body);
    const auto& signer = std::get<test_support::SchemeSigner>(f.pq.signer);
    const Bytes key = signer.public_key();
    const Bytes ed_pub(key.begin() + 1, key.begin() + 33), ml_pub(key.begin() + 33, key.end());
    const Bytes framed = test_support::frame_message(test_support::kNoteSignatureContext, text);
    const Bytes ed_sig(sig.begin() + 1, sig.begin() + 65), ml_sig(sig.begin() + 65, sig.end());
    for (auto _ : state) {
      bool ok = bench::bare_openssl("ED25519", ed_pub, ed_sig, framed) &&
                bench::bare_openssl("ML-DSA-65", ml_pub, ml_sig, framed);
      if (!ok) state.SkipWithError("floor did not verify");
    }
    return;
  }
  if (state.range(0) == kCosigned) {
    struct Check {
      Bytes key, sig, message;
      std::string text;
    };
    std::vector<Check> checks;
    for (const auto& w : f.witnesses) {
      const Bytes data = w.key_data(), cs = w.cosign("log.example/bench", uint64_t{1} << 20, f.root, {}, kCosignedAt);
      const Bytes m = w.message("log.example/bench", uint64_t{1} << 20, f.root, {}, kCosignedAt);
      checks.push_back({Bytes(data.begin() + 1, data.end()), Bytes(cs.begin() + 8, cs.end()), m, std::string(m.begin(), m.end())});
    }
    const Bytes key_data = f.ed.key_data(), key(key_data.begin() + 1, key_data.end()), sig = f.ed.sign(f.body);
    for (auto _ : state) {
      bool ok = bare_ed25519(key, sig, f.body);
      for (const Check& c : checks) {
        ok = ok && (c.key.size() == 32 ? bare_ed25519(c.key, c.sig, c.text) : bench::bare_openssl("ML-DSA-44", c.key, c.sig, c.message));
      }
      if (!ok) state.SkipWithError("floor did not verify");
    }
    return;
  }
  const Bytes key_data = f.ed.key_data();
  const Bytes key(key_data.begin() + 1, key_data.end());
  const Bytes sig = f.ed.sign(f.body);
  const size_t hashes = state.range(0) == kInclusion ? f.proof.size() : 0;
  bench::NodeHashFloor floor;
  for (auto _ : state) {
    if (!bare_ed25519(key, sig, f.body)) state.SkipWithError("floor did not verify");
    benchmark::DoNotOptimize(floor.chain(f.proof, hashes));
  }
}

BENCHMARK(BM_CheckpointVerify)->Name("checkpoint_verify")->Arg(kEd25519)->Arg(kComposite);
BENCHMARK(BM_CheckpointInclusion)->Name("checkpoint_verify_inclusion")->Arg(kInclusion);
BENCHMARK(BM_CheckpointCosigned)->Name("checkpoint_verify_cosigned")->Arg(kCosigned);
BENCHMARK(BM_Floor)->Name("floor_verifications")->Arg(kEd25519)->Arg(kComposite)->Arg(kInclusion)->Arg(kCosigned);

}  // namespace

BENCHMARK_MAIN();
