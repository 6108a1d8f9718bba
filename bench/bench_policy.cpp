// SPDX-License-Identifier: Apache-2.0
// signed_policy_verify through the C ABI beside its floor: the bare OpenSSL
// verifications of the envelope's signature components over the same framed
// canonical record, each key imported from its raw bytes as a verifier must.
// Arguments are the signing scheme's type byte: 0x02 (Ed25519 + ML-DSA-65)
// and 0x10 (ML-DSA-87 alone).
//
// scripts/bench.sh pairs NAME/ARG with floor_*/ARG in its table.

#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include "abi_client.h"
#include "batched.h"
#include "floors.h"
#include "policies.h"

namespace {

using slog_client::Bytes;
using test_support::SchemeType;

struct Fixture {
  test_support::PolicyFields fields = test_support::PolicyFields::keytrans_p256();
  test_support::SchemeSigner signer;
  Bytes envelope;
  explicit Fixture(SchemeType type) : signer(type, 31) { envelope = test_support::signed_policy(fields, signer); }
};

const Fixture& fixture(int64_t type) {
  static const Fixture composite(SchemeType::EdMlDsa65), cnsa(SchemeType::MlDsa87);
  return type == 0x02 ? composite : cnsa;
}

void BM_SignedPolicyVerify(benchmark::State& state) {
  const Fixture& f = fixture(state.range(0));
  bench::run_batched(
      state, [&] { return bench::Buffers{slog_client::byte_list(f.envelope)}; },
      [&](const bench::Buffers& b, RustCallStatus* st) {
        RustBuffer posture = uniffi_silvantrope_log_fn_func_signed_policy_verify(b.a, st);
        if (st->code == 0) slog_client::free_buffer(posture);
      });
}

void BM_Floor(benchmark::State& state) {
  const Fixture& f = fixture(state.range(0));
  const Bytes framed = test_support::frame_message(test_support::policy_label(f.fields),
                                                   test_support::canonical_policy_record(f.fields));
  const auto parts = f.signer.sign_components(test_support::policy_label(f.fields),
                                              test_support::canonical_policy_record(f.fields));
  const auto& pub = f.signer.public_components();
  const bool composite = state.range(0) == 0x02;
  for (auto _ : state) {
    const bool ok = (!composite || bench::bare_openssl("ED25519", pub.classical, parts.classical, framed)) &&
                    bench::bare_openssl(composite ? "ML-DSA-65" : "ML-DSA-87", pub.mldsa, parts.mldsa, framed);
    if (!ok) state.SkipWithError("floor did not verify");
  }
}

BENCHMARK(BM_SignedPolicyVerify)->Name("signed_policy_verify")->Arg(0x02)->Arg(0x10);
BENCHMARK(BM_Floor)->Name("floor_verifications")->Arg(0x02)->Arg(0x10);

}  // namespace

BENCHMARK_MAIN();
