"""RFC 6962 proofs made by an independent hashlib tree, verified through the
binding: bare roots for every small tree, and the Go-signed checkpoints of
tests/interop, whose trees hold the same kind of leaves."""

import unittest

import silvantrope_log as sl

from ._support import CHECKPOINTS, GO_TREE, Tree

TREE = Tree([b"leaf %d" % i for i in range(17)])


class RoundTripTest(unittest.TestCase):
    def test_every_leaf_and_every_pair_of_sizes(self):
        for size in range(1, 18):
            root = TREE.root(size)
            for index in range(size):
                proof = TREE.inclusion_proof(index, size)
                with self.subTest(index=index, size=size):
                    self.assertIsNone(sl.verify_inclusion(index, size, TREE.hashes[index], proof, root))
            for size1 in range(1, size + 1):
                proof = TREE.consistency_proof(size1, size)
                with self.subTest(size1=size1, size2=size):
                    self.assertIsNone(sl.verify_consistency(size1, size, proof, TREE.root(size1), root))
                    if len(proof) > 1:
                        with self.assertRaises(sl.VerifyError):
                            sl.verify_consistency(size1, size, proof[::-1], TREE.root(size1), root)

    def test_signed_checkpoints(self):
        key = CHECKPOINTS[8]["vkeys"]
        sizes = sorted(s for s in CHECKPOINTS if s <= len(GO_TREE.hashes))
        for older in sizes:
            note = CHECKPOINTS[older]["note_text"]
            with self.subTest(size=older):
                self.assertEqual(sl.checkpoint_verify(note, key).root, GO_TREE.root(older))
                for index in range(older):
                    proof = GO_TREE.inclusion_proof(index, older)
                    self.assertIsNone(sl.checkpoint_verify_inclusion(note, key, index, GO_TREE.hashes[index], proof))
            for newer in sizes[sizes.index(older):]:
                with self.subTest(older=older, newer=newer):
                    proof = GO_TREE.consistency_proof(older, newer)
                    self.assertIsNone(sl.checkpoint_verify_consistency(note, CHECKPOINTS[newer]["note_text"], key, proof))


if __name__ == "__main__":
    unittest.main()
