#pragma once

// A C2SP tlog-tiles mirror of any log, laid out as a tiled log serves it:
// every full and partial hash tile and entry bundle, keyed by URL path.
// Built from the level definitions over OpenSSL's SHA-256, sharing no code
// with the library.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "rfc6962_tree.h"

namespace test_support {

// "tile/<L>/<N>[.p/<W>]" with L "entries" for bundles, written
// independently of the library's formatter.
std::string tile_path(const std::string& level, uint64_t index, unsigned width);

// Entry i of a generated log: `size` bytes derived from i.
Bytes generated_entry(uint64_t i, size_t size = 100);

struct TileMirror {
  uint64_t size = 0;
  std::map<std::string, Bytes> files;  // path -> tile data or bundle

  // Level-0 hashes, one level-8 hash per full level-0 tile, and so on.
  std::vector<std::vector<Bytes>> levels;
};

TileMirror make_mirror(const std::vector<Bytes>& entries);

// Writes every file under dir (creating directories), plus dir/checkpoint.
void write_mirror(const TileMirror& mirror, const std::string& dir, const std::string& checkpoint);

}  // namespace test_support
