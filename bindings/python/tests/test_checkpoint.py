"""Signed notes and checkpoints through the binding: the CheckpointHead
record, the list-of-strings argument and the error messages. Python's
standard library cannot make Ed25519 signatures, so every validly signed
note comes from the Go-generated vectors in tests/interop."""

import base64
import dataclasses
import hashlib
import json
import os
import struct
import unittest
from unittest import mock

import silvantrope_log as sl
from silvantrope_log import _ffi

from ._support import Tree, enc_bytes, enc_bytes_list, enc_i32, flip

VECTORS_PATH = os.path.join(
    os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "tests", "interop", "go_vectors.json"
)
with open(VECTORS_PATH, encoding="utf-8") as _f:
    VECTORS = json.load(_f)

NOTES = {n["name"]: n for n in VECTORS["notes"]}
CHECKPOINTS = {c["tree_size"]: c for c in VECTORS["checkpoints"]}
KEYS = {k["label"]: k["vkey"] for k in VECTORS["keys"]}
LOG_KEY = CHECKPOINTS[8]["vkeys"][0]
ALICE = NOTES["one-key"]["vkeys"][0]

# The vectors' trees hold the leaves "leaf 0", "leaf 1", ...; this is an
# independent tree over the same data.
TREE = Tree([b"leaf %d" % i for i in range(max(CHECKPOINTS))])

NO_TRUSTED = "note has no verifiable signature from a trusted key"
ROOT_MISMATCH = "root mismatch: recomputed root does not match the expected root"
ROOT = hashlib.sha256(b"some root").digest()
ROOT_B64 = base64.b64encode(ROOT).decode()

PARSE = "uniffi_silvantrope_log_fn_func_checkpoint_parse"
VERIFY_NOTE = "uniffi_silvantrope_log_fn_func_verify_signed_note"


def buf(data):
    return _ffi._rustbuffer_from_bytes(data)


def enc_string(s):
    return enc_bytes(s.encode("utf-8"))


def enc_string_list(items):
    return enc_i32(len(items)) + b"".join(enc_string(s) for s in items)


def enc_head(origin, size, root, extensions):
    return enc_string(origin) + struct.pack(">Q", size) + enc_bytes(root) + enc_string_list(extensions)


def body_of(note_text):
    """The text of a signed note: everything before the blank line."""
    return note_text[: note_text.index("\n\n") + 1]


class VerifyErrorAssertions(unittest.TestCase):
    def assertVerifyError(self, message, fn, *args):
        with self.assertRaises(sl.VerifyError.Verification) as cm:
            fn(*args)
        self.assertEqual(str(cm.exception), message)

    def assertVerifyErrorStartsWith(self, prefix, fn, *args):
        with self.assertRaises(sl.VerifyError.Verification) as cm:
            fn(*args)
        self.assertTrue(str(cm.exception).startswith(prefix), str(cm.exception))


