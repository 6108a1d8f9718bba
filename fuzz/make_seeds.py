#!/usr/bin/env python3
"""Writes the seed corpora under fuzz/corpus/<target>/.

Each seed is a small hand-made input that reaches one path of its harness
(success, each kind of failure, each scenario). The layouts follow the way
each harness carves its input. Run again after changing a layout; files are
overwritten, and files this script no longer makes are removed.
"""

import hashlib
import pathlib
import struct

HERE = pathlib.Path(__file__).resolve().parent
CORPUS = HERE / "corpus"


def be32(v):
    return struct.pack(">I", v & 0xFFFFFFFF)


def framed(b):
    return be32(len(b)) + b


# --- fuzz_lift: selector byte (mod 6), then the buffer ----------------------

BYTE_LIST, BYTE_LISTS, STRINGS, OPTIONAL, ENUM, TEXT = range(6)


def lift_seeds():
    s = {}
    s["bytelist_ok"] = bytes([BYTE_LIST]) + framed(b"abc")
    s["bytelist_empty"] = bytes([BYTE_LIST]) + framed(b"")
    s["bytelist_negative"] = bytes([BYTE_LIST]) + be32(-1)
    s["bytelist_short"] = bytes([BYTE_LIST]) + be32(5) + b"ab"
    s["bytelist_junk"] = bytes([BYTE_LIST]) + framed(b"A") + b"BC"
    s["bytelist_no_length"] = bytes([BYTE_LIST]) + b"\x00\x00"
    s["bytelists_ok"] = bytes([BYTE_LISTS]) + be32(2) + framed(b"\x01" * 32) + framed(b"")
    s["bytelists_short"] = bytes([BYTE_LISTS]) + be32(3) + framed(b"x")
    s["strings_ok"] = bytes([STRINGS]) + be32(2) + framed("h\u00e9llo".encode()) + framed(b"")
    s["strings_bad_utf8"] = bytes([STRINGS]) + be32(1) + framed(b"ok\xe2\x82")
    s["strings_invalid_lead"] = bytes([STRINGS]) + be32(1) + framed(b"\xc0\x80")
    s["optional_none"] = bytes([OPTIONAL, 0])
    s["optional_some"] = bytes([OPTIONAL, 1]) + framed(b"\xab\xcd")
    s["optional_bad_tag"] = bytes([OPTIONAL, 2])
    s["enum_sha3_256"] = bytes([ENUM]) + be32(1)
    s["enum_sha3_512"] = bytes([ENUM]) + be32(2)
    s["enum_invalid"] = bytes([ENUM]) + be32(3)
    s["text_raw"] = bytes([TEXT]) + b"any \xff bytes"
    return s


# --- fuzz_context_label: the whole input is the label ------------------------


def label_seeds():
    return {
        "default_label": b"tarnwyk/key-history/v1",
        "version_zero": b"a/b/v0",
        "version_max": b"a/b/v18446744073709551615",
        "version_overflow": b"a/b/v18446744073709551616",
        "leading_zero": b"a/b/v01",
        "no_version": b"a/b",
        "empty_segment": b"a//v1",
        "too_many_segments": b"a/b/c/v1",
        "space_in_segment": b"a b/c/v1",
        "no_v": b"a/b/1",
        "escapes": b'q"\\\t\r\n\x00\x7f/b/v1',
        "non_ascii": "\u00e9t\u00e9/\u0301/\u2028v1".encode(),
        "invalid_utf8": b"\xff\xc3(/\xe2\x82/v1\xf0\x9f",
        "empty": b"",
    }


# --- fuzz_exports ------------------------------------------------------------
# selector byte (mod 9; high nibble 0xF: no status), then scalars and buffers.

INCLUSION, CONSISTENCY, CANONICAL, ENTRY_HASH, WITH_CONTEXT, LEAF_HASH = range(6)
VALID_INCLUSION, VALID_CONSISTENCY, RUNTIME = 6, 7, 8


def small(v):
    """interesting_u64, mode 0: one byte."""
    assert 0 <= v < 256
    return bytes([0, v])


def u16(v):
    """interesting_u64, mode 4: two bytes."""
    return bytes([4]) + struct.pack(">H", v)


def u64(v):
    """interesting_u64, mode 1: eight bytes."""
    return bytes([1]) + struct.pack(">Q", v)


def near_max(d):
    """interesting_u64, mode 3: 2^64 - 1 - d."""
    return bytes([3, d])


def h32(b):
    """A framed buffer holding 32 bytes (hash_sized with a byte < 160)."""
    assert len(b) == 32
    return bytes([0, 0]) + b


def blist(b):
    """A framed buffer of another size (hash_sized with 160 + size)."""
    assert len(b) <= 95
    return bytes([0, 160 + len(b)]) + b


def no_status(selector):
    """A selector byte for the same scenario, called without a status."""
    return next(v for v in range(0xF0, 0x100) if v % 9 == selector)


def hlist(items):
    return bytes([0, len(items)]) + b"".join(bytes([0]) + i for i in items)


