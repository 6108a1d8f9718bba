"""The C boundary itself: hand-built buffers through _call_raw, the buffer
exports, call-status handling and buffer ownership in the binding."""

import ctypes
import hashlib
import struct
import threading
import unittest
from unittest import mock

import silvantrope_log as sl
from silvantrope_log import _ffi

from ._support import Tree, enc_bytes, enc_bytes_list, enc_i32, enc_optional_bytes, flip

RustBuffer = _ffi._UniffiRustBuffer
CallStatus = _ffi._UniffiRustCallStatus
ForeignBytes = _ffi._UniffiForeignBytes
ROOT_MISMATCH = b"root mismatch: recomputed root does not match the expected root"

TREE = Tree([b"a", b"b", b"c", b"d", b"e"])
LEAF, PROOF, ROOT = TREE.hashes[2], TREE.inclusion_proof(2, 5), TREE.root(5)

INCLUSION = "uniffi_silvantrope_log_fn_func_verify_inclusion"
CONSISTENCY = "uniffi_silvantrope_log_fn_func_verify_consistency"
CANONICAL = "uniffi_silvantrope_log_fn_func_key_history_v1_canonical_bytes"
WITH_CONTEXT = "uniffi_silvantrope_log_fn_func_key_history_entry_hash_with_context"
ALLOC = "ffi_silvantrope_log_rustbuffer_alloc"
FROM_BYTES = "ffi_silvantrope_log_rustbuffer_from_bytes"
FREE = "ffi_silvantrope_log_rustbuffer_free"
RESERVE = "ffi_silvantrope_log_rustbuffer_reserve"


def buf(data):
    """A library-owned buffer holding data."""
    return _ffi._rustbuffer_from_bytes(data)


def inclusion_args(leaf=None, proof=None, root=None):
    return (
        2,
        5,
        buf(enc_bytes(LEAF) if leaf is None else leaf),
        buf(enc_bytes_list(PROOF) if proof is None else proof),
        buf(enc_bytes(ROOT) if root is None else root),
    )


def entry_args(prev):
    return (0, 0, buf(enc_bytes(b"")), buf(enc_bytes(b"")), buf(enc_bytes(b"")), buf(prev))


def python_buffer(data, capacity=None, length=None):
    """A RustBuffer over memory Python owns; only for calls that must reject it."""
    storage = (ctypes.c_uint8 * max(len(data), 1)).from_buffer_copy(data or b"\0")
    rb = RustBuffer(
        capacity=len(data) if capacity is None else capacity,
        len=len(data) if length is None else length,
        data=ctypes.cast(storage, ctypes.POINTER(ctypes.c_uint8)),
    )
    return rb, storage


