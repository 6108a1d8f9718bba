// Writes a C2SP tlog-tiles mirror of N generated 100-byte entries under DIR
// (DIR/checkpoint signed by a test key, DIR/tile/...), and DIR/policy.txt
// trusting that key: the input of a timed `slog tiles audit` run.
//
// Usage: make_tile_mirror N DIR

#include <cstdlib>
#include <fstream>
#include <iostream>

#include "notes.h"
#include "tile_mirror.h"

int main(int argc, char** argv) {
  using namespace test_support;
  if (argc != 3) {
    std::cerr << "usage: make_tile_mirror N DIR\n";
    return 2;
  }
  const uint64_t n = std::strtoull(argv[1], nullptr, 10);
  std::vector<Bytes> entries;
  entries.reserve(n);
  for (uint64_t i = 0; i < n; ++i) entries.push_back(generated_entry(i));
  const TileMirror mirror = make_mirror(entries);
  // The root: the level hashes folded as RFC 6962 splits the tree.
  const Bytes root = Rfc6962Tree(std::move(entries)).root(n);
  const NoteKey key = NoteKey::ed25519("bench.silvantrope.example/tiles", 7);
  write_mirror(mirror, argv[2], sign_note(checkpoint_body(key.name, n, root), {&key}));
  std::ofstream(std::string(argv[2]) + "/policy.txt") << "log " << key.verifier_key() << "\nquorum none\n";
  return 0;
}
