// SPDX-License-Identifier: Apache-2.0
// coniks_verify_lookup through the C ABI beside its floor, and the ECVRF
// verification beside one libsodium Ed25519 signature verification.
//
//   coniks_verify_lookup/1  vs floor/1: one bare VRF verification (the
//       library's verifier called directly), the 514 context-bound SHA3-512
//       hashes (257 for the empty table, 256 for the path, 1 leaf) and one
//       commitment, each a fresh EVP digest over the same bytes;
//   vrf_verify/2 vs floor/2: one libsodium Ed25519 signature verification
//       (crypto_sign_verify_detached) of a 100-byte message; the target is
//       at most 2.3 of them.
//   vrf_verify_p256/3: one ECVRF-P256-SHA256-TAI verification, to set
//       beside vrf_verify/2 (no floor).
//
// scripts/bench.sh pairs NAME/ARG with floor_*/ARG in its table.

#include <benchmark/benchmark.h>
#include <openssl/evp.h>
#include <sodium.h>

#include <string>
#include <vector>

#include "abi_client.h"
#include "batched.h"
#include "coniks_tree.h"
#include "silvantrope-crypto/vrf.h"
#include "vrf_p256_prover.h"
#include "vrf_prover.h"

namespace {

using bench::Buffers;
using bench::run_batched;
using slog_client::Bytes;

const std::string kNs = "chat.silvantrope.example";

struct Fixture {
  test_support::ConiksDirectory dir{kNs, test_support::VrfProver::from_seed(7)};
  Bytes identity{'a', 'l', 'i', 'c', 'e'};
  Bytes proof, root, vrf_proof, alpha;
  Fixture() {
    for (uint8_t i = 0; i < 32; ++i) dir.put({'u', i}, Bytes(32, i));
    dir.put(identity, Bytes(1200, 0x42));
    proof = dir.lookup_proof(identity);
    root = dir.root();
    vrf_proof.assign(proof.begin() + 5, proof.begin() + 85);
    alpha = {0, 0, 0, static_cast<uint8_t>(kNs.size())};
    alpha.insert(alpha.end(), kNs.begin(), kNs.end());
    alpha.insert(alpha.end(), identity.begin(), identity.end());
  }
};

const Fixture& fx() {
  static const Fixture f;
  return f;
}

void BM_ConiksLookup(benchmark::State& state) {
  const Fixture& f = fx();
  const Bytes key = f.dir.vrf_public();
  run_batched(
      state,
      [&] {
        Buffers b{slog_client::text(kNs), slog_client::byte_list(key), slog_client::byte_list(f.root),
                  slog_client::byte_list(f.identity)};
        return b;
      },
      [&](const Buffers& b, RustCallStatus* st) {
        // The fifth argument is built here: Buffers holds four.
        RustBuffer value = uniffi_silvantrope_log_fn_func_coniks_verify_lookup(
            b.a, b.b, b.c, b.d, slog_client::byte_list(f.proof), st);
        if (st->code == 0) slog_client::free_buffer(value);
      });
}

void BM_VrfVerify(benchmark::State& state) {
  const Fixture& f = fx();
  const Bytes key = f.dir.vrf_public();
  for (auto _ : state) {
    auto r = silvantrope::crypto::edwards25519_vrf().verify(key, f.alpha, f.vrf_proof);
    if (!r || !r->valid) state.SkipWithError("vrf did not verify");
  }
}

void BM_P256VrfVerify(benchmark::State& state) {
  const auto prover = test_support::P256VrfProver::from_seed(7);
  const Bytes key = prover.public_key(), proof = prover.prove(fx().alpha);
  for (auto _ : state) {
    auto r = silvantrope::crypto::p256_vrf().verify(key, fx().alpha, proof);
    if (!r || !r->valid) state.SkipWithError("vrf did not verify");
  }
}

// A context-bound SHA3-512 of `n` message bytes, from scratch each time.
void context_hash(EVP_MD_CTX* ctx, const EVP_MD* md, const std::string& label, const uint8_t* msg, size_t n,
                  uint8_t* out) {
  uint8_t prefix[8];
  const uint64_t len = label.size();
  for (int i = 0; i < 8; ++i) prefix[i] = static_cast<uint8_t>(len >> (8 * (7 - i)));
  EVP_DigestInit_ex2(ctx, md, nullptr);
  EVP_DigestUpdate(ctx, prefix, 8);
  EVP_DigestUpdate(ctx, label.data(), label.size());
  EVP_DigestUpdate(ctx, msg, n);
  EVP_DigestFinal_ex(ctx, out, nullptr);
}

void BM_Floor(benchmark::State& state) {
  const Fixture& f = fx();
  if (sodium_init() < 0) state.SkipWithError("libsodium");
  if (state.range(0) == 1) {
    const Bytes key = f.dir.vrf_public();
    EVP_MD* md = EVP_MD_fetch(nullptr, "SHA3-512", nullptr);
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    const std::string node = kNs + "/coniks-node/v1", leaf = kNs + "/coniks-leaf/v1",
                      commit = kNs + "/coniks-commitment/v1";
    uint8_t buf[128 + 64] = {}, out[64];
    Bytes committed(32 + 1200, 0x42);  // the opening, then the value
    std::fill(committed.begin(), committed.begin() + 32, 0x11);
    for (auto _ : state) {
      auto r = silvantrope::crypto::edwards25519_vrf().verify(key, f.alpha, f.vrf_proof);
      if (!r || !r->valid) state.SkipWithError("vrf did not verify");
      context_hash(ctx, md, commit, committed.data(), committed.size(), out);
      context_hash(ctx, md, leaf, buf, 97, out);
      for (int i = 0; i < 257 + 256; ++i) {
        context_hash(ctx, md, node, buf, 128, buf + (i % 2) * 64);
      }
      benchmark::DoNotOptimize(buf);
    }
    EVP_MD_CTX_free(ctx);
    EVP_MD_free(md);
    return;
  }
  unsigned char pk[crypto_sign_PUBLICKEYBYTES], sk[crypto_sign_SECRETKEYBYTES], sig[crypto_sign_BYTES];
  unsigned char message[100];
  randombytes_buf(message, sizeof message);
  crypto_sign_keypair(pk, sk);
  crypto_sign_detached(sig, nullptr, message, sizeof message, sk);
  for (auto _ : state) {
    if (crypto_sign_verify_detached(sig, message, sizeof message, pk) != 0) {
      state.SkipWithError("signature did not verify");
    }
  }
}

BENCHMARK(BM_ConiksLookup)->Name("coniks_verify_lookup")->Arg(1);
BENCHMARK(BM_VrfVerify)->Name("vrf_verify")->Arg(2);
BENCHMARK(BM_P256VrfVerify)->Name("vrf_verify_p256")->Arg(3);
BENCHMARK(BM_Floor)->Name("floor_primitives")->Arg(1)->Arg(2);

}  // namespace

BENCHMARK_MAIN();
