import hashlib
import struct
import unittest

import silvantrope_log as sl

DEFAULT_CONTEXT = "tarnwyk/key-history/v1"
GENESIS = (0, 0, b"", b"", b"", None)
ENTRY = (7, 1_700_000_000_123, b"\x11" * 32, b"\x22" * 1184, b"\x33" * 32, b"\xab" * 64)
FUNCTIONS = [
    sl.key_history_v1_canonical_bytes,
    sl.key_history_v1_entry_hash,
    lambda *entry: sl.key_history_entry_hash_with_context(DEFAULT_CONTEXT, *entry),
    sl.key_history_v1_rfc6962_leaf_hash,
]


def canonical(seq, ts_ms, enc_x25519, enc_pq, signing_pub, prev_entry_hash):
    out = struct.pack(">IQQ", 1, seq, ts_ms)
    for field in (enc_x25519, enc_pq, signing_pub, prev_entry_hash or b""):
        out += struct.pack(">I", len(field)) + field
    return out


def context_hash(context, message):
    ctx = context.encode()
    return hashlib.sha3_512(struct.pack(">Q", len(ctx)) + ctx + message).digest()


class CanonicalBytesTest(unittest.TestCase):
    def test_genesis(self):
        self.assertEqual(
            sl.key_history_v1_canonical_bytes(*GENESIS), bytes.fromhex("00000001") + bytes(32)
        )

    def test_layout(self):
        entries = [
            GENESIS,
            ENTRY,
            (2**64 - 1, 2**64 - 2, b"x", b"", b"sig", b"\xab"),
            (1, 2, b"", b"pq", b"", bytes(range(256)) * 4),
        ]
        for entry in entries:
            with self.subTest(seq=entry[0]):
                self.assertEqual(sl.key_history_v1_canonical_bytes(*entry), canonical(*entry))

    def test_one_byte_previous_hash_comes_last(self):
        out = sl.key_history_v1_canonical_bytes(0, 0, b"", b"", b"", b"\xab")
        self.assertTrue(out.endswith(bytes.fromhex("00000001ab")))
        self.assertEqual(len(out), 37)

    def test_bytes_like_arguments(self):
        x, pq, sp, prev = ENTRY[2:]
        self.assertEqual(
            sl.key_history_v1_canonical_bytes(
                ENTRY[0], ENTRY[1], bytearray(x), memoryview(pq), sp, bytearray(prev)
            ),
            canonical(*ENTRY),
        )

    def test_keyword_arguments(self):
        self.assertEqual(
            sl.key_history_v1_canonical_bytes(
                prev_entry_hash=b"\x01", signing_pub=b"s", enc_pq=b"p", enc_x25519=b"x", ts_ms=3, seq=2
            ),
            canonical(2, 3, b"x", b"p", b"s", b"\x01"),
        )


class HashesTest(unittest.TestCase):
    def test_entry_hash(self):
        for entry in (GENESIS, ENTRY):
            with self.subTest(seq=entry[0]):
                got = sl.key_history_v1_entry_hash(*entry)
                self.assertEqual(len(got), 64)
                self.assertEqual(got, context_hash(DEFAULT_CONTEXT, canonical(*entry)))

    def test_rfc6962_leaf_hash(self):
        for entry in (GENESIS, ENTRY):
            with self.subTest(seq=entry[0]):
                self.assertEqual(
                    sl.key_history_v1_rfc6962_leaf_hash(*entry),
                    hashlib.sha256(b"\x00" + canonical(*entry)).digest(),
                )

    def test_default_context_matches_v1_entry_hash(self):
        for entry in (GENESIS, ENTRY):
            with self.subTest(seq=entry[0]):
                self.assertEqual(
                    sl.key_history_entry_hash_with_context(DEFAULT_CONTEXT, *entry),
                    sl.key_history_v1_entry_hash(*entry),
                )

    def test_other_contexts(self):
        for context in ("acme/key-history/v2", "a/b/v0", "x!/~y/v18446744073709551615"):
            with self.subTest(context=context):
                self.assertEqual(
                    sl.key_history_entry_hash_with_context(context, *ENTRY),
                    context_hash(context, canonical(*ENTRY)),
                )

    def test_every_field_changes_every_result(self):
        base = list(ENTRY)
        changed = [1, 2, b"\x11" * 31, b"\x22" * 1183, b"\x34" * 32, None]
        for fn in FUNCTIONS:
            reference = fn(*base)
            for i, value in enumerate(changed):
                with self.subTest(fn=getattr(fn, "__name__", "with_context"), field=i):
                    self.assertNotEqual(fn(*base[:i], value, *base[i + 1 :]), reference)

    def test_absent_and_empty_previous_hash_agree(self):
        for fn in FUNCTIONS:
            for entry in (GENESIS, ENTRY):
                with self.subTest(fn=getattr(fn, "__name__", "with_context"), seq=entry[0]):
                    self.assertEqual(fn(*entry[:5], None), fn(*entry[:5], b""))


class ContextLabelTest(unittest.TestCase):
    def test_malformed_labels(self):
        version_v = "context label version must start with 'v'"
        printable = "context label segments must be non-empty printable ASCII"
        cases = [
            ("acme/key-history", f'{version_v}: "acme/key-history"'),
            ("acme/key-history/1", f'{version_v}: "acme/key-history/1"'),
            ("acme/key-history/", f'{version_v}: "acme/key-history/"'),
            ("a/b/c/v1", 'context label has too many \'/\'-segments: "a/b/c/v1"'),
            ("acme/key-history/v01", 'context label version must not have leading zeros: "acme/key-history/v01"'),
            ("acme/key-history/vx", 'context label version must be \'v\' followed by digits: "acme/key-history/vx"'),
            ("acme/x/v18446744073709551616", 'context label version overflow: "acme/x/v18446744073709551616"'),
            ("", f'{printable}: ""'),
            ("acme", f'{printable}: "acme"'),
            ("/x/v1", f'{printable}: "/x/v1"'),
            ("acme//v1", f'{printable}: "acme//v1"'),
            ("ac me/x/v1", f'{printable}: "ac me/x/v1"'),
            ("a\tb/x/v1", printable + ': "a\\tb/x/v1"'),
            ('a"b/x', version_v + ': "a\\"b/x"'),
        ]
        for context, detail in cases:
            with self.subTest(context=context):
                with self.assertRaises(sl.VerifyError.Verification) as cm:
                    sl.key_history_entry_hash_with_context(context, *GENESIS)
                self.assertEqual(str(cm.exception), "malformed canonical leaf: " + detail)


if __name__ == "__main__":
    unittest.main()