class RawCallTest(unittest.TestCase):
    def test_valid_call_succeeds(self):
        code, err, result = _ffi._call_raw(INCLUSION, *inclusion_args())
        self.assertEqual((code, err.data, result), (0, b"", None))

    def test_success_leaves_status_untouched(self):
        sentinel, storage = python_buffer(b"sentinel!")
        status = CallStatus(code=0, error_buf=sentinel)
        code, err, _ = _ffi._call_raw(INCLUSION, *inclusion_args(), status=status)
        self.assertEqual(code, 0)
        self.assertEqual(
            (err.capacity, err.len, err.address, err.data),
            (9, 9, ctypes.addressof(storage), b"sentinel!"),
        )

    def test_zeroed_status_stays_zeroed_on_success(self):
        code, err, result = _ffi._call_raw(CANONICAL, *entry_args(b"\x00"))
        self.assertEqual(code, 0)
        self.assertEqual(err, _ffi._RawBuffer(0, 0, None, b""))
        self.assertEqual(result.data, enc_bytes(b"\x00\x00\x00\x01" + bytes(32)))

    def test_verification_error_layout(self):
        code, err, _ = _ffi._call_raw(INCLUSION, *inclusion_args(root=enc_bytes(flip(ROOT))))
        self.assertEqual(code, 1)
        self.assertEqual(err.data, bytes.fromhex("00000001 0000003F") + ROOT_MISMATCH)
        self.assertEqual(err.len, 8 + 63)

    def test_malformed_arguments(self):
        good_leaf = enc_bytes(LEAF)
        cases = [
            ("leaf_hash", dict(leaf=good_leaf + b"\xee\xee"),
             "junk data left in buffer after lifting (count: 2)"),
            ("leaf_hash", dict(leaf=good_leaf[:-1]), "not enough bytes remaining in buffer (0 < 1)"),
            ("leaf_hash", dict(leaf=b"\x00\x00"), "not enough bytes remaining in buffer (2 < 4)"),
            ("leaf_hash", dict(leaf=b"\x80\x00\x00\x00"), "out of range integral type conversion attempted"),
            ("proof", dict(proof=b"\xff\xff\xff\xff"), "out of range integral type conversion attempted"),
            ("proof", dict(proof=enc_i32(3) + enc_bytes(LEAF)), "not enough bytes remaining in buffer (0 < 4)"),
            ("proof", dict(proof=enc_bytes_list(PROOF) + b"\x00"),
             "junk data left in buffer after lifting (count: 1)"),
            ("root", dict(root=b""), "not enough bytes remaining in buffer (0 < 4)"),
            # Lifting stops at the first bad argument.
            ("leaf_hash", dict(leaf=b"", root=b""), "not enough bytes remaining in buffer (0 < 4)"),
        ]
        for arg, bad, detail in cases:
            with self.subTest(arg=arg, detail=detail):
                code, err, result = _ffi._call_raw(INCLUSION, *inclusion_args(**bad))
                self.assertEqual(code, 2)
                self.assertEqual(err.data.decode(), f"Failed to convert arg '{arg}':\n{detail}")
                self.assertIsNone(result)

    def test_malformed_consistency_arguments(self):
        r = enc_bytes(ROOT)
        cases = [
            ((buf(b"\xff\xff\xff\xff"), buf(r), buf(r)), "proof", "out of range integral type conversion attempted"),
            ((buf(enc_bytes_list([])), buf(b""), buf(r)), "root1", "not enough bytes remaining in buffer (0 < 4)"),
            ((buf(enc_bytes_list([])), buf(r), buf(r + b"!")), "root2", "junk data left in buffer after lifting (count: 1)"),
        ]
        for bufs, arg, detail in cases:
            with self.subTest(arg=arg):
                code, err, _ = _ffi._call_raw(CONSISTENCY, 5, 5, *bufs)
                self.assertEqual((code, err.data.decode()), (2, f"Failed to convert arg '{arg}':\n{detail}"))

    def test_optional_tags(self):
        cases = [
            (b"\x02", 2, b"Failed to convert arg 'prev_entry_hash':\nunexpected tag byte for Option"),
            (b"\xff" + enc_bytes(b"x"), 2, b"Failed to convert arg 'prev_entry_hash':\nunexpected tag byte for Option"),
            (b"", 2, b"Failed to convert arg 'prev_entry_hash':\nnot enough bytes remaining in buffer (0 < 1)"),
            (b"\x00\x00", 2, b"Failed to convert arg 'prev_entry_hash':\njunk data left in buffer after lifting (count: 1)"),
            (b"\x01", 2, b"Failed to convert arg 'prev_entry_hash':\nnot enough bytes remaining in buffer (0 < 4)"),
            (enc_optional_bytes(None), 0, b""),
            (enc_optional_bytes(b"\xab"), 0, b""),
        ]
        for prev, want_code, want_err in cases:
            with self.subTest(prev=prev.hex()):
                code, err, result = _ffi._call_raw(CANONICAL, *entry_args(prev))
                self.assertEqual((code, err.data), (want_code, want_err))
                if code:
                    # A failed call returns the zero buffer.
                    self.assertEqual(result, _ffi._RawBuffer(0, 0, None, b""))

    def test_text_argument_is_raw_utf8(self):
        context = "tarnwyk/key-history/v1".encode()
        code, _, result = _ffi._call_raw(WITH_CONTEXT, buf(context), *entry_args(b"\x00"))
        self.assertEqual(code, 0)
        self.assertEqual(result.data, enc_bytes(sl.key_history_v1_entry_hash(0, 0, b"", b"", b"", None)))
        # With a length prefix the text is a different (and malformed) label.
        code, err, _ = _ffi._call_raw(WITH_CONTEXT, buf(enc_bytes(context)), *entry_args(b"\x00"))
        self.assertEqual(code, 1)
        self.assertIn(b"malformed canonical leaf: ", err.data)