class CheckpointParseTest(VerifyErrorAssertions):
    def test_fields(self):
        body = f"example.com/log\n12345\n{ROOT_B64}\nextension line one\nx-second: 2\n"
        head = sl.checkpoint_parse(body)
        self.assertEqual(
            head,
            sl.CheckpointHead(
                origin="example.com/log",
                size=12345,
                root=ROOT,
                extensions=["extension line one", "x-second: 2"],
            ),
        )
        self.assertIs(type(head.root), bytes)
        self.assertIs(type(head.extensions), list)

    def test_no_extensions(self):
        head = sl.checkpoint_parse(f"o\n7\n{ROOT_B64}\n")
        self.assertEqual(head, sl.CheckpointHead("o", 7, ROOT, []))

    def test_crlf_lines(self):
        cases = [
            (f"o\r\n7\r\n{ROOT_B64}\r\n", []),
            (f"o\r\n7\r\n{ROOT_B64}\r\ne1\r\ne2\r\n", ["e1", "e2"]),
            (f"o\n7\r\n{ROOT_B64}\ne1\r\n", ["e1"]),
        ]
        for body, extensions in cases:
            with self.subTest(body=body):
                self.assertEqual(sl.checkpoint_parse(body), sl.CheckpointHead("o", 7, ROOT, extensions))

    def test_body_without_final_newline(self):
        cases = [
            (f"o\n7\n{ROOT_B64}", []),
            (f"o\n7\n{ROOT_B64}\nlast extension", ["last extension"]),
        ]
        for body, extensions in cases:
            with self.subTest(body=body):
                self.assertEqual(sl.checkpoint_parse(body), sl.CheckpointHead("o", 7, ROOT, extensions))

    def test_size_reaches_python_unsigned_and_in_order(self):
        for size in (0, 1, 0x0102030405060708, 2**63, 2**64 - 1):
            with self.subTest(size=size):
                self.assertEqual(sl.checkpoint_parse(f"o\n{size}\n{ROOT_B64}\n").size, size)

    def test_non_ascii_text(self):
        head = sl.checkpoint_parse(f"пример.example/лог\n3\n{ROOT_B64}\nzuständig ✓\n")
        self.assertEqual((head.origin, head.extensions), ("пример.example/лог", ["zuständig ✓"]))

    def test_errors(self):
        b48 = base64.b64encode(bytes(48)).decode()
        cases = [
            ("", "malformed checkpoint: missing origin line"),
            ("o\n", "malformed checkpoint: missing tree-size line"),
            (f"\n1\n{ROOT_B64}\n", "malformed checkpoint: empty origin line"),
            (f"o\n01\n{ROOT_B64}\n", 'malformed checkpoint: tree size has a leading zero: "01"'),
            (f"o\n+1\n{ROOT_B64}\n", 'malformed checkpoint: tree size is not decimal: "+1"'),
            (f"o\n-1\n{ROOT_B64}\n", 'malformed checkpoint: tree size is not decimal: "-1"'),
            (
                f"o\n18446744073709551616\n{ROOT_B64}\n",
                'malformed checkpoint: tree size overflow: "18446744073709551616"',
            ),
            (f"o\n1\n{b48}\n", "malformed checkpoint: root hash is 48 bytes, want 32"),
            (
                f"o\n1\n{ROOT_B64.rstrip('=')}\n",
                f'malformed checkpoint: root hash is not valid base64: "{ROOT_B64.rstrip("=")}"',
            ),
            (f"o\n1\n{ROOT_B64}\n\n", "malformed checkpoint: empty extension line"),
            (f"o\n1\n{ROOT_B64}\nx\n\ny\n", "malformed checkpoint: empty extension line"),
            (f"o\r\n1\r\n{ROOT_B64}\r\n\r\n", "malformed checkpoint: empty extension line"),
        ]
        for body, message in cases:
            with self.subTest(body=body):
                self.assertVerifyError(message, sl.checkpoint_parse, body)

    def test_text_argument_is_raw_utf8(self):
        body = f"o\n5\n{ROOT_B64}\next\n".encode()
        code, err, result = _ffi._call_raw(PARSE, buf(body))
        self.assertEqual((code, err.data), (0, b""))
        self.assertEqual(result.data, enc_head("o", 5, ROOT, ["ext"]))
        # With a length prefix the four prefix bytes become part of the origin line.
        code, err, result = _ffi._call_raw(PARSE, buf(enc_bytes(body)))
        self.assertEqual(code, 0)
        self.assertEqual(result.data, enc_head(enc_i32(len(body)).decode() + "o", 5, ROOT, ["ext"]))

    def test_argument_type(self):
        with mock.patch.object(_ffi, "_rustbuffer_from_bytes", side_effect=AssertionError) as alloc:
            with self.assertRaises(TypeError) as cm:
                sl.checkpoint_parse(f"o\n5\n{ROOT_B64}\n".encode())
        alloc.assert_not_called()
        self.assertIn("checkpoint_parse() argument 'body_text'", str(cm.exception))


