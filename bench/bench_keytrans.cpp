// SPDX-License-Identifier: Apache-2.0
// keytrans_verify_search_suite through the C ABI beside its floor, for a
// label whose greatest version is 1000 (a ladder of 20 rungs), under each
// suite (arg 1: 0xF000, 2: 0x0002, 3: 0x0001):
//
//   keytrans_search/N vs floor_keytrans/N: the proof's VRF verifications
//       (the library's verifiers called directly) plus every hash the
//       verification performs, each a bare EVP digest (or HMAC) over bytes of
//       the same length with a prefetched algorithm and one reused context;
//   vrf_verify_p256/9 vs floor_vrf_verify_ed25519/9: one ECVRF-P256
//       verification beside one ECVRF-Edwards25519 verification;
//   vrf_verify_p256/10 vs floor_ecdsa_p256_verify/10: the same ECVRF-P256
//       verification beside one prepared ECDSA-P256 verification (target:
//       at most 2.1 of them).
//
// scripts/bench.sh pairs NAME/ARG with floor_*/ARG in its table.

#include <benchmark/benchmark.h>
#include <openssl/evp.h>
#include <openssl/ec.h>
#include <openssl/hmac.h>

#include <bit>
#include <map>
#include <string>

#include "abi_client.h"
#include "batched.h"
#include "keytrans_directory.h"
#include "silvantrope-crypto/vrf.h"

