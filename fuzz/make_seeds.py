#!/usr/bin/env python3
"""Writes the seed corpora under fuzz/corpus/<target>/.

Each seed is a small hand-made input that reaches one path of its harness
(success, each kind of failure, each scenario). The layouts follow the way
each harness carves its input. Run again after changing a layout; files are
overwritten, and files this script no longer makes are removed.
"""

import base64
import hashlib
import pathlib
import struct

HERE = pathlib.Path(__file__).resolve().parent
CORPUS = HERE / "corpus"
SAMPLES = HERE.parent / "samples"


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


# --- fuzz_base64: the whole input is both the bytes and the text -------------


def base64_seeds():
    root = base64.b64encode(bytes(range(32)))
    return {
        "empty": b"",
        "abc": b"YWJj",
        "one_byte": b"YQ==",
        "two_bytes": b"YWI=",
        "root": root,
        "nonzero_bits": b"AB==",
        "nonzero_bits_two": b"AAB=",
        "equals_inside": b"A=AA",
        "padded_group_inside": b"AA==AAAA",
        "too_much_padding": b"A===",
        "empty_group": b"====AAAA",
        "short_group": b"A===AAAA",
        "url_alphabet": b"AA-_",
        "whitespace": b"AA A",
        "ragged": b"abc",
        "key_id": b"0000002a",
        "key_id_upper": b"DeadBeef",
        "hex_odd": b"0000002",
        "binary": b"\xff\x00\x10=",
    }


# --- fuzz_note: selector byte (mod 5), then the scenario's input --------------

KEY, KEY_WITH_ID, NOTE, SIGN_HERE, CHECKPOINT = range(5)
EM_DASH = "\u2014 ".encode()
COMPOSITE_PREFIX = b"\xff" + b"silvantrope.dev/composite-mldsa-ed25519/v1"


def key_id(name, data):
    return hashlib.sha256(name + b"\n" + data).digest()[:4]


def key_string(name, data, upper=False):
    kid = key_id(name, data).hex()
    return name + b"+" + (kid.upper() if upper else kid).encode() + b"+" + base64.b64encode(data)


def note_line(name, kid, sig):
    return EM_DASH + name + b" " + base64.b64encode(kid + sig) + b"\n"


