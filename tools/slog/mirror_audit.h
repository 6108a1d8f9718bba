// SPDX-License-Identifier: Apache-2.0
#pragma once

// The audit of a whole tlog-tiles mirror: every level-0 tile against its
// entry bundle where one is present, every full tile against the hash the
// level above holds for it. Streaming (a few tiles per thread in memory) on
// any number of threads. The root is the caller's to check.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace slog {

// A mirror file's path for tile (level, index) of the given width (256:
// full); level -1 names the entry bundle.
std::string mirror_path(int level, uint64_t index, unsigned width);
// The width of tile (level, index) in a tree of size leaves (0: no such tile).
unsigned mirror_width(uint64_t size, unsigned level, uint64_t index);

// The mirror file that stands for the tile (or bundle) at path: path when
// the mirror has it; else, for a partial one, the full tile of the same
// index or the widest partial one wider than it (a log may delete a partial
// tile once the full one exists, and a mirror may hold tiles newer than its
// checkpoint; their first hashes are the narrower tile); else none.
std::optional<std::string> mirror_stand_in(const std::string& dir, const std::string& path);
// The width a mirror path names: W for ".p/W", else 256.
unsigned mirror_path_width(const std::string& path);

struct MirrorAudit {
  bool ok = true;
  std::string error;     // the first fault found
  bool over_limit = false;  // that fault: a file larger than the input limit
  uint64_t entries = 0;  // entries checked against their bundles
  uint64_t bundles = 0;
  uint64_t tiles = 0;
};

// No file larger than max_bytes is read. progress(tiles done, tiles in all)
// is called from the calling thread about ten times a second.
MirrorAudit audit_mirror(const std::string& dir, uint64_t size, unsigned threads, uint64_t max_bytes,
                         const std::function<void(uint64_t, uint64_t)>& progress);

}  // namespace slog