class BufferExportsTest(unittest.TestCase):
    def test_alloc(self):
        code, err, result = _ffi._call_raw(ALLOC, 5)
        self.assertEqual((code, err.data), (0, b""))
        self.assertEqual((result.capacity, result.len, result.data), (5, 5, bytes(5)))
        self.assertIsNotNone(result.address)

    def test_alloc_zero(self):
        code, _, result = _ffi._call_raw(ALLOC, 0)
        self.assertEqual((code, result.capacity, result.len), (0, 0, 0))

    def test_alloc_too_large(self):
        code, err, result = _ffi._call_raw(ALLOC, 2**63)
        self.assertEqual((code, err.data), (2, b"capacity overflow"))
        self.assertEqual(result, _ffi._RawBuffer(0, 0, None, b""))

    def test_from_bytes(self):
        data = (ctypes.c_uint8 * 3).from_buffer_copy(b"abc")
        fb = ForeignBytes(len=3, data=ctypes.cast(data, ctypes.POINTER(ctypes.c_uint8)))
        code, _, result = _ffi._call_raw(FROM_BYTES, fb)
        self.assertEqual((code, result.capacity, result.len, result.data), (0, 3, 3, b"abc"))
        self.assertNotEqual(result.address, ctypes.addressof(data))

    def test_from_bytes_rejects(self):
        data = (ctypes.c_uint8 * 1)()
        cases = [
            (ForeignBytes(len=-1, data=None), "null ForeignBytes had non-zero length"),
            (ForeignBytes(len=1, data=None), "null ForeignBytes had non-zero length"),
            (ForeignBytes(len=-1, data=ctypes.cast(data, ctypes.POINTER(ctypes.c_uint8))),
             "bytes length negative or overflowed: TryFromIntError(())"),
        ]
        for fb, message in cases:
            with self.subTest(message=message, len=fb.len):
                code, err, result = _ffi._call_raw(FROM_BYTES, fb)
                self.assertEqual((code, err.data.decode()), (2, message))
                self.assertEqual(result, _ffi._RawBuffer(0, 0, None, b""))

    def test_from_null_bytes_of_length_zero(self):
        code, _, result = _ffi._call_raw(FROM_BYTES, ForeignBytes(len=0, data=None))
        self.assertEqual((code, result.len, result.capacity), (0, 0, 0))

    def test_free_rejects_malformed_buffers(self):
        rb, storage = python_buffer(b"12345", capacity=4)
        null_with_capacity = RustBuffer(capacity=1, len=0, data=None)
        null_with_length = RustBuffer(capacity=0, len=1, data=None)
        cases = [
            (rb, "RustBuffer length exceeds capacity"),
            (null_with_capacity, "null RustBuffer had non-zero capacity"),
            (null_with_length, "null RustBuffer had non-zero length"),
        ]
        for bad, message in cases:
            with self.subTest(message=message):
                code, err, _ = _ffi._call_raw(FREE, bad)
                self.assertEqual((code, err.data.decode()), (2, message))
                with self.assertRaises(sl.InternalError) as cm:
                    _ffi._rustbuffer_free(bad)
                self.assertEqual(str(cm.exception), message)
        self.assertEqual(bytes(storage), b"12345")

    def test_free_of_null_buffer(self):
        self.assertEqual(_ffi._call_raw(FREE, RustBuffer())[0], 0)

    def test_reserve(self):
        code, _, result = _ffi._call_raw(RESERVE, buf(b"abc"), 10)
        self.assertEqual(code, 0)
        self.assertEqual(result.len, 3)
        self.assertGreaterEqual(result.capacity, 13)
        self.assertEqual(result.data, b"abc")

    def test_reserve_rejects_malformed_buffer(self):
        rb, _storage = python_buffer(b"ab", length=3)
        code, err, _ = _ffi._call_raw(RESERVE, rb, 1)
        self.assertEqual((code, err.data), (2, b"RustBuffer length exceeds capacity"))