def note_seeds():
    log = SAMPLES / "log"
    keys = [l.encode() for l in (log / "trusted.keys").read_text().splitlines() if l and not l.startswith("#")]
    ed = b"\x01" + bytes(range(32))
    s = {}
    s["key_log"] = bytes([KEY]) + keys[0]
    s["key_witness"] = bytes([KEY]) + keys[1]
    s["key_upper_id"] = bytes([KEY]) + key_string(b"example.com/log", ed, upper=True)
    s["key_no_plus"] = bytes([KEY]) + b"nope"
    s["key_short_id"] = bytes([KEY]) + b"a+0000002+AQ=="
    s["key_bad_hex"] = bytes([KEY]) + b"a+0000002g+" + base64.b64encode(ed)
    s["key_id_mismatch"] = bytes([KEY]) + b"a+00000000+" + base64.b64encode(ed)
    s["key_unsupported"] = bytes([KEY]) + key_string(b"a", b"\x02" + bytes(32))
    s["key_ed25519_short"] = bytes([KEY]) + key_string(b"a", b"\x01" + bytes(31))
    s["key_space_in_name"] = bytes([KEY]) + key_string(b"a b", ed)
    # name "+" base64(data); flags: bit 0 upper-case id, bit 1 flip id bit flags >> 3.
    s["with_id_ed25519"] = bytes([KEY_WITH_ID, 0]) + b"example.com/log+" + base64.b64encode(ed)
    s["with_id_upper"] = bytes([KEY_WITH_ID, 1]) + b"caf\xc3\xa9+" + base64.b64encode(ed)
    s["with_id_flipped"] = bytes([KEY_WITH_ID, 2 | (5 << 3)]) + b"a+" + base64.b64encode(ed)
    s["with_id_composite"] = bytes([KEY_WITH_ID, 0]) + b"pq+" + base64.b64encode(COMPOSITE_PREFIX + b"\x02\x01\x02\x03")
    s["with_id_composite_empty"] = bytes([KEY_WITH_ID, 0]) + b"pq+" + base64.b64encode(COMPOSITE_PREFIX)
    s["with_id_noncanonical"] = bytes([KEY_WITH_ID, 0]) + b"a+AQ=A" + base64.b64encode(bytes(30))
    s["with_id_whitespace_name"] = bytes([KEY_WITH_ID, 0]) + b"a\xe2\x80\xa8+" + base64.b64encode(ed)
    for name in ("checkpoint-5", "checkpoint-12", "forged-13"):
        s["note_" + name.replace("-", "_")] = bytes([NOTE]) + (log / (name + ".note")).read_bytes()
    line = note_line(b"k", b"\x00\x00\x00\x01", b"\x09")
    s["note_small"] = bytes([NOTE]) + b"a\n\n\n" + line
    s["note_noncanonical_blob"] = bytes([NOTE]) + b"a\n\n" + EM_DASH + b"k AAAA=AAJ\n"
    s["note_control"] = bytes([NOTE]) + b"a\tb\n\n" + line
    s["note_no_separator"] = bytes([NOTE]) + b"a\n" + line
    s["note_unterminated"] = bytes([NOTE]) + b"a\n\n" + line[:-1]
    s["note_bad_prefix"] = bytes([NOTE]) + b"a\n\n- k AAAAAQk=\n"
    s["note_short_blob"] = bytes([NOTE]) + b"a\n\n" + EM_DASH + b"k AAAA\n"
    s["note_101_lines"] = bytes([NOTE]) + b"t\n\n" + line * 101
    body = b"example.com/log\n5\n" + base64.b64encode(bytes(range(32))) + b"\n"
    # flags, the byte to flip, then the text.
    s["sign_good"] = bytes([SIGN_HERE, 1, 0]) + body
    s["sign_unknown_first"] = bytes([SIGN_HERE, 3, 0]) + body
    s["sign_flipped"] = bytes([SIGN_HERE, 5 | (3 << 4), 17]) + body
    s["sign_s_plus_order"] = bytes([SIGN_HERE, 5, 0xC0]) + body
    s["sign_wrong_key"] = bytes([SIGN_HERE, 8, 0]) + body
    s["sign_all"] = bytes([SIGN_HERE, 15, 63]) + b"no newline \x01 at the end"
    root = base64.b64encode(bytes(range(32)))
    s["head_plain"] = bytes([CHECKPOINT]) + body
    s["head_extensions"] = bytes([CHECKPOINT]) + body + b"x-ext one\n" + EM_DASH + b"two\n"
    s["head_crlf"] = bytes([CHECKPOINT]) + b"o\r\n0\r\n" + root + b"\r\n"
    s["head_unterminated"] = bytes([CHECKPOINT]) + b"o\n18446744073709551615\n" + root
    s["head_overflow"] = bytes([CHECKPOINT]) + b"o\n18446744073709551616\n" + root + b"\n"
    s["head_leading_zero"] = bytes([CHECKPOINT]) + b"o\n01\n" + root + b"\n"
    s["head_noncanonical_root"] = bytes([CHECKPOINT]) + b"o\n1\nA=AA" + base64.b64encode(bytes(29)) + b"\n"
    s["head_root_48"] = bytes([CHECKPOINT]) + b"o\n1\n" + base64.b64encode(bytes(48)) + b"\n"
    s["head_empty_extension"] = bytes([CHECKPOINT]) + body + b"\n"
    s["head_empty_origin"] = bytes([CHECKPOINT]) + b"\n5\n" + root + b"\n"
    return s


# --- fuzz_coniks: selector byte (mod 6), then the scenario's input -----------

PARSE_LOOKUP, PARSE_ABSENCE, NAMESPACE, CONIKS_INPUT, CONIKS_SAMPLE, COMMITMENT = range(6)
ALICE, CAROL, MALLORY = range(3)


def coniks_proof(name):
    return bytes.fromhex((SAMPLES / "coniks" / name).read_text().strip())


def payload(b):
    assert len(b) < 255
    return bytes([len(b)]) + b