namespace {

namespace kt = test_support::keytrans;
using slog_client::Bytes;

const std::string kContext = "chat.example/keytrans/v1";
const kt::Suite kSuites[] = {kt::HybridExp, kt::HybridExp, kt::Ed25519, kt::P256};

struct Fixture {
  kt::Directory dir;
  kt::Proof proof;
  Bytes encoded, root, label{'a', 'l', 'i', 'c', 'e'};
  explicit Fixture(kt::Suite suite)
      : dir(suite, kContext, kt::vrf_for(suite, 3)) {
    for (int e = 0; e < 100; ++e) {
      for (int v = 0; v < (e == 99 ? 11 : 10); ++v) dir.set(label, Bytes(48, uint8_t(v)));
      for (int u = 0; u < 10; ++u) dir.set({'u', uint8_t(e), uint8_t(u)}, Bytes(48, 1));
      dir.publish(1700000000000 + e);
    }
    proof = dir.search(label);
    encoded = kt::encode(proof);
    root = dir.root();
  }
};

const Fixture& fx(int arg) {
  static std::map<int, Fixture> all;
  if (!all.count(arg)) all.emplace(arg, Fixture(kSuites[arg]));
  return all.at(arg);
}

void BM_Search(benchmark::State& state) {
  const Fixture& f = fx(static_cast<int>(state.range(0)));
  const uint16_t suite = kSuites[state.range(0)];
  bench::run_batched(
      state,
      [&] {
        return bench::Buffers{slog_client::text(kContext), slog_client::byte_list(f.dir.vrf().public_key),
                              slog_client::byte_list(f.root), slog_client::byte_list(f.label)};
      },
      [&](const bench::Buffers& b, RustCallStatus* st) {
        RustBuffer r = uniffi_silvantrope_log_fn_func_keytrans_verify_search_suite(
            suite, b.a, b.b, b.c, b.d, slog_client::byte_list(f.encoded), st);
        if (st->code == 0) slog_client::free_buffer(r);
      });
}

// Parent hashes the log-tree evaluation computes for leaf `index` of [start, end).
size_t log_parents(uint64_t start, uint64_t end, uint64_t index) {
  const uint64_t n = end - start;
  if (index < start || index >= end) return std::popcount(n) - 1;
  if (n == 1) return 0;
  const uint64_t k = std::bit_floor(n - 1);
  return 1 + log_parents(start, start + k, index) + log_parents(start + k, end, index);
}

const silvantrope::crypto::VrfSuite& library_vrf(kt::Suite s) {
  return s == kt::P256 ? silvantrope::crypto::p256_vrf() : silvantrope::crypto::edwards25519_vrf();
}

void BM_Floor(benchmark::State& state) {
  const kt::Suite suite = kSuites[state.range(0)];
  const Fixture& f = fx(static_cast<int>(state.range(0)));
  const size_t nc = suite == kt::HybridExp ? 64 : 32;
  std::vector<Bytes> alphas;
  size_t hashes65 = log_parents(0, f.proof.tree_size, f.proof.entry_index), leaf_hashes = 0;
  for (const kt::Step& s : f.proof.ladder) {
    Bytes alpha{uint8_t(f.label.size())};
    alpha.insert(alpha.end(), f.label.begin(), f.label.end());
    for (int sh = 24; sh >= 0; sh -= 8) alpha.push_back(uint8_t(s.version >> sh));
    alphas.push_back(alpha);
    hashes65 += s.prefix.elements.size();
    leaf_hashes += s.prefix.result_type != kt::NonInclusionParent;
  }
  EVP_MD* sha256 = EVP_MD_fetch(nullptr, "SHA2-256", nullptr);
  EVP_MD* sha3 = EVP_MD_fetch(nullptr, "SHA3-512", nullptr);
  EVP_MD_CTX* ctx = EVP_MD_CTX_new();
  uint8_t buf[1 + 32 + 64 + 256] = {}, out[64];
  auto digest = [&](const EVP_MD* md, size_t n) {
    EVP_DigestInit_ex2(ctx, md, nullptr);
    EVP_DigestUpdate(ctx, buf, n);
    EVP_DigestFinal_ex(ctx, out, nullptr);
  };
  const size_t committed = 9 + f.label.size() + f.proof.revealed.value.size();
  const Bytes& key = f.dir.vrf().public_key;
  for (auto _ : state) {
    for (size_t i = 0; i < alphas.size(); ++i) {
      auto r = library_vrf(suite).verify(key, alphas[i], f.proof.ladder[i].vrf_proof);
      if (!r || !r->valid) state.SkipWithError("vrf did not verify");
    }
    digest(sha256, 40);  // the log leaf
    for (size_t i = 0; i < hashes65; ++i) digest(sha256, 65);
    for (size_t i = 0; i < leaf_hashes; ++i) digest(sha256, 33 + nc);
    if (suite == kt::HybridExp) {
      digest(sha3, 8 + kContext.size() + 32 + committed);
    } else {
      unsigned len = 32;
      HMAC(EVP_sha256(), buf, 16, buf, 16 + committed, out, &len);
    }
    benchmark::DoNotOptimize(out);
  }
  EVP_MD_CTX_free(ctx);
  EVP_MD_free(sha3);
  EVP_MD_free(sha256);
}

void BM_Vrf(benchmark::State& state, kt::Suite suite) {
  const Fixture& f = fx(suite == kt::P256 ? 3 : 2);
  Bytes alpha{uint8_t(f.label.size())};
  alpha.insert(alpha.end(), f.label.begin(), f.label.end());
  for (int i = 0; i < 4; ++i) alpha.push_back(0);
  for (auto _ : state) {
    auto r = library_vrf(suite).verify(f.dir.vrf().public_key, alpha, f.proof.ladder[0].vrf_proof);
    if (!r || !r->valid) state.SkipWithError("vrf did not verify");
  }
}

// One ECDSA-P256 verification of a SHA-256 digest with everything prepared
// (key imported, context initialised once): what ECVRF-P256 is measured by.
void BM_Ecdsa(benchmark::State& state) {
  EVP_PKEY* key = EVP_EC_gen("P-256");
  EVP_PKEY_CTX* sign = EVP_PKEY_CTX_new(key, nullptr);
  uint8_t digest[32] = {1, 2, 3}, sig[80];
  size_t sig_len = sizeof sig;
  if (key == nullptr || EVP_PKEY_sign_init(sign) != 1 || EVP_PKEY_sign(sign, sig, &sig_len, digest, 32) != 1) {
    state.SkipWithError("no ECDSA key");
  }
  EVP_PKEY_CTX* verify = EVP_PKEY_CTX_new(key, nullptr);
  EVP_PKEY_verify_init(verify);
  for (auto _ : state) {
    if (EVP_PKEY_verify(verify, sig, sig_len, digest, 32) != 1) state.SkipWithError("ECDSA did not verify");
  }
  EVP_PKEY_CTX_free(verify);
  EVP_PKEY_CTX_free(sign);
  EVP_PKEY_free(key);
}

BENCHMARK(BM_Search)->Name("keytrans_search")->Arg(1)->Arg(2)->Arg(3);
BENCHMARK(BM_Floor)->Name("floor_keytrans")->Arg(1)->Arg(2)->Arg(3);
BENCHMARK_CAPTURE(BM_Vrf, p256, kt::P256)->Name("vrf_verify_p256")->Arg(9);
BENCHMARK_CAPTURE(BM_Vrf, ed25519, kt::Ed25519)->Name("floor_vrf_verify_ed25519")->Arg(9);
BENCHMARK_CAPTURE(BM_Vrf, p256, kt::P256)->Name("vrf_verify_p256")->Arg(10);
BENCHMARK(BM_Ecdsa)->Name("floor_ecdsa_p256_verify")->Arg(10);

}  // namespace

BENCHMARK_MAIN();