class CheckpointHeadRecordTest(unittest.TestCase):
    def test_frozen_dataclass(self):
        head = sl.CheckpointHead("o", 1, ROOT, ["e"])
        self.assertEqual([f.name for f in dataclasses.fields(head)], ["origin", "size", "root", "extensions"])
        with self.assertRaises(dataclasses.FrozenInstanceError):
            head.size = 2
        self.assertEqual(head, sl.CheckpointHead(origin="o", size=1, root=ROOT, extensions=["e"]))
        self.assertNotEqual(head, sl.CheckpointHead("o", 1, ROOT, []))
        self.assertEqual(type(head).__module__, "silvantrope_log")

    def test_lift(self):
        conv = sl._CheckpointHead
        good = enc_head("o", 2**64 - 1, b"\x01\x02", ["a", ""])
        cases = [
            (good, sl.CheckpointHead("o", 2**64 - 1, b"\x01\x02", ["a", ""])),
            (enc_head("", 0, b"", []), sl.CheckpointHead("", 0, b"", [])),
            (good + b"\x00", "junk data left in buffer after lifting (count: 1)"),
            (good + b"\x00\x00\x00\x00\x00", "junk data left in buffer after lifting (count: 5)"),
            (good[:-1], "buffer returned by the library ended early"),
            # The extension count is missing altogether.
            (enc_string("o") + struct.pack(">Q", 1) + enc_bytes(b""), "buffer returned by the library ended early"),
            # The size is cut short.
            (enc_string("o") + b"\x00\x00\x00", "buffer returned by the library ended early"),
            (enc_string("o") + struct.pack(">Q", 1) + enc_i32(-1), "negative length in a buffer returned by the library"),
        ]
        for data, want in cases:
            with self.subTest(data=data.hex()):
                rb = buf(data)
                with mock.patch.object(_ffi, "_rustbuffer_free", wraps=_ffi._rustbuffer_free) as free:
                    if isinstance(want, str):
                        with self.assertRaises(sl.InternalError) as cm:
                            conv.lift(rb)
                        self.assertEqual(str(cm.exception), want)
                    else:
                        self.assertEqual(conv.lift(rb), want)
                self.assertEqual([c.args[0].address() for c in free.call_args_list], [rb.address()])

    def test_lower(self):
        head = sl.CheckpointHead("é", 2**64 - 1, b"\x01\x02", ["a", ""])
        self.assertEqual(sl._CheckpointHead.lower(head), enc_head("é", 2**64 - 1, b"\x01\x02", ["a", ""]))
        cases = [
            (("o", 1, ROOT, []), TypeError),
            (sl.CheckpointHead("o", -1, ROOT, []), ValueError),
            (sl.CheckpointHead("o", 1, ROOT, "e"), TypeError),
            (sl.CheckpointHead(b"o", 1, ROOT, []), TypeError),
            (sl.CheckpointHead("o", 1, "root", []), TypeError),
        ]
        for value, exc in cases:
            with self.subTest(value=value):
                with self.assertRaises(exc):
                    sl._CheckpointHead.check_lower(value)

    def test_lift_rejects_invalid_utf8(self):
        base = struct.pack(">Q", 1) + enc_bytes(ROOT)
        for data in (enc_bytes(b"\xff") + base + enc_i32(0), enc_string("o") + base + enc_i32(1) + enc_bytes(b"\xc3")):
            with self.subTest(data=data.hex()):
                with self.assertRaises(sl.InternalError) as cm:
                    sl._CheckpointHead.lift(buf(data))
                self.assertTrue(str(cm.exception).startswith("invalid UTF-8 in a string from the library"))


