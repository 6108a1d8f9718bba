// SPDX-License-Identifier: Apache-2.0
// C2SP tlog-tiles, each beside its floor, in one binary:
//   1 tlog_tiles_verify_inclusion for entry 123,456,789 of a log of 10^9
//     entries (a log key and two witnesses, both required), through the C
//     ABI with the tiles as fetched; floor: the three bare Ed25519
//     verifications and exactly the node hashes the proof needs (each
//     subtree hash from its tile, then the path to the root), with plain
//     OpenSSL calls in a loop (target <= 1.1).
//   2 The audit slog tiles audit runs (tools/slog/mirror_audit.h) over a
//     generated mirror of SLOG_BENCH_TILES_ENTRIES entries of 100 bytes
//     (default 10^6; the figure is taken at 10^7), on 1 and on 2
//     threads, files in the page cache; floor: the same leaf and node hashes
//     from the same bundles in memory, on one thread. Targets: throughput at
//     least 0.85x the floor on one thread and 1.8x on two, i.e. a time ratio
//     of at most 1.18 and 0.56.
//
// bench/report.py pairs NAME/ARG with floor_*/ARG.

#include <benchmark/benchmark.h>
#include <openssl/evp.h>
#include <sodium.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "floors.h"
#include "signature_checks.h"
#include "mirror_audit.h"
#include "notes.h"
#include "silvantrope_log.hpp"
#include "tile_mirror.h"

namespace {

namespace sl = silvantrope_log;
using sl::Bytes;
using test_support::Cosigner;
using test_support::NoteKey;
using bench::Sha256;

constexpr uint64_t kSize = 1000000000, kIndex = 123456789, kAt = 1767225600;
const std::string kOrigin = "log.example/tiles";

// The root of a perfect tree over n (a power of two) consecutive hashes, in place.
void fold(Sha256& h, uint8_t* hashes, size_t n) {
  for (; n > 1; n /= 2) {
    for (size_t i = 0; i < n / 2; ++i) h.node(hashes + 64 * i, hashes + 64 * i + 32, hashes + 32 * i);
  }
}

// --- 1: one client call against a log of 10^9 entries ------------------------

// [lo, hi) ranges of the subtrees whose hashes form the RFC 6962 inclusion
// proof of leaf m in [lo, hi), leaf sibling first.
void proof_ranges(uint64_t m, uint64_t lo, uint64_t hi, std::vector<std::pair<uint64_t, uint64_t>>& out) {
  if (hi - lo <= 1) return;
  uint64_t k = 1;
  while (2 * k < hi - lo) k *= 2;
  if (m < lo + k) {
    proof_ranges(m, lo, lo + k, out);
    out.push_back({lo + k, hi});
  } else {
    proof_ranges(m, lo + k, hi, out);
    out.push_back({lo, lo + k});
  }
}

// Node hashes needed for MTH([lo, hi)) from tiles: each maximal aligned
// complete subtree of height h costs 2^(h mod 8) - 1 hashes from its tile,
// and the subtrees are joined by one hash fewer than there are.
size_t range_cost(uint64_t lo, uint64_t hi) {
  size_t cost = 0, parts = 0;
  while (lo < hi) {
    unsigned h = 0;
    while (h < 63 && lo % (uint64_t{2} << h) == 0 && lo + (uint64_t{2} << h) <= hi) ++h;
    cost += (size_t{1} << (h % 8)) - 1;
    ++parts;
    lo += uint64_t{1} << h;
  }
  return cost + parts - 1;
}

Bytes generated_hash(uint64_t seed) {
  Bytes in(8);
  for (int i = 0; i < 8; ++i) in[i] = static_cast<uint8_t>(seed >> (8 * i));
  return test_support::sha256(in);
}

// The RFC 9162 section 2.1.3.2 root of an inclusion proof.
Bytes root_from_proof(uint64_t index, uint64_t size, Bytes r, const std::vector<Bytes>& proof) {
  uint64_t fn = index, sn = size - 1;
  Sha256 h;
  for (const Bytes& p : proof) {
    if ((fn & 1) == 1 || fn == sn) {
      h.node(p.data(), r.data(), r.data());
      while ((fn & 1) == 0 && fn != 0) fn >>= 1, sn >>= 1;
    } else {
      h.node(r.data(), p.data(), r.data());
    }
    fn >>= 1, sn >>= 1;
  }
  return r;
}

struct Client {
  NoteKey log = NoteKey::ed25519(kOrigin, 61);
  std::vector<Cosigner> witnesses{{"w1.example", test_support::Ed25519Signer(62)},
                                  {"w2.example", test_support::Ed25519Signer(63)}};
  std::vector<sl::Tile> tiles;
  Bytes leaf, root;
  std::string body, note, policy;
  size_t node_hashes = 0;