def text(b):
    return bytes([0, len(b)]) + b


def none():
    return bytes([0, 0])


def some(b):
    return bytes([0, 1, len(b)]) + b


def raw(b):
    return bytes([6, len(b)]) + b


def len_over_cap(b):
    return bytes([12, len(b)]) + b + bytes([1])


def sha(tag):
    return hashlib.sha256(tag.encode()).digest()


def exports_seeds():
    leaf = sha("leaf")
    x, pq, sig = sha("x25519"), (sha("pq") * 2)[:48], sha("signing")
    prev = hashlib.sha512(b"prev").digest()
    s = {}
    # A tree of one leaf: the root is the leaf hash and the proof is empty.
    s["inclusion_single_leaf"] = bytes([INCLUSION]) + small(0) + small(1) + h32(leaf) + hlist([]) + h32(leaf)
    s["inclusion_mismatch"] = bytes([INCLUSION]) + small(3) + small(8) + h32(leaf) + hlist([sha("a"), sha("b"), sha("c")]) + h32(sha("root"))
    s["inclusion_len_over_cap"] = bytes([INCLUSION]) + small(0) + small(1) + len_over_cap(b"\x00\x00\x00\x01\x02") + hlist([]) + h32(leaf)
    s["inclusion_junk"] = bytes([INCLUSION]) + small(0) + small(1) + raw(b"\xff\xff\xff\xff") + hlist([]) + h32(leaf)
    s["consistency_equal_sizes"] = bytes([CONSISTENCY]) + small(5) + small(5) + hlist([]) + h32(leaf) + h32(leaf)
    s["consistency_regression"] = bytes([CONSISTENCY]) + small(9) + small(5) + hlist([]) + h32(leaf) + h32(leaf)
    entry = small(7) + u64(1_700_000_000_000) + h32(x) + blist(pq) + h32(sig)
    s["canonical_genesis"] = bytes([CANONICAL]) + entry + none()
    s["canonical_no_status"] = bytes([no_status(CANONICAL)]) + entry + none()
    s["entry_hash_chained"] = bytes([ENTRY_HASH]) + entry + some(prev)
    s["entry_hash_empty_prev"] = bytes([ENTRY_HASH]) + entry + some(b"")
    s["with_context_default"] = bytes([WITH_CONTEXT]) + small(1) + small(2) + text(b"tarnwyk/key-history/v1") + h32(x) + h32(x) + h32(sig) + some(prev)
    s["with_context_bad_label"] = bytes([WITH_CONTEXT]) + small(1) + small(2) + text(b"tarnwyk/key history/v01") + h32(x) + h32(x) + h32(sig) + none()
    s["leaf_hash"] = bytes([LEAF_HASH]) + entry + some(prev)
    s["leaf_hash_bad_tag"] = bytes([LEAF_HASH]) + entry + raw(b"\x02")
    # Valid proofs: sizes, the tree seed, the tamper byte, the bit to flip.
    s["valid_inclusion"] = bytes([VALID_INCLUSION]) + u16(1000) + u16(417) + bytes(8) + bytes([0, 0])
    s["valid_inclusion_huge"] = bytes([VALID_INCLUSION]) + near_max(0) + near_max(7) + bytes(range(8)) + bytes([0, 0])
    s["valid_inclusion_flipped"] = bytes([VALID_INCLUSION]) + u16(1000) + u16(417) + bytes(8) + bytes([1, 9, 2])
    s["valid_consistency"] = bytes([VALID_CONSISTENCY]) + u16(1000) + u16(299) + bytes(8) + bytes([0, 0])
    s["valid_consistency_huge"] = bytes([VALID_CONSISTENCY]) + near_max(0) + u64(1 << 62) + bytes(range(8)) + bytes([0, 0])
    s["valid_consistency_resized"] = bytes([VALID_CONSISTENCY]) + u16(77) + u16(5) + bytes(8) + bytes([4, 1])
    # Buffer management, one operation per byte (mod 6, high bit: the
    # oversized variant): alloc 5, from_bytes "hello", reserve 256 more, free,
    # free a malformed buffer, reserve past the maximum capacity, allocate past
    # it, check the contract version, alloc 0; the rest is freed at the end.
    s["runtime"] = (bytes([RUNTIME, 0, 5, 1, 0, 5]) + b"hello"
                    + bytes([2, 1, 0x01, 0x00, 3, 0, 4, 0, 3]) + b"abc"
                    + bytes([9, 128, 0, 3, 132, 1, 5, 0, 0]))
    return s


def write(target, seeds):
    d = CORPUS / target
    d.mkdir(parents=True, exist_ok=True)
    wanted = {f"seed_{name}" for name in seeds}
    for old in d.glob("seed_*"):
        if old.name not in wanted:
            old.unlink()
    for name, data in seeds.items():
        (d / f"seed_{name}").write_bytes(data)


def main():
    write("fuzz_lift", lift_seeds())
    write("fuzz_context_label", label_seeds())
    write("fuzz_exports", exports_seeds())


if __name__ == "__main__":
    main()
