// SPDX-License-Identifier: Apache-2.0
// C2SP tlog-policy and tlog-proof@v1 through the C ABI, each beside its
// floor, in one binary:
//   1 checkpoint_verify_policy: 1 Ed25519 log signature and 5 of 8 witness
//     cosignatures (4 Ed25519, 1 ML-DSA-44) against a policy of nested
//     groups; floor: the six bare verifications (libsodium Ed25519, OpenSSL
//     ML-DSA-44 with its key imported from raw bytes).
//   2 tlog_proof_verify: the same checkpoint in a proof with 20 hashes;
//     floor: the six verifications and the 20 node hashes.
//   3 checkpoint_verify on a note with the log's line and 3 cosignature
//     lines no key given matches (2 Ed25519, 1 ML-DSA-44); "floor": the
//     same call on the note with the log's line only (target <= 1.03).
//   4 tlog_policy_parse of a policy of 32 witnesses and 8 groups; floor: one
//     bare Ed25519 verification (target < 0.05).
//   5 what no parse of that policy can skip, against the same floor: the
//     33 keys' base64 decoded by OpenSSL and their key IDs hashed by its
//     cheapest SHA-256 calls, nothing else (a lower bound for 4).
//
// bench/report.py pairs NAME/ARG with floor_*/ARG.

// SHA256_Init and friends: OpenSSL's SHA-256 without the EVP dispatch.
#define OPENSSL_SUPPRESS_DEPRECATED
#include <benchmark/benchmark.h>
#include <openssl/evp.h>
#include <openssl/sha.h>
#include <sodium.h>

#include <string>
#include <vector>

#include "abi_client.h"
#include "batched.h"
#include "floors.h"
#include "signature_checks.h"
#include "notes.h"
#include "rfc6962_tree.h"

namespace {

using bench::Buffers;
using bench::run_batched;
using slog_client::Bytes;
using test_support::Cosigner;
using test_support::NoteKey;

enum Case { kPolicy = 1, kProof = 2, kUnusedLines = 3, kParse = 4, kKeyChecks = 5 };
constexpr uint64_t kAt = 1767225600;
const std::string kOrigin = "log.example/bench";

struct Fixture {
  NoteKey log = NoteKey::ed25519(kOrigin, 31);
  std::vector<Cosigner> witnesses;
  Bytes leaf = test_support::leaf_hash({'l'});
  std::vector<Bytes> path;
  Bytes root;
  std::string body, note, policy, proof, big_policy;

  Fixture() {
    for (int i = 0; i < 8; ++i) {
      const std::string name = "w" + std::to_string(i) + ".example";
      if (i == 4) {
        witnesses.push_back({name, test_support::MlDsa44Signer(40 + i)});
      } else {
        witnesses.push_back({name, test_support::Ed25519Signer(40 + i)});
      }
    }
    for (int i = 0; i < 20; ++i) path.push_back(test_support::sha256({static_cast<uint8_t>(i)}));
    root = bench::leftmost_root(leaf, path);
    body = test_support::checkpoint_body(kOrigin, uint64_t{1} << 20, root);
    note = test_support::sign_note(body, {&log});
    for (int i = 0; i < 5; ++i) note += witnesses[i].line(cosignature(i));
    // 3 of the Ed25519 witnesses w0-w3, w5-w7; and the ML-DSA-44 one beside another.
    policy = "log " + log.verifier_key() + "\n";
    for (int i = 0; i < 8; ++i) policy += "witness w" + std::to_string(i) + " " + witnesses[i].verifier_key() + "\n";
    policy += "group ed 3 w0 w1 w2 w3 w5 w6 w7\ngroup pq 1 w4\ngroup both all ed pq\nquorum both\n";
    proof = "c2sp.org/tlog-proof@v1\nindex 0\n";
    for (const Bytes& h : path) proof += test_support::base64(h) + "\n";
    proof += "\n" + note;
    big_policy = "log " + log.verifier_key() + "\n";
    for (int i = 0; i < 32; ++i) {
      const Cosigner w{"witness-" + std::to_string(i) + ".example", test_support::Ed25519Signer(100 + i)};
      big_policy += "witness w" + std::to_string(i) + " " + w.verifier_key() + " https://w" + std::to_string(i) + ".example/\n";
    }
    for (int g = 0; g < 8; ++g) {
      big_policy += "group g" + std::to_string(g) + " 2";
      for (int i = 0; i < 4; ++i) big_policy += " w" + std::to_string(4 * g + i);
      big_policy += "\n";
    }
    big_policy += "group all 6 g0 g1 g2 g3 g4 g5 g6 g7\nquorum all\n";
  }