  Client() {
    const auto paths = sl::tlog_tiles_for_inclusion(kSize, kIndex);
    uint64_t seed = 0;
    for (const std::string& p : paths.value()) {
      const size_t dot = p.find(".p/");
      const size_t width = dot == std::string::npos ? 256 : std::stoul(p.substr(dot + 3));
      Bytes data;
      for (size_t i = 0; i < width; ++i) {
        const Bytes h = generated_hash(++seed);
        data.insert(data.end(), h.begin(), h.end());
      }
      if (p == slog::mirror_path(0, kIndex / 256, 256)) {
        leaf.assign(data.begin() + 32 * (kIndex % 256), data.begin() + 32 * (kIndex % 256 + 1));
      }
      tiles.push_back({p, data});
    }
    const auto proof = sl::tlog_tiles_inclusion_proof(kSize, kIndex, tiles);
    root = root_from_proof(kIndex, kSize, leaf, proof.value());
    std::vector<std::pair<uint64_t, uint64_t>> ranges;
    proof_ranges(kIndex, 0, kSize, ranges);
    for (const auto& [lo, hi] : ranges) node_hashes += range_cost(lo, hi) + 1;  // + 1: the path step
    body = test_support::checkpoint_body(kOrigin, kSize, root);
    note = test_support::sign_note(body, {&log});
    policy = "log " + log.verifier_key() + "\n";
    for (const Cosigner& w : witnesses) {
      note += w.line(w.cosign(kOrigin, kSize, root, {}, kAt));
      policy += "witness " + w.name + " " + w.verifier_key() + "\n";
    }
    policy += "group both all w1.example w2.example\nquorum both\n";
  }
};

const Client& client() {
  static const Client c;
  return c;
}

void BM_ClientInclusion(benchmark::State& state) {
  const Client& c = client();
  if (!sl::tlog_tiles_verify_inclusion(c.note, c.policy, kIndex, c.leaf, c.tiles, kAt)) {
    state.SkipWithError("the fixture does not verify");
  }
  // The foreign caller's whole sequence: argument buffers made, the call, the result freed.
  for (auto _ : state) {
    benchmark::DoNotOptimize(sl::tlog_tiles_verify_inclusion(c.note, c.policy, kIndex, c.leaf, c.tiles, kAt));
  }
}

void BM_ClientFloor(benchmark::State& state) {
  const Client& c = client();
  if (sodium_init() < 0) state.SkipWithError("libsodium");
  std::vector<bench::SignatureCheck> checks = {bench::log_check(c.log, c.body)};
  for (const Cosigner& w : c.witnesses) checks.push_back(bench::cosignature_check(w, kOrigin, kSize, c.root, kAt));
  std::vector<Bytes> hashes(c.node_hashes, Bytes(32, 7));
  bench::NodeHashFloor floor;
  for (auto _ : state) {
    bool ok = true;
    for (const bench::SignatureCheck& k : checks) ok = ok && k.verify();
    if (!ok) state.SkipWithError("floor did not verify");
    benchmark::DoNotOptimize(floor.chain(hashes, hashes.size()));
  }
  state.counters["node_hashes"] = static_cast<double>(c.node_hashes);
}

// --- 2: the audit of a whole mirror ------------------------------------------

uint64_t audit_entries() {
  const char* v = std::getenv("SLOG_BENCH_TILES_ENTRIES");
  return v != nullptr ? std::strtoull(v, nullptr, 10) : 1000000;
}

// A generated mirror, written once under the temporary directory and kept.
const std::string& mirror_dir() {
  static const std::string dir = [] {
    const uint64_t n = audit_entries();
    const std::string d = (std::filesystem::temp_directory_path() / ("silvantrope-bench-tiles-" + std::to_string(n))).string();
    if (!std::filesystem::exists(d + "/complete")) {
      std::vector<Bytes> entries;
      entries.reserve(n);
      for (uint64_t i = 0; i < n; ++i) entries.push_back(test_support::generated_entry(i));
      const test_support::TileMirror m = test_support::make_mirror(entries);
      test_support::write_mirror(m, d, "unused\n");
      std::ofstream(d + "/complete") << n << "\n";
    }
    return d;
  }();
  return dir;
}

void BM_Audit(benchmark::State& state) {
  const uint64_t n = audit_entries();
  const std::string& dir = mirror_dir();
  slog::audit_mirror(dir, n, 1, UINT64_MAX, [](uint64_t, uint64_t) {});  // the page cache warmed
  for (auto _ : state) {
    const slog::MirrorAudit a = slog::audit_mirror(dir, n, static_cast<unsigned>(state.range(0)), UINT64_MAX, [](uint64_t, uint64_t) {});
    if (!a.ok || a.entries != n) state.SkipWithError(("audit failed: " + a.error).c_str());
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * n));
}