class CallStatusTest(unittest.TestCase):
    def check(self, code, error_data=None):
        status = CallStatus(code=code)
        if error_data is not None:
            status.error_buf = buf(error_data)
        _ffi._check_call_status(status)

    def test_success(self):
        self.assertIsNone(self.check(0))

    def test_outcomes(self):
        message = "tree size regression: size2 (1) < size1 (2)"
        encoded = message.encode()
        verification = enc_i32(1) + enc_bytes(encoded)
        cases = [
            (1, verification, sl.VerifyError.Verification, message),
            (1, enc_i32(1) + enc_bytes("ünïcode ✓".encode()), sl.VerifyError.Verification, "ünïcode ✓"),
            (1, enc_i32(2) + enc_bytes(encoded), sl.InternalError, "Raw enum value doesn't match any cases: 2"),
            (1, verification + b"\x00", sl.InternalError, "junk data left in buffer after lifting (count: 1)"),
            (1, enc_i32(1) + enc_i32(100) + encoded, sl.InternalError, "buffer returned by the library ended early"),
            (1, enc_i32(1) + enc_i32(-1), sl.InternalError, "negative length in a buffer returned by the library"),
            (2, b"boom", sl.InternalError, "boom"),
            (2, b"", sl.InternalError, "Unknown panic!"),
            (2, None, sl.InternalError, "Unknown panic!"),
            (3, None, sl.InternalError, "Invalid RustCallStatus code: 3"),
            (-1, None, sl.InternalError, "Invalid RustCallStatus code: -1"),
        ]
        for code, data, exc, text in cases:
            with self.subTest(code=code, text=text):
                with self.assertRaises(exc) as cm:
                    self.check(code, data)
                self.assertEqual(type(cm.exception), exc)
                self.assertEqual(str(cm.exception), text)

    def test_error_buffer_is_freed(self):
        for code, data in ((1, enc_i32(1) + enc_bytes(b"x")), (1, enc_i32(9)), (2, b"boom")):
            with self.subTest(code=code):
                status = CallStatus(code=code, error_buf=buf(data))
                address = status.error_buf.address()
                with mock.patch.object(_ffi, "_rustbuffer_free", wraps=_ffi._rustbuffer_free) as free:
                    with self.assertRaises(Exception):
                        _ffi._check_call_status(status)
                self.assertEqual([c.args[0].address() for c in free.call_args_list], [address])


class ResultLiftTest(unittest.TestCase):
    def test_lift(self):
        bytes_conv = _ffi._UniffiConverterBytes
        list_conv = _ffi._UniffiConverterSequenceBytes
        opt_conv = _ffi._UniffiConverterOptionalBytes
        cases = [
            (bytes_conv, enc_bytes(b"abc"), b"abc"),
            (bytes_conv, enc_bytes(b""), b""),
            (list_conv, enc_bytes_list([b"a", b"", b"bc"]), [b"a", b"", b"bc"]),
            (opt_conv, enc_optional_bytes(None), None),
            (opt_conv, enc_optional_bytes(b"z"), b"z"),
            (bytes_conv, enc_bytes(b"abc") + b"x", "junk data left in buffer after lifting (count: 1)"),
            (bytes_conv, enc_i32(4) + b"abc", "buffer returned by the library ended early"),
            (bytes_conv, b"\x00\x00", "buffer returned by the library ended early"),
            (bytes_conv, enc_i32(-2), "negative length in a buffer returned by the library"),
            (list_conv, enc_i32(2) + enc_bytes(b"a"), "buffer returned by the library ended early"),
            (opt_conv, b"\x02", "unexpected tag byte for Option"),
            (opt_conv, b"\x00\x00", "junk data left in buffer after lifting (count: 1)"),
        ]
        for conv, data, want in cases:
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

    def test_lower_round_trips(self):
        for conv, value in [
            (_ffi._UniffiConverterBytes, b"\x00\xff"),
            (_ffi._UniffiConverterSequenceBytes, [b"", b"x" * 300]),
            (_ffi._UniffiConverterOptionalBytes, None),
            (_ffi._UniffiConverterOptionalBytes, b"q"),
        ]:
            with self.subTest(value=value):
                self.assertEqual(conv.lift(buf(conv.lower(value))), value)


class OwnershipTest(unittest.TestCase):
    """Argument buffers belong to the export once passed; every buffer that
    comes back is freed exactly once."""

    def frees_during(self, fn, *args):
        with mock.patch.object(_ffi, "_rustbuffer_free", wraps=_ffi._rustbuffer_free) as free:
            try:
                fn(*args)
            except sl.VerifyError:
                pass
        return free.call_count

    def test_free_counts(self):
        entry = (1, 2, b"x", b"y", b"z", b"p")
        cases = [
            ("inclusion ok", sl.verify_inclusion, (2, 5, LEAF, PROOF, ROOT), 0),
            ("inclusion fails", sl.verify_inclusion, (2, 5, LEAF, PROOF, flip(ROOT)), 1),
            ("canonical bytes", sl.key_history_v1_canonical_bytes, entry, 1),
            ("bad context", sl.key_history_entry_hash_with_context, ("x",) + entry, 1),
        ]
        for name, fn, args, frees in cases:
            with self.subTest(name):
                self.assertEqual(self.frees_during(fn, *args), frees)

    def test_result_buffer_is_freed(self):
        captured = []
        real_lift = _ffi._UniffiConverterBytes.lift

        def lift(rb):
            captured.append(rb.address())
            return real_lift(rb)

        with mock.patch.object(_ffi._UniffiConverterBytes, "lift", side_effect=lift), \
                mock.patch.object(_ffi, "_rustbuffer_free", wraps=_ffi._rustbuffer_free) as free:
            sl.key_history_v1_rfc6962_leaf_hash(0, 0, b"", b"", b"", None)
        self.assertEqual([c.args[0].address() for c in free.call_args_list], captured)

    def test_allocation_failure_releases_earlier_arguments(self):
        made = []
        real = _ffi._rustbuffer_from_bytes

        def from_bytes(data):
            if len(made) == 2:
                raise sl.InternalError("out of memory")
            made.append(real(data))
            return made[-1]

        with mock.patch.object(_ffi, "_rustbuffer_from_bytes", side_effect=from_bytes), \
                mock.patch.object(_ffi, "_rustbuffer_free", wraps=_ffi._rustbuffer_free) as free:
            with self.assertRaises(sl.InternalError):
                sl.verify_inclusion(2, 5, LEAF, PROOF, ROOT)
        self.assertEqual(
            [c.args[0].address() for c in free.call_args_list], [b.address() for b in made]
        )