  Bytes cosignature(int i) const { return witnesses[i].cosign(kOrigin, uint64_t{1} << 20, root, {}, kAt); }
};

const Fixture& fixture() {
  static const Fixture f;
  return f;
}

void BM_Policy(benchmark::State& state) {
  const Fixture& f = fixture();
  run_batched(
      state, [&] { return Buffers{slog_client::text(f.note), slog_client::text(f.policy)}; },
      [&](const Buffers& b, RustCallStatus* st) {
        RustBuffer r = uniffi_silvantrope_log_fn_func_checkpoint_verify_policy(b.a, b.b, kAt, st);
        if (st->code == 0) slog_client::free_buffer(r);
      });
}

void BM_Proof(benchmark::State& state) {
  const Fixture& f = fixture();
  run_batched(
      state,
      [&] { return Buffers{slog_client::text(f.proof), slog_client::text(f.policy), slog_client::byte_list(f.leaf)}; },
      [&](const Buffers& b, RustCallStatus* st) {
        RustBuffer r = uniffi_silvantrope_log_fn_func_tlog_proof_verify(b.a, b.b, b.c, kAt, st);
        if (st->code == 0) slog_client::free_buffer(r);
      });
}

// checkpoint_verify with the log key only, on the note with or without 3
// cosignature lines from keys not given.
void verify_log_only(benchmark::State& state, bool unused_lines) {
  const Fixture& f = fixture();
  std::string note = test_support::sign_note(f.body, {&f.log});
  if (unused_lines) {
    for (int i : {0, 1, 4}) note += f.witnesses[i].line(f.cosignature(i));
  }
  const std::vector<std::string> keys = {f.log.verifier_key()};
  run_batched(
      state, [&] { return Buffers{slog_client::text(note), slog_client::list_of_strings(keys)}; },
      [&](const Buffers& b, RustCallStatus* st) {
        RustBuffer head = uniffi_silvantrope_log_fn_func_checkpoint_verify(b.a, b.b, st);
        if (st->code == 0) slog_client::free_buffer(head);
      });
}

void BM_UnusedLines(benchmark::State& state) { verify_log_only(state, true); }
void BM_LogLineOnly(benchmark::State& state) { verify_log_only(state, false); }

void BM_Parse(benchmark::State& state) {
  const Fixture& f = fixture();
  run_batched(
      state, [&] { return Buffers{slog_client::text(f.big_policy)}; },
      [&](const Buffers& b, RustCallStatus* st) {
        RustBuffer r = uniffi_silvantrope_log_fn_func_tlog_policy_parse(b.a, st);
        if (st->code == 0) slog_client::free_buffer(r);
      });
}

// Every "name+id+base64" item of the big policy, decoded and its key ID
// hashed as SHA-256(name || "\n" || key data).
void BM_KeyChecks(benchmark::State& state) {
  const Fixture& f = fixture();
  struct Key {
    std::string name, data;
  };
  std::vector<Key> keys;
  for (size_t at = f.big_policy.find('+'); at != std::string::npos; at = f.big_policy.find('+', at)) {
    const size_t start = f.big_policy.find_last_of(" \n", at) + 1;
    const size_t second = f.big_policy.find('+', at + 1);
    const size_t end = f.big_policy.find_first_of(" \n", second);
    keys.push_back({f.big_policy.substr(start, at - start), f.big_policy.substr(second + 1, end - second - 1)});
    at = end;
  }
  if (keys.size() != 33) state.SkipWithError("expected 33 keys");
  for (auto _ : state) {
    for (const Key& k : keys) {
      uint8_t data[64], id[SHA256_DIGEST_LENGTH];
      const int n = EVP_DecodeBlock(data, reinterpret_cast<const uint8_t*>(k.data.data()), static_cast<int>(k.data.size()));
      SHA256_CTX sha;
      SHA256_Init(&sha);
      SHA256_Update(&sha, k.name.data(), k.name.size());
      SHA256_Update(&sha, "\n", 1);
      SHA256_Update(&sha, data, static_cast<size_t>(n));
      SHA256_Final(id, &sha);
      benchmark::DoNotOptimize(id);
    }
  }
}

void BM_Floor(benchmark::State& state) {
  const Fixture& f = fixture();
  if (sodium_init() < 0) state.SkipWithError("libsodium");
  std::vector<bench::SignatureCheck> checks = {bench::log_check(f.log, f.body)};
  if (state.range(0) != kParse && state.range(0) != kKeyChecks) {
    for (int i = 0; i < 5; ++i) checks.push_back(bench::cosignature_check(f.witnesses[i], kOrigin, uint64_t{1} << 20, f.root, kAt));
  }
  const size_t hashes = state.range(0) == kProof ? f.path.size() : 0;
  bench::NodeHashFloor floor;
  for (auto _ : state) {
    bool ok = true;
    for (const bench::SignatureCheck& c : checks) ok = ok && c.verify();
    if (!ok) state.SkipWithError("floor did not verify");
    benchmark::DoNotOptimize(floor.chain(f.path, hashes));
  }
}

BENCHMARK(BM_Policy)->Name("checkpoint_verify_policy")->Arg(kPolicy);
BENCHMARK(BM_Proof)->Name("tlog_proof_verify")->Arg(kProof);
BENCHMARK(BM_UnusedLines)->Name("checkpoint_verify_3_unused")->Arg(kUnusedLines);
BENCHMARK(BM_LogLineOnly)->Name("floor_checkpoint_verify_log_line")->Arg(kUnusedLines);
BENCHMARK(BM_Parse)->Name("tlog_policy_parse_32")->Arg(kParse);
BENCHMARK(BM_KeyChecks)->Name("tlog_policy_key_checks_32")->Arg(kKeyChecks);
BENCHMARK(BM_Floor)->Name("floor_verifications")->Arg(kPolicy)->Arg(kProof)->Arg(kParse)->Arg(kKeyChecks);

}  // namespace

BENCHMARK_MAIN();