class SignedNoteTest(VerifyErrorAssertions):
    def test_valid_notes_from_go(self):
        cases = [
            ("one-key", NOTES["one-key"]["vkeys"], 1),
            ("two-keys-both-trusted", NOTES["two-keys-both-trusted"]["vkeys"], 2),
            # Only one of the two signers trusted: the other line is ignored.
            ("two-keys-both-trusted", [KEYS["bob"]], 1),
            ("one-key", [KEYS["unrelated"], ALICE, KEYS["carol"]], 1),
            ("utf8-text", NOTES["utf8-text"]["vkeys"], 1),
        ]
        for name, vkeys, count in cases:
            with self.subTest(name=name, vkeys=vkeys):
                self.assertEqual(sl.verify_signed_note(NOTES[name]["note_text"], vkeys), count)

    def test_errors(self):
        signed = NOTES["one-key"]["note_text"]
        cases = [
            ("hello\n— alice.example AAAA\n", [ALICE], "malformed signed note: missing blank-line signature separator"),
            (signed.replace("hello,", "hello,\t"), [ALICE], "malformed signed note: note contains a forbidden control character"),
            (signed, [], NO_TRUSTED),
            (signed, [KEYS["bob"]], NO_TRUSTED),
            (signed, ["nope"], 'malformed signed note: malformed verifier key: "nope"'),
            # A bad key is reported even beside a key that would verify the note.
            (signed, [ALICE, "nope"], 'malformed signed note: malformed verifier key: "nope"'),
            (signed.replace("hello", "jello"), [ALICE], 'invalid signature for known key "alice.example" (key id 0f1cfbcf)'),
        ]
        for text, vkeys, message in cases:
            with self.subTest(message=message, vkeys=vkeys):
                self.assertVerifyError(message, sl.verify_signed_note, text, vkeys)

    def test_vkeys_lift_failure(self):
        note = NOTES["one-key"]["note_text"].encode()
        vkeys = enc_i32(1) + enc_bytes(b"\xff")
        code, err, result = _ffi._call_raw(VERIFY_NOTE, buf(note), buf(vkeys))
        self.assertEqual(code, 2)
        self.assertEqual(
            err.data.decode(),
            "Failed to convert arg 'vkeys':\ninvalid utf-8 sequence of 1 bytes from index 0",
        )
        self.assertEqual(result, 0)

    def test_vkeys_wire_format(self):
        note = NOTES["two-keys-both-trusted"]["note_text"].encode()
        vkeys = [k.encode() for k in NOTES["two-keys-both-trusted"]["vkeys"]]
        code, _, result = _ffi._call_raw(VERIFY_NOTE, buf(note), buf(enc_bytes_list(vkeys)))
        self.assertEqual((code, result), (0, 2))
        # A count of one reads only the first key.
        code, _, result = _ffi._call_raw(VERIFY_NOTE, buf(note), buf(enc_i32(1) + enc_bytes(vkeys[1])))
        self.assertEqual((code, result), (0, 1))
        code, err, _ = _ffi._call_raw(VERIFY_NOTE, buf(note), buf(enc_bytes_list(vkeys) + b"!"))
        self.assertEqual((code, err.data), (2, b"Failed to convert arg 'vkeys':\njunk data left in buffer after lifting (count: 1)"))

    def test_argument_types(self):
        note = NOTES["one-key"]["note_text"]
        cases = [
            ("vkeys", (note, ALICE)),
            ("vkeys", (note, [ALICE.encode()])),
            ("vkeys", (note, [ALICE, None])),
            ("vkeys", (note, None)),
            ("note_text", (note.encode(), [ALICE])),
        ]
        for arg, args in cases:
            with self.subTest(arg=arg, args=args):
                with mock.patch.object(_ffi, "_rustbuffer_from_bytes", side_effect=AssertionError) as alloc:
                    with self.assertRaises(TypeError) as cm:
                        sl.verify_signed_note(*args)
                alloc.assert_not_called()
                self.assertIn(f"verify_signed_note() argument '{arg}'", str(cm.exception))

    def test_tuple_of_keys(self):
        self.assertEqual(sl.verify_signed_note(NOTES["one-key"]["note_text"], (ALICE,)), 1)


