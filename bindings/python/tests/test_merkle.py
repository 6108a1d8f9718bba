import unittest

import silvantrope_log as sl

from ._support import Tree, flip

MAX_SIZE = 17
TREE = Tree([b"leaf %d" % i for i in range(MAX_SIZE)])
ROOT_MISMATCH = "root mismatch: recomputed root does not match the expected root"


class VerifyErrorAssertions(unittest.TestCase):
    def assertVerifyError(self, message, fn, *args):
        with self.assertRaises(sl.VerifyError.Verification) as cm:
            fn(*args)
        self.assertEqual(str(cm.exception), message)
        self.assertIsInstance(cm.exception, sl.VerifyError)
        self.assertEqual(cm.exception.args, (message,))


class InclusionTest(VerifyErrorAssertions):
    def test_every_leaf_of_every_size_verifies(self):
        for size in range(1, MAX_SIZE + 1):
            root = TREE.root(size)
            for index in range(size):
                with self.subTest(index=index, size=size):
                    proof = TREE.inclusion_proof(index, size)
                    self.assertIsNone(
                        sl.verify_inclusion(index, size, TREE.hashes[index], proof, root)
                    )

    def test_any_altered_input_is_a_root_mismatch(self):
        for size in (2, 7, 8, 13):
            root = TREE.root(size)
            for index in range(size):
                leaf = TREE.hashes[index]
                proof = TREE.inclusion_proof(index, size)
                cases = [
                    ("leaf", index, TREE.hashes[(index + 1) % size], proof, root),
                    ("root", index, leaf, proof, flip(root, 31)),
                ]
                cases += [
                    (f"proof[{i}]", index, leaf, proof[:i] + [flip(p)] + proof[i + 1 :], root)
                    for i, p in enumerate(proof)
                ]
                # The right leaf claimed at another index with a proof of the same shape.
                other = (index + 1) % size
                if len(TREE.inclusion_proof(other, size)) == len(proof):
                    cases.append(("index", other, leaf, proof, root))
                for what, i, l, p, r in cases:
                    with self.subTest(size=size, index=index, altered=what):
                        self.assertVerifyError(ROOT_MISMATCH, sl.verify_inclusion, i, size, l, p, r)

    def test_errors(self):
        leaf, root = TREE.hashes[0], TREE.root(8)
        proof = TREE.inclusion_proof(0, 8)
        cases = [
            ("leaf index 8 is beyond tree size 8", (8, 8, leaf, proof, root)),
            ("leaf index 0 is beyond tree size 0", (0, 0, leaf, [], root)),
            (
                "leaf index 18446744073709551615 is beyond tree size 18446744073709551615",
                (2**64 - 1, 2**64 - 1, leaf, [], root),
            ),
            ("wrong proof size: got 2, want 3", (0, 8, leaf, proof[:2], root)),
            ("wrong proof size: got 4, want 3", (0, 8, leaf, proof + [leaf], root)),
            ("wrong proof size: got 1, want 0", (0, 1, leaf, [leaf], leaf)),
            ("invalid hash length: got 31 bytes, want 32", (0, 8, leaf, proof, root[:31])),
            ("invalid hash length: got 33 bytes, want 32", (0, 8, leaf + b"\0", proof, root)),
            ("invalid hash length: got 0 bytes, want 32", (0, 8, b"", proof, root)),
            (
                "invalid hash length: got 31 bytes, want 32",
                (0, 8, leaf, [proof[0], proof[1][:31], proof[2]], root),
            ),
        ]
        for message, args in cases:
            with self.subTest(message=message, index=args[0], size=args[1]):
                self.assertVerifyError(message, sl.verify_inclusion, *args)


class ConsistencyTest(VerifyErrorAssertions):
    def test_every_pair_of_sizes_verifies(self):
        for size2 in range(1, MAX_SIZE + 1):
            for size1 in range(1, size2 + 1):
                with self.subTest(size1=size1, size2=size2):
                    proof = TREE.consistency_proof(size1, size2)
                    self.assertIsNone(
                        sl.verify_consistency(size1, size2, proof, TREE.root(size1), TREE.root(size2))
                    )

    def test_any_altered_input_is_a_root_mismatch(self):
        for size2 in range(2, MAX_SIZE + 1):
            for size1 in range(1, size2):
                r1, r2 = TREE.root(size1), TREE.root(size2)
                proof = TREE.consistency_proof(size1, size2)
                cases = [("root1", proof, flip(r1), r2), ("root2", proof, r1, flip(r2, 5))]
                cases += [
                    (f"proof[{i}]", proof[:i] + [flip(p, 7)] + proof[i + 1 :], r1, r2)
                    for i, p in enumerate(proof)
                ]
                for what, p, a, b in cases:
                    with self.subTest(size1=size1, size2=size2, altered=what):
                        self.assertVerifyError(ROOT_MISMATCH, sl.verify_consistency, size1, size2, p, a, b)

    def test_equal_sizes(self):
        r = TREE.root(5)
        self.assertIsNone(sl.verify_consistency(5, 5, [], r, r))
        self.assertVerifyError(ROOT_MISMATCH, sl.verify_consistency, 5, 5, [], r, TREE.root(6))

    def test_errors(self):
        r3, r7, r8, r10 = (TREE.root(n) for n in (3, 7, 8, 10))
        proof = TREE.consistency_proof(3, 8)
        cases = [
            ("consistency proof from an empty tree is meaningless", (0, 5, [], r3, r8)),
            ("consistency proof from an empty tree is meaningless", (0, 0, [], r3, r3)),
            ("tree size regression: size2 (7) < size1 (10)", (10, 7, [], r10, r7)),
            ("consistency proof between equal sizes must be empty", (5, 5, [r3], r3, r3)),
            ("wrong proof size: got 5, want 4", (3, 8, proof + [r3], r3, r8)),
            ("wrong proof size: got 3, want 4", (3, 8, proof[:3], r3, r8)),
            ("invalid hash length: got 31 bytes, want 32", (3, 8, proof, r3, r8[:31])),
            ("invalid hash length: got 33 bytes, want 32", (3, 8, proof, r3 + b"\0", r8)),
            ("invalid hash length: got 31 bytes, want 32", (3, 8, [proof[0][:31]] + proof[1:], r3, r8)),
        ]
        for message, args in cases:
            with self.subTest(message=message, size1=args[0], size2=args[1]):
                self.assertVerifyError(message, sl.verify_consistency, *args)

    def test_empty_proof_between_different_sizes_is_rejected(self):
        with self.assertRaises(sl.VerifyError.Verification) as cm:
            sl.verify_consistency(3, 8, [], TREE.root(3), TREE.root(8))
        self.assertTrue(str(cm.exception).startswith("wrong proof size: got 0, want "))


if __name__ == "__main__":
    unittest.main()
