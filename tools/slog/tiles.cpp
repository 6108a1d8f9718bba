// SPDX-License-Identifier: Apache-2.0
#include "tiles.h"

#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "mirror_audit.h"
#include "usage_error.h"
#include "values.h"

namespace slog {
namespace {

std::string mirror_dir(const Ctx& c) {
  const std::string dir = c.opt.one("DIR");
  std::error_code ec;
  if (!std::filesystem::is_directory(dir, ec)) throw UsageError("DIR: " + word(dir) + " is not a directory");
  return dir;
}

uint64_t not_before(const Ctx& c) { return c.opt.has("--not-before") ? number(c, "--not-before") : 0; }

// Reads the tiles the library named from the mirror, or those that stand in
// for them (see mirror_stand_in). One the mirror lacks altogether is left
// out, and the library then names it as missing.
std::vector<sl::Tile> read_tiles(const Ctx& c, const std::string& dir, const std::vector<std::string>& paths) {
  std::vector<sl::Tile> out;
  for (const std::string& named : paths) {
    const auto p = mirror_stand_in(dir, named);
    if (!p) continue;
    const std::string data = c.in.mirror_file(dir, *p, "DIR");
    out.push_back({*p, Bytes(data.begin(), data.end())});
  }
  return out;
}

// The tiles read, as they are named in the mirror.
void list_tiles(Report& r, const std::vector<sl::Tile>& tiles) {
  std::vector<std::string> paths;
  for (const sl::Tile& t : tiles) paths.push_back(t.path);
  r.fields["tiles"] = paths;
  for (const std::string& p : paths) r.lines.push_back("tile: " + p);
}

void inclusion(const Ctx& c, const std::string& dir, const std::string& policy, const std::string& note) {
  if (!c.opt.has("--leaf-hash") && !c.opt.has("--entry")) throw UsageError("--leaf-hash or --entry is required");
  const Bytes leaf = c.opt.has("--entry") ? leaf_hash_of(c.in.bytes(c.opt.one("--entry"), "--entry"))
                                          : hash(c.opt.one("--leaf-hash"), "--leaf-hash");
  const uint64_t index = number(c, "--index");
  // The tree size the tiles are named for comes from the verified checkpoint.
  const auto v = sl::checkpoint_verify_policy(note, policy, not_before(c));
  if (!done(c.r, v)) return;
  const auto paths = sl::tlog_tiles_for_inclusion(v->head.size, index);
  if (!done(c.r, paths)) return;
  const std::vector<sl::Tile> tiles = read_tiles(c, dir, *paths);
  const auto verified = sl::tlog_tiles_verify_inclusion(note, policy, index, leaf, tiles, not_before(c));
  if (!done(c.r, verified)) return;
  c.r.field("index", "index", index, std::to_string(index));
  list_tiles(c.r, tiles);
  describe(c.r, *verified, not_before(c));
  valid(c.r);
}

void consistency(const Ctx& c, const std::string& dir, const std::string& policy, const std::string& note) {
  const std::string older = c.in.text(c.opt.one("OLD_CHECKPOINT"), "OLD_CHECKPOINT");
  const auto old_v = sl::checkpoint_verify_policy(older, policy, not_before(c));
  if (!done(c.r, old_v)) {
    c.r.error = "OLD_CHECKPOINT: " + c.r.error;
    return;
  }
  const auto new_v = sl::checkpoint_verify_policy(note, policy, not_before(c));
  if (!done(c.r, new_v)) return;
  // A proof between the trees of two logs says nothing about either.
  if (old_v->head.origin != new_v->head.origin) {
    return c.r.fail({sl::Error::Kind::Verification, "OLD_CHECKPOINT is of origin " + shown(old_v->head.origin) +
                                                        ", the mirror's checkpoint of " + shown(new_v->head.origin)});
  }
  const uint64_t old_size = old_v->head.size, new_size = new_v->head.size;
  const auto paths = sl::tlog_tiles_for_consistency(old_size, new_size);
  if (!done(c.r, paths)) return;
  const std::vector<sl::Tile> tiles = read_tiles(c, dir, *paths);
  const auto proof = sl::tlog_tiles_consistency_proof(old_size, new_size, tiles);
  if (!done(c.r, proof)) return;
  if (!done(c.r, sl::verify_consistency(old_size, new_size, *proof, old_v->head.root, new_v->head.root))) return;
  c.r.field("old_size", "old size", old_size, std::to_string(old_size));
  list_tiles(c.r, tiles);
  describe(c.r, *new_v, not_before(c));
  valid(c.r);
}

// The cores this process may run on (as taskset or a container's cpuset
// leaves them), at most 1024.
unsigned usable_cores() {
  cpu_set_t set;
  if (sched_getaffinity(0, sizeof set, &set) == 0) return std::clamp(static_cast<unsigned>(CPU_COUNT(&set)), 1u, 1024u);
  return std::clamp(std::thread::hardware_concurrency(), 1u, 1024u);
}

void audit(const Ctx& c, const std::string& dir, const std::string& policy, const std::string& note) {
  unsigned threads = usable_cores();
  if (c.opt.has("--threads")) {
    const std::string& v = c.opt.one("--threads");
    const auto n = decimal_or_none(v, 1024);
    if (!n || *n == 0) throw UsageError("--threads must be a decimal number from 1 to 1024, got " + shown(v));
    threads = static_cast<unsigned>(*n);
  }
  const auto start = std::chrono::steady_clock::now();
  const auto v = sl::checkpoint_verify_policy(note, policy, not_before(c));
  if (!done(c.r, v)) return;
  const uint64_t size = v->head.size;
  const bool bar = !c.json && !c.quiet && isatty(STDERR_FILENO);
  const MirrorAudit a = audit_mirror(dir, size, threads, c.in.max_bytes(), [bar](uint64_t n, uint64_t total) {
    if (!bar || total == 0) return;
    const int filled = static_cast<int>(40 * n / total);
    std::fprintf(stderr, "\r[%s%s] %3d%% %llu/%llu tiles", std::string(filled, '#').c_str(),
                 std::string(40 - filled, ' ').c_str(), static_cast<int>(100 * n / total),
                 static_cast<unsigned long long>(n), static_cast<unsigned long long>(total));
  });
  if (bar) std::fprintf(stderr, "\n");
  if (a.over_limit) throw UsageError("DIR: " + a.error);
  if (!a.ok) return c.r.fail({sl::Error::Kind::Verification, a.error});
  if (size > 0) {
    // The root: the inclusion of the last entry, from the tiles its proof
    // needs and the level-0 tile holding its leaf hash, which the proof does
    // not need when the entry is alone in its tile (a size of 256k + 1).
    const auto proof_tiles = sl::tlog_tiles_for_inclusion(size, size - 1);
    if (!done(c.r, proof_tiles)) return;
    std::vector<std::string> paths = *proof_tiles;
    const uint64_t n = (size - 1) / 256;
    const std::string leaf_tile = mirror_path(0, n, mirror_width(size, 0, n));
    if (std::find(paths.begin(), paths.end(), leaf_tile) == paths.end()) paths.push_back(leaf_tile);
    const std::vector<sl::Tile> tiles = read_tiles(c, dir, paths);
    // The last leaf hash, from the one level-0 tile among them (as audited).
    const size_t at = 32 * ((size - 1) % 256);
    const auto last = std::find_if(tiles.begin(), tiles.end(), [](const sl::Tile& t) { return t.path.rfind("tile/0/", 0) == 0; });
    if (last == tiles.end() || last->data.size() < at + 32) {
      return c.r.fail({sl::Error::Kind::Verification, "cannot read the last level-0 tile"});
    }
    const Bytes leaf(last->data.begin() + static_cast<std::ptrdiff_t>(at), last->data.begin() + static_cast<std::ptrdiff_t>(at + 32));
    if (!done(c.r, sl::tlog_tiles_verify_inclusion(note, policy, size - 1, leaf, tiles, not_before(c)))) return;
  } else {
    // No tile to read, and still a root to check: the empty tree's.
    const auto empty = sl::tlog_tiles_tree_hash(0, {});
    if (!done(c.r, empty)) return;
    if (*empty != v->head.root) {
      return c.r.fail({sl::Error::Kind::Verification, "root mismatch: recomputed root does not match the expected root"});
    }
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double rate = seconds > 0 ? static_cast<double>(a.entries) / seconds : 0;
  c.r.field("entries", "entries", a.entries, std::to_string(a.entries));
  c.r.field("bundles", "bundles", a.bundles, std::to_string(a.bundles));
  c.r.field("tiles", "tiles", a.tiles, std::to_string(a.tiles));
  c.r.fields["threads"] = threads;
  c.r.fields["seconds"] = seconds;
  c.r.fields["entries_per_second"] = rate;
  // The timing goes to standard error: standard output is the verdict alone, the same every run.
  char timing[160];
  std::snprintf(timing, sizeof timing, "%llu entries, %llu tiles in %.3f s: %.0f entries/s on %u thread%s",
                static_cast<unsigned long long>(a.entries), static_cast<unsigned long long>(a.tiles), seconds, rate,
                threads, threads == 1 ? "" : "s");
  c.r.notes.push_back(timing);
  describe(c.r, *v, not_before(c));
  valid(c.r);
}

}  // namespace

void tiles(const Ctx& c, const std::string& mode) {
  const std::string dir = mirror_dir(c);
  const std::string policy = policy_text(c, "--policy");
  const std::string note = c.in.mirror_file(dir, "checkpoint", "DIR");
  require_utf8(note, "DIR: checkpoint");
  if (mode == "inclusion") inclusion(c, dir, policy, note);
  else if (mode == "consistency") consistency(c, dir, policy, note);
  else audit(c, dir, policy, note);
}

}  // namespace slog
