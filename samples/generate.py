#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Writes the *.sample files that `slog samples` verifies.

Everything here is computed from first principles with hashlib (RFC 6962
trees, key-history canonical bytes), independently of the library, so the
samples double as an end-to-end check of slog and libsilvantrope_log.
Run from anywhere: python3 samples/generate.py
"""
import hashlib
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def sha256(b):
    return hashlib.sha256(b).digest()


def leaf_hash(d):
    return sha256(b"\x00" + d)


def node_hash(l, r):
    return sha256(b"\x01" + l + r)


def split(n):
    k = 1
    while k * 2 < n:
        k *= 2
    return k


def mth(leaves):
    if not leaves:
        return sha256(b"")
    if len(leaves) == 1:
        return leaf_hash(leaves[0])
    k = split(len(leaves))
    return node_hash(mth(leaves[:k]), mth(leaves[k:]))


def path(m, leaves):
    if len(leaves) == 1:
        return []
    k = split(len(leaves))
    if m < k:
        return path(m, leaves[:k]) + [mth(leaves[k:])]
    return path(m - k, leaves[k:]) + [mth(leaves[:k])]


def subproof(m, leaves, complete):
    if m == len(leaves):
        return [] if complete else [mth(leaves)]
    k = split(len(leaves))
    if m <= k:
        return subproof(m, leaves[:k], complete) + [mth(leaves[k:])]
    return subproof(m - k, leaves[k:], False) + [mth(leaves[:k])]


def canonical(seq, ts, x, pq, sig, prev):
    out = struct.pack(">IQQ", 1, seq, ts)
    for field in (x, pq, sig, prev or b""):
        out += struct.pack(">I", len(field)) + field
    return out


def entry_hash(label, canon):
    label = label.encode()
    return hashlib.sha3_512(struct.pack(">Q", len(label)) + label + canon).digest()


REFERENCE = [bytes.fromhex(h) for h in (
    "", "00", "10", "2021", "3031", "40414243", "5051525354555657",
    "606162636465666768696a6b6c6d6e6f")]

samples = {}


def sample(name, comment, args, expect):
    samples[name] = (comment, args, expect)


def inclusion(m, n, leaves, proof=None, root=None, index=None):
    proof = path(m, leaves[:n]) if proof is None else proof
    args = ["inclusion", "--index", str(m if index is None else index), "--size", str(n),
            "--leaf", leaf_hash(leaves[m]).hex()]
    args += [x for p in proof for x in ("--proof", p.hex())]
    args += ["--root", (root or mth(leaves[:n])).hex()]
    return args


def consistency(m, n, leaves, proof=None, root1=None):
    proof = subproof(m, leaves[:n], True) if proof is None else proof
    args = ["consistency", "--size1", str(m), "--size2", str(n),
            "--root1", (root1 or mth(leaves[:m])).hex(), "--root2", mth(leaves[:n]).hex()]
    return args + [x for p in proof for x in ("--proof", p.hex())]


MISMATCH = "invalid: root mismatch: recomputed root does not match the expected root"

sample("rfc6962-inclusion-2-of-8", "Leaf 2 of the RFC 6962 reference tree of eight leaves.",
       inclusion(2, 8, REFERENCE), "valid")
sample("rfc6962-inclusion-6-of-7", "The last leaf of seven: two border hashes and no inner ones.",
       inclusion(6, 7, REFERENCE), "valid")
tampered = path(5, REFERENCE)
tampered[1] = bytes([tampered[1][0] ^ 1]) + tampered[1][1:]
sample("rfc6962-inclusion-tampered", "Leaf 5 of 8 with one bit of the audit path flipped.",
       inclusion(5, 8, REFERENCE, proof=tampered), MISMATCH)
sample("rfc6962-inclusion-out-of-range", "An index equal to the tree size is outside the tree.",
       inclusion(7, 8, REFERENCE, index=8),
       "invalid: leaf index 8 is beyond tree size 8")
sample("rfc6962-consistency-3-to-8", "The reference tree grown from three leaves to eight.",
       consistency(3, 8, REFERENCE), "valid")
sample("rfc6962-consistency-4-to-8", "From a power-of-two size: the old root seeds the proof.",
       consistency(4, 8, REFERENCE), "valid")
sample("rfc6962-consistency-forked", "A consistency proof checked against a different old root.",
       consistency(3, 8, REFERENCE, root1=mth(REFERENCE[:2] + [b"forged"])), MISMATCH)
sample("rfc6962-consistency-regression", "A newer size smaller than the older one.",
       ["consistency", "--size1", "10", "--size2", "7", "--root1", mth(REFERENCE).hex(),
        "--root2", mth(REFERENCE).hex()],
       "invalid: tree size regression: size2 (7) < size1 (10)")

# A two-entry key history whose entries are the leaves of a log.
LABEL = "tarnwyk/key-history/v1"
x0, pq0, sig0 = bytes(range(32)), bytes(range(64)) * 2, bytes(range(100, 132))
x1, pq1, sig1 = bytes(range(1, 33)), bytes(range(2, 66)) * 2, bytes(range(101, 133))
c0 = canonical(0, 1767225600000, x0, pq0, sig0, None)
h0 = entry_hash(LABEL, c0)
c1 = canonical(1, 1767312000000, x1, pq1, sig1, h0)


def entry_args(output, seq, ts, x, pq, sig, prev, context=None):
    args = ["key-history", output, "--seq", str(seq), "--ts-ms", str(ts),
            "--enc-x25519", x.hex(), "--enc-pq", pq.hex(), "--signing-pub", sig.hex()]
    if prev is not None:
        args += ["--prev", prev.hex()]
    if context is not None:
        args += ["--context", context]
    return args


sample("key-history-genesis-bytes", "The canonical bytes of a genesis entry.",
       entry_args("canonical-bytes", 0, 1767225600000, x0, pq0, sig0, None), c0.hex())
sample("key-history-genesis-hash", "The genesis entry's chain hash under the default label.",
       entry_args("entry-hash", 0, 1767225600000, x0, pq0, sig0, None), h0.hex())
sample("key-history-second-hash", "The second entry, chained to the genesis hash.",
       entry_args("entry-hash", 1, 1767312000000, x1, pq1, sig1, h0), entry_hash(LABEL, c1).hex())
sample("key-history-branded-hash", "The same entry hashed under an application's own label.",
       entry_args("entry-hash", 1, 1767312000000, x1, pq1, sig1, h0, "acme/key-history/v2"),
       entry_hash("acme/key-history/v2", c1).hex())
sample("key-history-bad-label", "A label without a version segment is refused.",
       entry_args("entry-hash", 1, 1767312000000, x1, pq1, sig1, h0, "acme/key-history"),
       "invalid: malformed canonical leaf: context label version must start with 'v': "
       "\"acme/key-history\"")
sample("key-history-leaf-hash", "The second entry's RFC 6962 leaf hash.",
       entry_args("leaf-hash", 1, 1767312000000, x1, pq1, sig1, h0), leaf_hash(c1).hex())
sample("key-history-in-log", "The second entry is leaf 1 of a three-leaf Layer-0 log.",
       inclusion(1, 3, [c0, c1, b"another leaf"]), "valid")


def write_all():
    # The signed-log samples come from samples/make_sample_log.cpp.
    for old in os.listdir(HERE):
        if old.endswith(".sample") and old.startswith(("rfc6962-", "key-history-")):
            os.remove(os.path.join(HERE, old))
    for name, (comment, args, expect) in sorted(samples.items()):
        lines = ["# " + comment, args[0] + (" " + args[1] if not args[1].startswith("--") else "")]
        rest = args[2:] if not args[1].startswith("--") else args[1:]
        for i in range(0, len(rest), 2):
            lines.append("  " + " ".join(rest[i:i + 2]))
        lines.append("expect: " + expect)
        with open(os.path.join(HERE, name + ".sample"), "w") as f:
            f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    write_all()