// Every bundle's entries hashed as leaves, every full tile at every level
// folded into its parent's hash: the audit's hashing, from memory, in a loop.
void BM_AuditFloor(benchmark::State& state) {
  const uint64_t n = audit_entries();
  const std::string& dir = mirror_dir();
  std::vector<Bytes> bundles;
  for (uint64_t t = 0; t * 256 < n; ++t) {
    const unsigned w = slog::mirror_width(n, 0, t);
    std::ifstream in(dir + "/" + slog::mirror_path(-1, t, w), std::ios::binary);
    bundles.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  Sha256 h;
  std::vector<uint8_t> level(32 * ((n + 255) / 256 * 256)), tile(32 * 256);
  for (auto _ : state) {
    size_t count = 0;
    for (const Bytes& b : bundles) {
      for (size_t at = 0; at + 2 <= b.size(); count++) {
        const size_t len = size_t{b[at]} << 8 | b[at + 1];
        h.leaf(b.data() + at + 2, len, level.data() + 32 * count);
        at += 2 + len;
      }
    }
    // Each full tile of each level becomes one hash of the level above.
    for (size_t hashes = count; hashes >= 256; hashes /= 256) {
      for (size_t t = 0; t < hashes / 256; ++t) {
        std::copy(level.begin() + 32 * 256 * t, level.begin() + 32 * 256 * (t + 1), tile.begin());
        fold(h, tile.data(), 256);
        std::copy(tile.begin(), tile.begin() + 32, level.begin() + 32 * t);
      }
    }
    benchmark::DoNotOptimize(level.data());
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * n));
}

BENCHMARK(BM_ClientInclusion)->Name("tlog_tiles_verify_inclusion_1e9")->Arg(1);
BENCHMARK(BM_ClientFloor)->Name("floor_tiles_client")->Arg(1);
// One thread: the CPU time of the whole process, steady on a shared machine.
// Two threads: the wall-clock time, which is what a second core shortens.
BENCHMARK(BM_Audit)->Name("tiles_audit")->Arg(1)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Audit)->Name("tiles_audit")->Arg(2)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AuditFloor)->Name("floor_tiles_audit")->Arg(1)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AuditFloor)->Name("floor_tiles_audit")->Arg(2)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
