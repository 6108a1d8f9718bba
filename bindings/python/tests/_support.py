"""Helpers shared by the tests: an independent RFC 6962 tree, encoders for
the wire format written without the binding's own code, and the Go-made
vectors of tests/interop."""

import contextlib
import hashlib
import json
import os
import struct
from unittest import mock

from silvantrope_log import _ffi

REPO = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..")
SAMPLES = os.path.join(REPO, "samples")

with open(os.path.join(REPO, "tests", "interop", "go_vectors.json"), encoding="utf-8") as _f:
    _VECTORS = json.load(_f)
NOTES = {n["name"]: n for n in _VECTORS["notes"]}
CHECKPOINTS = {c["tree_size"]: c for c in _VECTORS["checkpoints"]}
KEYS = {k["label"]: k["vkey"] for k in _VECTORS["keys"]}


def leaf_hash(data):
    return hashlib.sha256(b"\x00" + data).digest()


def _mth(hashes):
    if len(hashes) <= 1:
        return hashes[0] if hashes else hashlib.sha256(b"").digest()
    k = _split(len(hashes))
    return hashlib.sha256(b"\x01" + _mth(hashes[:k]) + _mth(hashes[k:])).digest()


def _split(n):
    """The largest power of two smaller than n."""
    k = 1
    while k * 2 < n:
        k *= 2
    return k


class Tree:
    """An RFC 6962 Merkle tree over the given leaf data."""

    def __init__(self, leaves):
        self.hashes = [leaf_hash(d) for d in leaves]

    def root(self, size):
        return _mth(self.hashes[:size])

    def inclusion_proof(self, m, size):
        def path(m, hashes):
            if len(hashes) == 1:
                return []
            k = _split(len(hashes))
            if m < k:
                return path(m, hashes[:k]) + [_mth(hashes[k:])]
            return path(m - k, hashes[k:]) + [_mth(hashes[:k])]

        return path(m, self.hashes[:size])

    def consistency_proof(self, size1, size2):
        def sub(m, hashes, complete):
            if m == len(hashes):
                return [] if complete else [_mth(hashes)]
            k = _split(len(hashes))
            if m <= k:
                return sub(m, hashes[:k], complete) + [_mth(hashes[k:])]
            return sub(m - k, hashes[k:], False) + [_mth(hashes[:k])]

        return sub(size1, self.hashes[:size2], True)


# The Go vectors' trees hold the leaves "leaf 0", "leaf 1", ...
GO_TREE = Tree([b"leaf %d" % i for i in range(100)])


def flip(data, i=0):
    """data with the low bit of byte i flipped."""
    out = bytearray(data)
    out[i] ^= 1
    return bytes(out)


def enc_i32(n):
    return struct.pack(">i", n)


def enc_bytes(b):
    return enc_i32(len(b)) + b


def enc_string(s):
    return enc_bytes(s.encode("utf-8"))


def enc_list(items, enc=enc_bytes):
    return enc_i32(len(items)) + b"".join(enc(x) for x in items)


def enc_head(origin, size, root, extensions):
    return enc_string(origin) + struct.pack(">Q", size) + enc_bytes(root) + enc_list(extensions, enc_string)


def verification_error(message):
    """The error buffer of a code-1 status: variant 1, then the message."""
    return enc_i32(1) + enc_string(message)


def buf(data):
    """A library-owned buffer holding data."""
    return _ffi._rustbuffer_from_bytes(data)


@contextlib.contextmanager
def counting_frees():
    """Yields the list of addresses of the buffers the binding frees."""
    freed = []
    real = _ffi._rustbuffer_free

    def free(b):
        freed.append(b.address())
        real(b)

    with mock.patch.object(_ffi, "_rustbuffer_free", side_effect=free):
        yield freed
