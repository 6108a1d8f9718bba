"""Commitments through the binding: the hash they are checked against, the
length checks and their order, and the mismatch on any change to the inputs.
The expected commitments are computed here with hashlib alone."""

import hashlib
import struct
import unittest
from unittest import mock

import silvantrope_log as sl
from silvantrope_log import _ffi

from ._support import enc_bytes

MISMATCH = "commitment did not open to the claimed value"
BAD_COMMITMENT = "commitment must be exactly 64 bytes"
BAD_OPENING = "opening must be exactly 32 bytes"

CONTEXT = "acme/commit/v1"
VALUE = b"alice's key"
OPENING = bytes(range(100, 132))

VERIFY = "uniffi_silvantrope_log_fn_func_verify_commitment"


def commit(context, value, opening):
    """SHA3-512(BE64(len(context)) || context || opening || value); context
    is str (hashed as UTF-8) or raw bytes."""
    ctx = context.encode("utf-8") if isinstance(context, str) else context
    return hashlib.sha3_512(struct.pack(">Q", len(ctx)) + ctx + opening + value).digest()


def flip_bit(data, bit):
    out = bytearray(data)
    out[bit // 8] ^= 0x80 >> (bit % 8)
    return bytes(out)


COMMITMENT = commit(CONTEXT, VALUE, OPENING)


def buf(data):
    return _ffi._rustbuffer_from_bytes(data)


def raw_verify(context, commitment, value, opening):
    """verify_commitment with hand-built argument buffers: context is the raw
    text bytes, the others are already serialized."""
    return _ffi._call_raw(VERIFY, buf(context), buf(commitment), buf(value), buf(opening))


class VerifyErrorAssertions(unittest.TestCase):
    def assertVerifyError(self, message, fn, *args):
        with self.assertRaises(sl.VerifyError.Verification) as cm:
            fn(*args)
        self.assertEqual(str(cm.exception), message)


class OpeningTest(VerifyErrorAssertions):
    def test_reference_commitment_opens(self):
        self.assertIsNone(sl.verify_commitment(CONTEXT, COMMITMENT, VALUE, OPENING))

    def test_hash_layout(self):
        # Pins the layout independently of commit(): one fixed input spelled out.
        data = bytes.fromhex("0000000000000003") + b"a/b" + b"\x07" * 32 + b"v"
        self.assertIsNone(sl.verify_commitment("a/b", hashlib.sha3_512(data).digest(), b"v", b"\x07" * 32))

    def test_various_inputs(self):
        cases = [
            ("", b"", bytes(32)),
            ("", VALUE, OPENING),
            (CONTEXT, b"", OPENING),
            ("x", b"\x00", b"\xff" * 32),
            (CONTEXT, bytes(range(256)) * 64, OPENING),
            ("a" * 1000, VALUE, OPENING),
            ("not a context label at all // ✓", VALUE, OPENING),
        ]
        for context, value, opening in cases:
            with self.subTest(context=context[:20], value_len=len(value)):
                self.assertIsNone(sl.verify_commitment(context, commit(context, value, opening), value, opening))

    def test_context_is_hashed_as_utf8(self):
        context = "café/commit/v1"
        self.assertEqual(len(context.encode()), len(context) + 1)
        self.assertIsNone(sl.verify_commitment(context, commit(context, VALUE, OPENING), VALUE, OPENING))
        latin1 = commit(context.encode("latin-1"), VALUE, OPENING)
        self.assertVerifyError(MISMATCH, sl.verify_commitment, context, latin1, VALUE, OPENING)

    def test_bytes_like_arguments(self):
        self.assertIsNone(
            sl.verify_commitment(CONTEXT, bytearray(COMMITMENT), memoryview(VALUE), bytearray(OPENING))
        )

    def test_keyword_arguments(self):
        self.assertIsNone(
            sl.verify_commitment(opening=OPENING, value=VALUE, commitment=COMMITMENT, context=CONTEXT)
        )


class MismatchTest(VerifyErrorAssertions):
    def test_every_commitment_bit(self):
        for bit in range(512):
            with self.subTest(bit=bit):
                self.assertVerifyError(
                    MISMATCH, sl.verify_commitment, CONTEXT, flip_bit(COMMITMENT, bit), VALUE, OPENING
                )

    def test_every_opening_bit(self):
        for bit in range(256):
            with self.subTest(bit=bit):
                self.assertVerifyError(
                    MISMATCH, sl.verify_commitment, CONTEXT, COMMITMENT, VALUE, flip_bit(OPENING, bit)
                )

    def test_every_value_bit(self):
        for bit in range(len(VALUE) * 8):
            with self.subTest(bit=bit):
                self.assertVerifyError(
                    MISMATCH, sl.verify_commitment, CONTEXT, COMMITMENT, flip_bit(VALUE, bit), OPENING
                )

    def test_every_context_bit(self):
        raw = CONTEXT.encode()
        for bit in range(len(raw) * 8):
            with self.subTest(bit=bit):
                changed = flip_bit(raw, bit)
                if changed.isascii():
                    self.assertVerifyError(
                        MISMATCH, sl.verify_commitment, changed.decode(), COMMITMENT, VALUE, OPENING
                    )
                # Every flip, also those that make the text invalid UTF-8,
                # through the raw call.
                code, err, _ = raw_verify(changed, enc_bytes(COMMITMENT), enc_bytes(VALUE), enc_bytes(OPENING))
                self.assertEqual((code, err.data), (1, b"\x00\x00\x00\x01" + enc_bytes(MISMATCH.encode())))

    def test_value_and_opening_swapped(self):
        value = b"v" * 32
        # Arguments swapped.
        self.assertVerifyError(MISMATCH, sl.verify_commitment, CONTEXT, commit(CONTEXT, value, OPENING), OPENING, value)
        # Hash inputs swapped: value before opening.
        swapped = hashlib.sha3_512(struct.pack(">Q", len(CONTEXT)) + CONTEXT.encode() + VALUE + OPENING).digest()
        self.assertVerifyError(MISMATCH, sl.verify_commitment, CONTEXT, swapped, VALUE, OPENING)

    def test_other_hash_layouts(self):
        ctx = CONTEXT.encode()
        layouts = {
            "no length prefix": ctx + OPENING + VALUE,
            "4-byte length prefix": struct.pack(">I", len(ctx)) + ctx + OPENING + VALUE,
            "little-endian length": struct.pack("<Q", len(ctx)) + ctx + OPENING + VALUE,
        }
        for name, data in layouts.items():
            with self.subTest(name):
                self.assertVerifyError(
                    MISMATCH, sl.verify_commitment, CONTEXT, hashlib.sha3_512(data).digest(), VALUE, OPENING
                )
        with self.subTest("SHA-512"):
            sha2 = hashlib.sha512(struct.pack(">Q", len(ctx)) + ctx + OPENING + VALUE).digest()
            self.assertVerifyError(MISMATCH, sl.verify_commitment, CONTEXT, sha2, VALUE, OPENING)

    def test_other_context_or_empty_inputs(self):
        self.assertVerifyError(MISMATCH, sl.verify_commitment, "acme/commit/v2", COMMITMENT, VALUE, OPENING)
        self.assertVerifyError(MISMATCH, sl.verify_commitment, "", COMMITMENT, VALUE, OPENING)
        self.assertVerifyError(MISMATCH, sl.verify_commitment, CONTEXT, COMMITMENT, b"", OPENING)
        self.assertVerifyError(MISMATCH, sl.verify_commitment, CONTEXT, COMMITMENT, VALUE + b"\x00", OPENING)
        self.assertVerifyError(MISMATCH, sl.verify_commitment, CONTEXT, bytes(64), VALUE, OPENING)


class LengthTest(VerifyErrorAssertions):
    def test_commitment_length(self):
        for n in (0, 1, 32, 63, 65, 128):
            with self.subTest(n=n):
                commitment = (COMMITMENT * 2)[:n]
                self.assertVerifyError(BAD_COMMITMENT, sl.verify_commitment, CONTEXT, commitment, VALUE, OPENING)

    def test_opening_length(self):
        for n in (0, 31, 33, 64):
            with self.subTest(n=n):
                opening = (OPENING * 2)[:n]
                self.assertVerifyError(BAD_OPENING, sl.verify_commitment, CONTEXT, COMMITMENT, VALUE, opening)

    def test_commitment_is_checked_before_the_opening(self):
        for c, o in ((63, 31), (65, 33), (63, 33), (0, 0)):
            with self.subTest(commitment=c, opening=o):
                self.assertVerifyError(
                    BAD_COMMITMENT, sl.verify_commitment, CONTEXT, bytes(c), VALUE, bytes(o)
                )

    def test_lengths_are_checked_whatever_the_value(self):
        self.assertVerifyError(BAD_OPENING, sl.verify_commitment, "", COMMITMENT, b"", bytes(31))


class RawCallTest(unittest.TestCase):
    def test_valid_call(self):
        code, err, result = raw_verify(
            CONTEXT.encode(), enc_bytes(COMMITMENT), enc_bytes(VALUE), enc_bytes(OPENING)
        )
        self.assertEqual((code, err.data, result), (0, b"", None))

    def test_context_is_raw_utf8(self):
        # With a length prefix the context is another text and the hash differs.
        code, err, _ = raw_verify(
            enc_bytes(CONTEXT.encode()), enc_bytes(COMMITMENT), enc_bytes(VALUE), enc_bytes(OPENING)
        )
        self.assertEqual(code, 1)
        self.assertEqual(err.data, b"\x00\x00\x00\x01" + enc_bytes(MISMATCH.encode()))
        prefixed = commit(enc_bytes(CONTEXT.encode()), VALUE, OPENING)
        code, _, _ = raw_verify(
            enc_bytes(CONTEXT.encode()), enc_bytes(prefixed), enc_bytes(VALUE), enc_bytes(OPENING)
        )
        self.assertEqual(code, 0)

    def test_length_error_layout(self):
        code, err, _ = raw_verify(CONTEXT.encode(), enc_bytes(bytes(63)), enc_bytes(VALUE), enc_bytes(OPENING))
        self.assertEqual(code, 1)
        self.assertEqual(err.data, bytes.fromhex("00000001 00000023") + BAD_COMMITMENT.encode())

    def test_malformed_arguments(self):
        good = dict(
            context=CONTEXT.encode(), commitment=enc_bytes(COMMITMENT), value=enc_bytes(VALUE), opening=enc_bytes(OPENING)
        )
        cases = [
            ("commitment", dict(commitment=b"\xff\xff\xff\xff"), "out of range integral type conversion attempted"),
            ("commitment", dict(commitment=enc_bytes(COMMITMENT)[:-1]), "not enough bytes remaining in buffer (0 < 1)"),
            ("value", dict(value=b"\x00\x00\x01"), "not enough bytes remaining in buffer (3 < 4)"),
            ("value", dict(value=enc_bytes(VALUE) + b"!!"), "junk data left in buffer after lifting (count: 2)"),
            ("opening", dict(opening=b""), "not enough bytes remaining in buffer (0 < 4)"),
            ("opening", dict(opening=b"\x80\x00\x00\x00"), "out of range integral type conversion attempted"),
            # Lifting stops at the first bad argument, before any length check.
            ("commitment", dict(commitment=b"", value=b""), "not enough bytes remaining in buffer (0 < 4)"),
        ]
        for arg, bad, detail in cases:
            with self.subTest(arg=arg, detail=detail):
                code, err, result = raw_verify(**{**good, **bad})
                self.assertEqual((code, err.data.decode()), (2, f"Failed to convert arg '{arg}':\n{detail}"))
                self.assertIsNone(result)


class ArgumentTest(unittest.TestCase):
    def test_rejected_before_any_allocation(self):
        good = dict(context=CONTEXT, commitment=COMMITMENT, value=VALUE, opening=OPENING)
        cases = [
            ("context", CONTEXT.encode()),
            ("context", None),
            ("commitment", COMMITMENT.hex()),
            ("commitment", list(COMMITMENT)),
            ("value", None),
            ("value", "text"),
            ("opening", 0),
        ]
        for name, value in cases:
            with self.subTest(arg=name, value=value):
                refuse = AssertionError("allocated a buffer for a bad argument")
                with mock.patch.object(_ffi, "_rustbuffer_from_bytes", side_effect=refuse) as alloc:
                    with self.assertRaises(TypeError) as cm:
                        sl.verify_commitment(**{**good, name: value})
                alloc.assert_not_called()
                self.assertIn(f"verify_commitment() argument '{name}'", str(cm.exception))

    def test_argument_count(self):
        with self.assertRaises(TypeError):
            sl.verify_commitment(CONTEXT, COMMITMENT, VALUE)

    def test_error_buffer_freed_once(self):
        for args, frees in (((CONTEXT, COMMITMENT, VALUE, OPENING), 0), ((CONTEXT, COMMITMENT, b"", OPENING), 1)):
            with self.subTest(frees=frees):
                with mock.patch.object(_ffi, "_rustbuffer_free", wraps=_ffi._rustbuffer_free) as free:
                    try:
                        sl.verify_commitment(*args)
                    except sl.VerifyError:
                        pass
                self.assertEqual(free.call_count, frees)


if __name__ == "__main__":
    unittest.main()