def coniks_seeds():
    alice, carol, mallory = (coniks_proof(n) for n in ("alice.lookup", "carol.lookup", "mallory.absence"))
    s = {}
    s["parse_alice"] = bytes([PARSE_LOOKUP]) + alice
    s["parse_carol"] = bytes([PARSE_LOOKUP]) + carol
    s["parse_lookup_truncated"] = bytes([PARSE_LOOKUP]) + alice[:-1]
    s["parse_lookup_trailing"] = bytes([PARSE_LOOKUP]) + alice + b"\x00"
    s["parse_lookup_overrun"] = bytes([PARSE_LOOKUP]) + b"\x01\x00\x00\x01\x00"
    s["parse_lookup_no_opening"] = bytes([PARSE_LOOKUP]) + b"\x01" + be32(0) + be32(2) + b"ab" + bytes(31)
    s["parse_lookup_empty_path"] = bytes([PARSE_LOOKUP]) + b"\x01" + be32(0) + be32(0) + bytes(32) + bytes(32)
    s["parse_mallory"] = bytes([PARSE_ABSENCE]) + mallory
    s["parse_absence_wrong_tag"] = bytes([PARSE_ABSENCE]) + alice
    s["parse_absence_bitmap_overrun"] = bytes([PARSE_ABSENCE]) + b"\x00" + be32(0) + b"\x80" + bytes(31) + bytes(63)
    s["parse_absence_empty"] = bytes([PARSE_ABSENCE])
    s["namespace_ok"] = bytes([NAMESPACE]) + b"chat.silvantrope.example"
    s["namespace_slash"] = bytes([NAMESPACE]) + b"a/b"
    s["namespace_space"] = bytes([NAMESPACE]) + b"a b"
    s["namespace_del"] = bytes([NAMESPACE]) + b"a\x7f"
    s["namespace_non_ascii"] = bytes([NAMESPACE]) + "\u00e9".encode()
    # flags (bit 0: absence; flags >> 1: the sample), then per argument a
    # control byte (mod 8: 5 the sample's value, 6 raw, 7 empty, else framed)
    # and its payload.
    all_sample = bytes([5] * 5)
    s["input_alice"] = bytes([CONIKS_INPUT, ALICE << 1]) + all_sample
    s["input_carol"] = bytes([CONIKS_INPUT, CAROL << 1]) + all_sample
    s["input_mallory"] = bytes([CONIKS_INPUT, MALLORY << 1 | 1]) + all_sample
    s["input_bad_namespace"] = bytes([CONIKS_INPUT, 0, 0]) + payload(b"a/b") + bytes([5] * 4)
    s["input_short_root"] = bytes([CONIKS_INPUT, 0, 5, 5, 0]) + payload(bytes(63)) + bytes([5, 5])
    s["input_short_key"] = bytes([CONIKS_INPUT, 0, 5, 0]) + payload(bytes(31)) + bytes([5] * 3)
    s["input_raw_proof"] = bytes([CONIKS_INPUT, 0, 5, 5, 5, 5, 6]) + payload(b"\xff\xff\xff\xff")
    s["input_empty_identity"] = bytes([CONIKS_INPUT, 0, 5, 5, 5, 7, 5])
    # flags (mod 3: the sample; 4: the other export; 8: another identity; 16:
    # flip a root bit; 32: flip a key bit), their bytes, then edits (op mod 5:
    # flip bit op / 5 % 8, set a byte, cut, insert a byte, add the group order
    # to the VRF proof's s; BE16 position[, byte]).
    s["sample_alice"] = bytes([CONIKS_SAMPLE, ALICE])
    s["sample_carol"] = bytes([CONIKS_SAMPLE, CAROL])
    s["sample_mallory"] = bytes([CONIKS_SAMPLE, MALLORY])
    s["sample_other_export"] = bytes([CONIKS_SAMPLE, ALICE | 4])
    s["sample_other_identity"] = bytes([CONIKS_SAMPLE, MALLORY | 8])
    s["sample_root_flipped"] = bytes([CONIKS_SAMPLE, ALICE | 16, 40])
    s["sample_key_flipped"] = bytes([CONIKS_SAMPLE, CAROL | 32, 3])
    s["sample_value_flipped"] = bytes([CONIKS_SAMPLE, ALICE, 0]) + struct.pack(">H", 90)
    s["sample_vrf_flipped"] = bytes([CONIKS_SAMPLE, MALLORY, 0 + 5 * 4]) + struct.pack(">H", 60)
    s["sample_sibling_flipped"] = bytes([CONIKS_SAMPLE, MALLORY, 0 + 5 * 7]) + struct.pack(">H", 600)
    s["sample_value_set"] = bytes([CONIKS_SAMPLE, ALICE, 1]) + struct.pack(">H", 92) + b"\x00"
    s["sample_truncated"] = bytes([CONIKS_SAMPLE, ALICE, 2]) + struct.pack(">H", 300)
    s["sample_inserted"] = bytes([CONIKS_SAMPLE, CAROL, 3]) + struct.pack(">H", 200) + b"\x00"
    s["sample_vrf_s_plus_order"] = bytes([CONIKS_SAMPLE, ALICE, 4]) + struct.pack(">H", 0)
    # flags (bit 0: commitment made here, bit 1: then a bit flipped), then per
    # argument a control byte (7: raw; < 4: commitment/opening of their size).
    context = payload(b"chat.example/message-commitment/v1")
    commitment = bytes.fromhex(
        "0f1b29ffb831d86a07e1aecdf501dfb1c1064eee482d53c32a2c9ea8d05bee25"
        "e1389bbef28becc8f48213a8905cd969f261078a1024f25c83ad0e0695a6dded")
    opening = b"\x42" * 32
    s["commitment_opens"] = bytes([COMMITMENT, 0, 0]) + context + b"\x00" + commitment + b"\x00" + payload(b"hello") + b"\x00" + opening
    s["commitment_wrong_value"] = bytes([COMMITMENT, 0, 0]) + context + b"\x00" + commitment + b"\x00" + payload(b"hellO") + b"\x00" + opening
    s["commitment_made_here"] = bytes([COMMITMENT, 1, 0]) + payload(b"ctx/c/v1") + b"\x04" + payload(b"") + b"\x00" + payload(b"v") + b"\x00" + opening
    s["commitment_flipped"] = bytes([COMMITMENT, 3 | (5 << 5), 0]) + payload(b"ctx/c/v1") + b"\x04" + payload(b"") + b"\x00" + payload(b"v") + b"\x00" + opening + b"\x11"
    s["commitment_long_opening"] = bytes([COMMITMENT, 1, 0]) + payload(b"") + b"\x04" + payload(b"") + b"\x00" + payload(b"") + b"\x04" + payload(opening + b"\x00")
    s["commitment_raw"] = bytes([COMMITMENT, 0, 0]) + payload(b"x") + b"\x07" + payload(b"\x00\x00") + b"\x00" + payload(b"") + b"\x00" + opening
    return s


# --- fuzz_policy: a policy record or a SignedPolicy envelope, as is ----------

POLICY_CASES = HERE.parent / "tests" / "data" / "policy"


def policy_seeds():
    envelope = {name: (POLICY_CASES / f"{name}.policy").read_bytes()
                for name in ("genesis", "successor", "keytrans", "coniks-as-format-2", "record-prev-32",
                             "record-trailing-byte", "record-schema-0", "envelope-key-empty",
                             "envelope-record-one-byte-long")}
    record = {name: e[8:8 + struct.unpack(">I", e[4:8])[0]] for name, e in envelope.items()}
    return {
        **{f"record_{n.replace('-', '_')}": record[n] for n in list(envelope)[:6]},
        **{f"envelope_{n.replace('-', '_')}": envelope[n] for n in ("genesis", "record-schema-0",
                                                                    "envelope-key-empty", "envelope-record-one-byte-long")},
    }


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
    write("fuzz_base64", base64_seeds())
    write("fuzz_note", note_seeds())
    write("fuzz_coniks", coniks_seeds())
    write("fuzz_policy", policy_seeds())


if __name__ == "__main__":
    main()
