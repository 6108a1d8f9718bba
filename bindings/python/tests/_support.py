"""Helpers shared by the tests: an independent RFC 6962 tree and encoders
for the wire format, written without the binding's own code."""

import hashlib
import struct


def leaf_hash(data):
    return hashlib.sha256(b"\x00" + data).digest()


def node_hash(left, right):
    return hashlib.sha256(b"\x01" + left + right).digest()


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

    def root(self, size=None):
        return self._mth(self.hashes[: len(self.hashes) if size is None else size])

    def inclusion_proof(self, index, size):
        return self._path(index, self.hashes[:size])

    def consistency_proof(self, size1, size2):
        return self._subproof(size1, self.hashes[:size2], True)

    def _mth(self, hashes):
        if not hashes:
            return hashlib.sha256(b"").digest()
        if len(hashes) == 1:
            return hashes[0]
        k = _split(len(hashes))
        return node_hash(self._mth(hashes[:k]), self._mth(hashes[k:]))

    def _path(self, m, hashes):
        if len(hashes) == 1:
            return []
        k = _split(len(hashes))
        if m < k:
            return self._path(m, hashes[:k]) + [self._mth(hashes[k:])]
        return self._path(m - k, hashes[k:]) + [self._mth(hashes[:k])]

    def _subproof(self, m, hashes, complete):
        if m == len(hashes):
            return [] if complete else [self._mth(hashes)]
        k = _split(len(hashes))
        if m <= k:
            return self._subproof(m, hashes[:k], complete) + [self._mth(hashes[k:])]
        return self._subproof(m - k, hashes[k:], False) + [self._mth(hashes[:k])]


def flip(data, i=0):
    """data with the low bit of byte i flipped."""
    out = bytearray(data)
    out[i] ^= 1
    return bytes(out)


def enc_i32(n):
    return struct.pack(">i", n)


def enc_bytes(b):
    return enc_i32(len(b)) + b


def enc_bytes_list(items):
    return enc_i32(len(items)) + b"".join(enc_bytes(b) for b in items)


def enc_optional_bytes(b):
    return b"\x00" if b is None else b"\x01" + enc_bytes(b)
