# SPDX-License-Identifier: Apache-2.0
"""The "tiles" section of go_vectors.json (see README.md) through the Python
binding: the library names, reads and hashes the tiles Go's sumdb/tlog writes
(height 8) as Go does, and computes Go's roots and proofs from them."""

import base64
import json
import pathlib
import unittest

import silvantrope_log as sl

T = json.loads(pathlib.Path(__file__).with_name("go_vectors.json").read_text(encoding="utf-8"))["tiles"]
DATA = {path: base64.b64decode(d) for path, d in T["tile_data"].items()}
# Each tile with one bit flipped in each of its hashes, so whichever hash a computation takes from it changes.
FLIPPED = {path: bytes(b ^ (i % 32 == 0) for i, b in enumerate(d)) for path, d in DATA.items()}


def width(path):
    return int(path.split(".p/")[1]) if ".p/" in path else 256


def run(fn, tiles):
    try:
        return [h.hex() for h in fn(tiles)]
    except sl.VerifyError as e:
        return str(e)


def cases(size):
    """(name, tiles the library needs, computation from tiles, Go's result, tiles Go read) per
    root and proof. The root needs the tiles of its decomposition, which are what Go reads for it."""
    n = size["tree_size"]
    yield "root", size["root_go_read"], lambda t: [sl.tlog_tiles_tree_hash(n, t)], [size["root_hash"]], size["root_go_read"]
    for c in size["inclusion"]:
        i = c["index"]
        yield (f"inclusion {i}", sl.tlog_tiles_for_inclusion(n, i), lambda t, i=i: sl.tlog_tiles_inclusion_proof(n, i, t),
               c["proof"], c["go_read"])
    for c in size["consistency"]:
        o = c["old_size"]
        yield (f"consistency from {o}", sl.tlog_tiles_for_consistency(o, n),
               lambda t, o=o: sl.tlog_tiles_consistency_proof(o, n, t), c["proof"], c["go_read"])


class GoTilesTest(unittest.TestCase):
    def test_vectors_reach_the_width_edges(self):
        self.assertEqual([s["tree_size"] for s in T["sizes"]], [1, 2, 255, 256, 257, 511, 1000, 65536, 65537])
        self.assertTrue({"tile/0/000", "tile/0/256.p/1", "tile/1/000", "tile/1/000.p/3", "tile/2/000.p/1"} <= set(DATA))
        self.assertTrue(all(s["inclusion"] and s["consistency"] for s in T["sizes"]))

    def test_paths_are_gos_without_the_height(self):
        for size in T["sizes"]:
            go_tiles = size["new_tiles"]  # Go's path -> its C2SP path, for tlog.NewTiles(8, 0, tree_size)
            with self.subTest(size=size["tree_size"]):
                self.assertEqual(list(go_tiles.values()), [p.replace("tile/8/", "tile/", 1) for p in go_tiles])
                # Every path parses to Go's width (data of any other length is refused); size 0 needs none.
                accepted = sl.tlog_tiles_tree_hash(0, [sl.Tile(path=p, data=bytes(32 * width(g))) for g, p in go_tiles.items()])
                self.assertEqual(accepted.hex(), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855")
                go, path = list(go_tiles.items())[-1]
                for compute in (lambda t: [sl.tlog_tiles_tree_hash(0, t)], lambda t: sl.tlog_tiles_inclusion_proof(1, 0, t),
                                lambda t: sl.tlog_tiles_consistency_proof(1, 1, t)):
                    self.assertEqual(run(compute, [sl.Tile(path=path, data=bytes(32 * width(go) + 32))]),
                                     f"malformed tile: {path} holds {32 * width(go) + 32} bytes, want {32 * width(go)}")
                for name, needed, *_ in cases(size):
                    self.assertTrue(set(needed) <= set(go_tiles.values()), (name, needed))

    def test_roots_and_proofs_from_go_tiles(self):
        for size in T["sizes"]:
            for name, needed, compute, go, go_read in cases(size):
                got = run(compute, [sl.Tile(path=p, data=DATA[p]) for p in go_read])
                with self.subTest(size=size["tree_size"], case=name, needed=needed, go_read=go_read):
                    self.assertEqual(got, go)
                    # Go also reads the tiles that authenticate these against the root, so it may read more.
                    self.assertTrue(set(needed) <= set(go_read))
                    for bad in needed:
                        tiles = [sl.Tile(path=p, data=FLIPPED[p] if p == bad else DATA[p]) for p in go_read]
                        self.assertNotEqual(run(compute, tiles), go, bad)