class CheckpointVerifyTest(VerifyErrorAssertions):
    def test_head_matches_body_and_independent_root(self):
        for size, cp in sorted(CHECKPOINTS.items()):
            with self.subTest(size=size):
                head = sl.checkpoint_verify(cp["note_text"], cp["vkeys"])
                self.assertEqual(head, sl.checkpoint_parse(body_of(cp["note_text"])))
                self.assertEqual((head.size, head.root), (size, TREE.root(size)))

    def test_errors(self):
        cp = CHECKPOINTS[8]
        cases = [
            (cp["note_text"], [ALICE], NO_TRUSTED),
            (cp["note_text"].replace("\n8\n", "\n9\n"), cp["vkeys"],
             'invalid signature for known key "example.com/interop/log" (key id c645d220)'),
            # Validly signed, but not a checkpoint.
            (NOTES["one-key"]["note_text"], [ALICE], "malformed checkpoint: missing tree-size line"),
            ("", cp["vkeys"], "malformed signed note: missing blank-line signature separator"),
        ]
        for text, vkeys, message in cases:
            with self.subTest(message=message):
                self.assertVerifyError(message, sl.checkpoint_verify, text, vkeys)

    def test_inclusion_with_independent_proofs(self):
        for size in (7, 100):
            cp = CHECKPOINTS[size]
            for index in range(size):
                with self.subTest(size=size, index=index):
                    proof = TREE.inclusion_proof(index, size)
                    self.assertIsNone(
                        sl.checkpoint_verify_inclusion(cp["note_text"], cp["vkeys"], index, TREE.hashes[index], proof)
                    )

    def test_inclusion_failures(self):
        cp = CHECKPOINTS[100]
        note, vkeys = cp["note_text"], cp["vkeys"]
        leaf, proof = TREE.hashes[42], TREE.inclusion_proof(42, 100)
        cases = [
            ((note, vkeys, 42, flip(leaf), proof), ROOT_MISMATCH),
            ((note, vkeys, 42, leaf, proof[:-1] + [flip(proof[-1])]), ROOT_MISMATCH),
            ((note, vkeys, 42, leaf, proof[:-1]), "wrong proof size: got 6, want 7"),
            ((note, vkeys, 100, leaf, proof), "leaf index 100 is beyond tree size 100"),
            ((note, vkeys, 42, leaf[:31], proof), "invalid hash length: got 31 bytes, want 32"),
            ((note, [ALICE], 42, leaf, proof), NO_TRUSTED),
            # The same leaf and proof against the signed head of a smaller tree.
            ((CHECKPOINTS[8]["note_text"], vkeys, 42, leaf, proof), "leaf index 42 is beyond tree size 8"),
        ]
        for args, message in cases:
            with self.subTest(message=message):
                self.assertVerifyError(message, sl.checkpoint_verify_inclusion, *args)

    def test_consistency_with_independent_proofs(self):
        sizes = sorted(s for s in CHECKPOINTS if s <= len(TREE.hashes))
        for older in sizes:
            for newer in sizes:
                if older > newer:
                    continue
                with self.subTest(older=older, newer=newer):
                    proof = TREE.consistency_proof(older, newer)
                    self.assertIsNone(
                        sl.checkpoint_verify_consistency(
                            CHECKPOINTS[older]["note_text"], CHECKPOINTS[newer]["note_text"], [LOG_KEY], proof
                        )
                    )

    def test_consistency_failures(self):
        old, new = CHECKPOINTS[7]["note_text"], CHECKPOINTS[100]["note_text"]
        proof = TREE.consistency_proof(7, 100)
        cases = [
            ((old, new, [LOG_KEY], proof[:1] + [flip(proof[1])] + proof[2:]), ROOT_MISMATCH),
            ((new, old, [LOG_KEY], proof), "tree size regression: size2 (7) < size1 (100)"),
            ((old, new, [ALICE], proof), NO_TRUSTED),
            ((old, new.replace("\n100\n", "\n101\n"), [LOG_KEY], proof),
             'invalid signature for known key "example.com/interop/log" (key id c645d220)'),
            ((old, old, [LOG_KEY], [ROOT]), "consistency proof between equal sizes must be empty"),
        ]
        for args, message in cases:
            with self.subTest(message=message):
                self.assertVerifyError(message, sl.checkpoint_verify_consistency, *args)

    def test_buffers_are_freed_once(self):
        cp = CHECKPOINTS[8]
        cases = [
            ("parse ok", sl.checkpoint_parse, (body_of(cp["note_text"]),), 1),
            ("parse fails", sl.checkpoint_parse, ("",), 1),
            ("verify ok", sl.checkpoint_verify, (cp["note_text"], cp["vkeys"]), 1),
            ("note ok", sl.verify_signed_note, (cp["note_text"], cp["vkeys"]), 0),
            ("note fails", sl.verify_signed_note, (cp["note_text"], []), 1),
        ]
        for name, fn, args, frees in cases:
            with self.subTest(name):
                with mock.patch.object(_ffi, "_rustbuffer_free", wraps=_ffi._rustbuffer_free) as free:
                    try:
                        fn(*args)
                    except sl.VerifyError:
                        pass
                self.assertEqual(free.call_count, frees)


if __name__ == "__main__":
    unittest.main()
