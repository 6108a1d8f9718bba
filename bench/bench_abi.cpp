// SPDX-License-Identifier: Apache-2.0
// The whole foreign-caller sequence, timed: each argument copied into a
// library buffer with rustbuffer_from_bytes, the call, and the result (or
// error) buffer freed, as a generated binding does it. Beside each, its
// floor: the primitive work alone (bare EVP digests with a prefetched
// algorithm and one reused context, or one libsodium verification).
//
//   abi_inclusion/1, /20 vs floor_abi/1, /20: verify_inclusion with a proof of
//       1 and 20 elements against 1 and 20 node hashes (three buffers);
//   abi_inclusion_bad_root/0 vs floor_abi/0: the call failing on a 31-byte
//       root against the buffer handling it cannot avoid: its three
//       arguments and its error message copied into fresh malloc storage
//       and freed (the target, 60 ns, is on the time itself);
//   abi_entry_hash/3 vs floor_abi/3: key_history_v1_entry_hash (four buffers)
//       against one SHA3-512 of the context-prefixed canonical bytes;
//   abi_commitment/4 vs floor_abi/4: verify_commitment (four buffers) against
//       one SHA3-512 of the context-prefixed opening and value;
//   abi_checkpoint_parse/5: checkpoint_parse (one buffer, no floor);
//   abi_checkpoint_verify/6 vs floor_abi/6: checkpoint_verify with one
//       Ed25519 signature against one libsodium verification of the note;
//   abi_inclusion_threads/1 at 1 and 2 threads: the cheapest export's
//       throughput (items per second) on one and on two threads.
//
// scripts/bench.sh prints the table.

#include <benchmark/benchmark.h>
#include <openssl/evp.h>
#include <sodium.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "abi_client.h"
#include "floors.h"
#include "notes.h"
#include "rfc6962_tree.h"