class ArgumentCheckTest(unittest.TestCase):
    def test_rejected_before_any_allocation(self):
        good = dict(index=2, size=5, leaf_hash=LEAF, proof=PROOF, root=ROOT)
        cases = [
            ("index", -1, ValueError),
            ("index", 2**64, ValueError),
            ("size", 1.0, TypeError),
            ("size", "5", TypeError),
            ("size", None, TypeError),
            ("leaf_hash", LEAF.hex(), TypeError),
            ("leaf_hash", None, TypeError),
            ("leaf_hash", list(LEAF), TypeError),
            ("proof", PROOF[0], TypeError),
            ("proof", [PROOF[0].hex()], TypeError),
            ("proof", iter(PROOF), TypeError),
            ("proof", None, TypeError),
            ("root", 0, TypeError),
        ]
        for name, value, exc in cases:
            with self.subTest(arg=name, value=value):
                refuse = AssertionError("allocated a buffer for a bad argument")
                with mock.patch.object(_ffi, "_rustbuffer_from_bytes", side_effect=refuse) as alloc:
                    with self.assertRaises(exc) as cm:
                        sl.verify_inclusion(**{**good, name: value})
                alloc.assert_not_called()
                self.assertIn(f"verify_inclusion() argument '{name}'", str(cm.exception))

    def test_key_history_argument_types(self):
        cases = [
            (("tarnwyk/key-history/v1".encode(), 0, 0, b"", b"", b"", None), TypeError),
            (("tarnwyk/key-history/v1", 0, 0, b"", b"", b"", "ab"), TypeError),
            (("tarnwyk/key-history/v1", 0, -5, b"", b"", b"", None), ValueError),
            (("tarnwyk/key-history/v1", 0, 0, b"", b""), TypeError),
        ]
        for args, exc in cases:
            with self.subTest(args=args):
                with self.assertRaises(exc):
                    sl.key_history_entry_hash_with_context(*args)

    def test_u64_bounds_reach_the_library_intact(self):
        top = 2**64 - 1
        self.assertEqual(
            sl.key_history_v1_canonical_bytes(top, True, b"", b"", b"", None)[4:20],
            bytes.fromhex("ffffffffffffffff 0000000000000001"),
        )

    def test_tuple_proof(self):
        self.assertIsNone(sl.verify_inclusion(2, 5, LEAF, tuple(PROOF), ROOT))


class ThreadsTest(unittest.TestCase):
    def test_concurrent_calls(self):
        failures = []

        def work(n):
            for i in range(200):
                data = bytes([n, i % 256])
                canonical = struct.pack(">IQQI", 1, 0, 0, len(data)) + data + bytes(12)
                want = hashlib.sha256(b"\x00" + canonical).digest()
                got = sl.key_history_v1_rfc6962_leaf_hash(0, 0, data, b"", b"", None)
                if got != want:
                    failures.append((n, i))
                try:
                    sl.verify_inclusion(2, 5, LEAF, PROOF, flip(ROOT))
                    failures.append((n, i, "accepted"))
                except sl.VerifyError as e:
                    if str(e) != ROOT_MISMATCH.decode():
                        failures.append((n, i, str(e)))

        threads = [threading.Thread(target=work, args=(n,)) for n in range(8)]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
        self.assertEqual(failures, [])


if __name__ == "__main__":
    unittest.main()