namespace {

using slog_client::Bytes;
using slog_client::Encoder;

// What a binding does per argument: copy the caller's bytes into a buffer.
RustBuffer from_bytes(const Bytes& b) {
  RustCallStatus st{};
  return ffi_silvantrope_log_rustbuffer_from_bytes(ForeignBytes{static_cast<int32_t>(b.size()), b.data()}, &st);
}

// Frees what a call hands back: its result and, on failure, its error.
void settle(benchmark::State& state, RustCallStatus& st, RustBuffer result, bool expect_ok = true) {
  RustCallStatus free_st{};
  if (result.data != nullptr) ffi_silvantrope_log_rustbuffer_free(result, &free_st);
  if (st.code != 0) ffi_silvantrope_log_rustbuffer_free(st.error_buf, &free_st);
  if ((st.code == 0) != expect_ok) state.SkipWithError("unexpected outcome");
}

std::vector<Bytes> proof_of(int length) {
  std::vector<Bytes> proof;
  for (int i = 0; i < length; ++i) proof.push_back(test_support::sha256({static_cast<uint8_t>(i)}));
  return proof;
}

struct Inclusion {
  Bytes leaf, proof, root;
  uint64_t size;
  explicit Inclusion(int length) {
    const Bytes leaf_hash = test_support::leaf_hash({1, 2, 3});
    const std::vector<Bytes> path = proof_of(length);
    Encoder e;
    e.i32(length);
    for (const Bytes& p : path) e.byte_list(p);
    leaf = Encoder().byte_list(leaf_hash).bytes();
    proof = e.bytes();
    root = Encoder().byte_list(bench::leftmost_root(leaf_hash, path)).bytes();
    size = uint64_t{1} << length;
  }
};

void BM_Inclusion(benchmark::State& state) {
  const Inclusion in(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    RustCallStatus st{};
    uniffi_silvantrope_log_fn_func_verify_inclusion(0, in.size, from_bytes(in.leaf), from_bytes(in.proof),
                                                    from_bytes(in.root), &st);
    settle(state, st, RustBuffer{});
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_InclusionBadRoot(benchmark::State& state) {
  const Inclusion in(1);
  const Bytes short_root = Encoder().byte_list(Bytes(31, 7)).bytes();
  for (auto _ : state) {
    RustCallStatus st{};
    uniffi_silvantrope_log_fn_func_verify_inclusion(0, in.size, from_bytes(in.leaf), from_bytes(in.proof),
                                                    from_bytes(short_root), &st);
    settle(state, st, RustBuffer{}, false);
  }
}

// The failing call's four buffers (three arguments and the lowered error:
// variant, length, message) made with plain malloc and memcpy, then freed.
void BM_BufferFloor(benchmark::State& state) {
  const Inclusion in(1);
  const Bytes short_root = Encoder().byte_list(Bytes(31, 7)).bytes();
  const Bytes error(8 + std::string_view("invalid hash length: got 31 bytes, want 32").size(), 1);
  const Bytes* parts[] = {&in.leaf, &in.proof, &short_root, &error};
  for (auto _ : state) {
    void* made[4];
    for (int i = 0; i < 4; ++i) {
      made[i] = std::malloc(parts[i]->size());
      std::memcpy(made[i], parts[i]->data(), parts[i]->size());
      benchmark::DoNotOptimize(made[i]);
    }
    for (void* p : made) std::free(p);
  }
}

const Bytes kKey(32, 0x11), kPq(1184, 0x22), kSigning(32, 0x33), kPrev(64, 0x44);

void BM_EntryHash(benchmark::State& state) {
  const Bytes x = Encoder().byte_list(kKey).bytes(), pq = Encoder().byte_list(kPq).bytes(),
              signing = Encoder().byte_list(kSigning).bytes(), prev = Encoder().u8(1).byte_list(kPrev).bytes();
  for (auto _ : state) {
    RustCallStatus st{};
    RustBuffer r = uniffi_silvantrope_log_fn_func_key_history_v1_entry_hash(
        7, 1700000000000, from_bytes(x), from_bytes(pq), from_bytes(signing), from_bytes(prev), &st);
    settle(state, st, r);
  }
}

const std::string kCommitContext = "chat.example/commitment/v1";

// SHA3-512(BE64(len context) || context || message).
Bytes bound_message(const std::string& context, const Bytes& message) {
  Bytes m;
  for (int i = 7; i >= 0; --i) m.push_back(static_cast<uint8_t>(uint64_t{context.size()} >> (8 * i)));
  m.insert(m.end(), context.begin(), context.end());
  m.insert(m.end(), message.begin(), message.end());
  return m;
}

Bytes sha3_512(const Bytes& m) {
  Bytes out(64);
  EVP_Digest(m.data(), m.size(), out.data(), nullptr, EVP_sha3_512(), nullptr);
  return out;
}

void BM_Commitment(benchmark::State& state) {
  const Bytes opening(32, 9), value = {'v', 'a', 'l', 'u', 'e'};
  Bytes opened = opening;
  opened.insert(opened.end(), value.begin(), value.end());
  const Bytes commitment = sha3_512(bound_message(kCommitContext, opened));
  const Bytes context(kCommitContext.begin(), kCommitContext.end()), c = Encoder().byte_list(commitment).bytes(),
              v = Encoder().byte_list(value).bytes(), o = Encoder().byte_list(opening).bytes();
  for (auto _ : state) {
    RustCallStatus st{};
    uniffi_silvantrope_log_fn_func_verify_commitment(from_bytes(context), from_bytes(c), from_bytes(v),
                                                     from_bytes(o), &st);
    settle(state, st, RustBuffer{});
  }
}

struct Note {
  test_support::NoteKey key = test_support::NoteKey::ed25519("log.example/abi", 31);
  std::string body = test_support::checkpoint_body("log.example/abi", 1000, Bytes(32, 5));
  std::string note = test_support::sign_note(body, {&key});
  Bytes keys;
  Note() {
    Encoder e;
    e.i32(1).string(key.verifier_key());
    keys = e.bytes();
  }
};

const Note& note() {
  static const Note n;
  return n;
}

void BM_CheckpointParse(benchmark::State& state) {
  const Bytes body(note().body.begin(), note().body.end());
  for (auto _ : state) {
    RustCallStatus st{};
    settle(state, st, uniffi_silvantrope_log_fn_func_checkpoint_parse(from_bytes(body), &st));
  }
}

void BM_CheckpointVerify(benchmark::State& state) {
  const Bytes text(note().note.begin(), note().note.end());
  for (auto _ : state) {
    RustCallStatus st{};
    settle(state, st, uniffi_silvantrope_log_fn_func_checkpoint_verify(from_bytes(text), from_bytes(note().keys), &st));
  }
}

void BM_Floor(benchmark::State& state) {
  const int arg = static_cast<int>(state.range(0));
  if (arg == 1 || arg == 20) {
    const std::vector<Bytes> proof = proof_of(arg);
    bench::NodeHashFloor floor;
    for (auto _ : state) benchmark::DoNotOptimize(floor.chain(proof, proof.size()));
    return;
  }
  if (arg == 6) {
    const Note& n = note();
    const Bytes sig = n.key.sign(n.body), key_data = n.key.key_data(), pub(key_data.begin() + 1, key_data.end());
    if (sodium_init() < 0) state.SkipWithError("libsodium");
    for (auto _ : state) {
      benchmark::DoNotOptimize(crypto_sign_verify_detached(
          sig.data(), reinterpret_cast<const uint8_t*>(n.body.data()), n.body.size(), pub.data()));
    }
    return;
  }
  // One SHA3-512 over the bytes the export hashes.
  Bytes message;
  if (arg == 3) {
    Encoder canonical;
    const uint64_t ts_ms = 1700000000000;  // seq 7, as the export is called
    canonical.i32(1).i32(0).i32(7).i32(static_cast<int32_t>(ts_ms >> 32)).i32(static_cast<int32_t>(ts_ms));
    for (const Bytes* f : {&kKey, &kPq, &kSigning, &kPrev}) canonical.byte_list(*f);
    message = bound_message("tarnwyk/key-history/v1", canonical.bytes());
  } else {
    Bytes opened(32, 9);
    opened.insert(opened.end(), {'v', 'a', 'l', 'u', 'e'});
    message = bound_message(kCommitContext, opened);
  }
  EVP_MD* md = EVP_MD_fetch(nullptr, "SHA3-512", nullptr);
  EVP_MD_CTX* ctx = EVP_MD_CTX_new();
  uint8_t out[64];
  for (auto _ : state) {
    EVP_DigestInit_ex2(ctx, md, nullptr);
    EVP_DigestUpdate(ctx, message.data(), message.size());
    EVP_DigestFinal_ex(ctx, out, nullptr);
    benchmark::DoNotOptimize(out);
  }
  EVP_MD_CTX_free(ctx);
  EVP_MD_free(md);
}

BENCHMARK(BM_Inclusion)->Name("abi_inclusion")->Arg(1)->Arg(20);
BENCHMARK(BM_InclusionBadRoot)->Name("abi_inclusion_bad_root")->Arg(0);
BENCHMARK(BM_BufferFloor)->Name("floor_abi")->Arg(0);
BENCHMARK(BM_EntryHash)->Name("abi_entry_hash")->Arg(3);
BENCHMARK(BM_Commitment)->Name("abi_commitment")->Arg(4);
BENCHMARK(BM_CheckpointParse)->Name("abi_checkpoint_parse")->Arg(5);
BENCHMARK(BM_CheckpointVerify)->Name("abi_checkpoint_verify")->Arg(6);
BENCHMARK(BM_Floor)->Name("floor_abi")->Arg(1)->Arg(20)->Arg(3)->Arg(4)->Arg(6);
BENCHMARK(BM_Inclusion)->Name("abi_inclusion_threads")->Arg(1)->Threads(1)->Threads(2)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
