"""The C boundary itself: hand-built argument buffers through _call_raw,
status codes and error buffers, the buffer exports, lifting results,
buffer ownership and the checks made before the library is called."""

import base64
import ctypes
import hashlib
import struct
import threading
import unittest
from unittest import mock

import silvantrope_log as sl
from silvantrope_log import _ffi

from ._support import (NOTES, Tree, buf, counting_frees, enc_bytes, enc_head, enc_i32, enc_list,
                       enc_string, flip, verification_error)

RustBuffer, CallStatus, ForeignBytes = _ffi._UniffiRustBuffer, _ffi._UniffiRustCallStatus, _ffi._UniffiForeignBytes
ZERO = _ffi._RawBuffer(0, 0, None, b"")
TREE = Tree([b"a", b"b", b"c", b"d", b"e"])
LEAF, PROOF, ROOT = TREE.hashes[2], TREE.inclusion_proof(2, 5), TREE.root(5)
ROOT_B64 = base64.b64encode(ROOT).decode()
ROOT_MISMATCH = "root mismatch: recomputed root does not match the expected root"
NOTE = NOTES["two-keys-both-trusted"]


def fn(name):
    return f"uniffi_silvantrope_log_fn_func_{name}"


def rt(name):
    return f"ffi_silvantrope_log_rustbuffer_{name}"


def inclusion(leaf=enc_bytes(LEAF), proof=enc_list(PROOF), root=enc_bytes(ROOT)):
    return fn("verify_inclusion"), 2, 5, buf(leaf), buf(proof), buf(root)


def canonical_bytes(prev):
    return fn("key_history_v1_canonical_bytes"), 0, 0, buf(enc_bytes(b"")), buf(enc_bytes(b"")), buf(enc_bytes(b"")), buf(prev)


def signed_note(vkeys):
    return fn("verify_signed_note"), buf(NOTE["note_text"].encode()), buf(vkeys)


def python_buffer(data, capacity, length):
    """A RustBuffer over memory Python owns; only for calls that must reject it."""
    storage = (ctypes.c_uint8 * len(data)).from_buffer_copy(data)
    return RustBuffer(capacity, length, ctypes.cast(storage, ctypes.POINTER(ctypes.c_uint8))), storage


class RawCallTest(unittest.TestCase):
    def test_each_wire_type(self):
        body = f"ö\n5\n{ROOT_B64}\nä ✓\n".encode()
        vkeys = NOTE["vkeys"]
        genesis = struct.pack(">IQQ", 1, 0, 0) + bytes(16)
        cases = [
            ("bytes, list of bytes", inclusion(), None),
            # A top-level text argument is its bare UTF-8 bytes, without a length.
            ("text", (fn("checkpoint_parse"), buf(body)), enc_head("ö", 5, ROOT, ["ä ✓"])),
            ("list of strings", signed_note(enc_list([k.encode() for k in vkeys])), 2),
            # A count of one reads only the first key.
            ("list of one string", signed_note(enc_i32(1) + enc_string(vkeys[1])), 1),
            ("optional bytes, none", canonical_bytes(b"\x00"), enc_bytes(genesis)),
            ("optional bytes, some", canonical_bytes(b"\x01" + enc_bytes(b"\xab")), enc_bytes(genesis[:-4] + enc_bytes(b"\xab"))),
        ]
        for name, call, want in cases:
            with self.subTest(name):
                code, err, result = _ffi._call_raw(*call)
                self.assertEqual((code, err), (0, ZERO))
                self.assertEqual(result if want is None or isinstance(want, int) else result.data, want)

    def test_malformed_arguments(self):
        cases = [
            (inclusion(leaf=enc_bytes(LEAF) + b"\xee\xee"), "leaf_hash", "junk data left in buffer after lifting (count: 2)", None),
            (inclusion(proof=b"\xff\xff\xff\xff"), "proof", "out of range integral type conversion attempted", None),
            (inclusion(proof=enc_i32(3) + enc_bytes(LEAF)), "proof", "not enough bytes remaining in buffer (0 < 4)", None),
            (inclusion(root=b"\x00\x00"), "root", "not enough bytes remaining in buffer (2 < 4)", None),
            # Lifting stops at the first bad argument.
            (inclusion(leaf=b"", root=b""), "leaf_hash", "not enough bytes remaining in buffer (0 < 4)", None),
            (canonical_bytes(b"\x02"), "prev_entry_hash", "unexpected tag byte for Option", ZERO),
            (canonical_bytes(b"\x00\x00"), "prev_entry_hash", "junk data left in buffer after lifting (count: 1)", ZERO),
            (signed_note(enc_i32(1) + enc_bytes(b"\xff")), "vkeys", "invalid utf-8 sequence of 1 bytes from index 0", 0),
        ]
        for call, arg, detail, zero in cases:
            with self.subTest(arg=arg, detail=detail):
                code, err, result = _ffi._call_raw(*call)
                self.assertEqual((code, err.data.decode()), (2, f"Failed to convert arg '{arg}':\n{detail}"))
                self.assertEqual(result, zero)

    def test_verification_error_layout(self):
        message = "malformed namespace: namespace must be non-empty printable ASCII without '/': \"café\""
        encoded = message.encode()
        args = [buf("café".encode())] + [buf(enc_bytes(b"")) for _ in range(4)]
        code, err, result = _ffi._call_raw(fn("coniks_verify_lookup"), *args)
        self.assertEqual(code, 1)
        # Variant 1, then the message's length in bytes (not characters).
        self.assertEqual(err.data, b"\x00\x00\x00\x01" + struct.pack(">i", len(message) + 1) + encoded)
        self.assertEqual((err.len, result), (8 + len(encoded), ZERO))
        code, err, result = _ffi._call_raw(*inclusion(root=enc_bytes(flip(ROOT))))
        self.assertEqual((code, err.data, result), (1, verification_error(ROOT_MISMATCH), None))

    def test_success_leaves_status_untouched(self):
        sentinel, storage = python_buffer(b"sentinel!", 9, 9)
        code, err, _ = _ffi._call_raw(*inclusion(), status=CallStatus(code=0, error_buf=sentinel))
        self.assertEqual((code, err), (0, _ffi._RawBuffer(9, 9, ctypes.addressof(storage), b"sentinel!")))


class BufferExportsTest(unittest.TestCase):
    def test_alloc_and_reserve(self):
        code, err, result = _ffi._call_raw(rt("alloc"), 5)
        self.assertEqual((code, err, result.capacity, result.len, result.data), (0, ZERO, 5, 5, bytes(5)))
        self.assertEqual(_ffi._call_raw(rt("alloc"), 0)[0], 0)
        code, err, result = _ffi._call_raw(rt("alloc"), 2**63)
        self.assertEqual((code, err.data, result), (2, b"capacity overflow", ZERO))
        code, _, result = _ffi._call_raw(rt("reserve"), buf(b"abc"), 10)
        self.assertEqual((code, result.len, result.data), (0, 3, b"abc"))
        self.assertGreaterEqual(result.capacity, 13)

    def test_from_bytes(self):
        data = (ctypes.c_uint8 * 3).from_buffer_copy(b"abc")
        pointer = ctypes.cast(data, ctypes.POINTER(ctypes.c_uint8))
        code, _, result = _ffi._call_raw(rt("from_bytes"), ForeignBytes(3, pointer))
        self.assertEqual((code, result.capacity, result.len, result.data), (0, 3, 3, b"abc"))
        self.assertNotEqual(result.address, ctypes.addressof(data))
        self.assertEqual(_ffi._call_raw(rt("from_bytes"), ForeignBytes(0, None))[0], 0)
        for fb, message in [(ForeignBytes(1, None), "null ForeignBytes had non-zero length"),
                            (ForeignBytes(-1, pointer), "bytes length negative or overflowed: TryFromIntError(())")]:
            with self.subTest(message):
                code, err, result = _ffi._call_raw(rt("from_bytes"), fb)
                self.assertEqual((code, err.data.decode(), result), (2, message, ZERO))

    def test_free(self):
        self.assertEqual(_ffi._call_raw(rt("free"), RustBuffer())[0], 0)
        bad, storage = python_buffer(b"12345", capacity=4, length=5)
        code, err, _ = _ffi._call_raw(rt("free"), bad)
        self.assertEqual((code, err.data), (2, b"RustBuffer length exceeds capacity"))
        with self.assertRaises(sl.InternalError) as cm:
            _ffi._rustbuffer_free(bad)
        self.assertEqual(str(cm.exception), "RustBuffer length exceeds capacity")
        self.assertEqual(bytes(storage), b"12345")

    def test_short_allocation_is_refused_and_freed(self):
        real, alloc = _ffi._rust_call, _ffi._lib.ffi_silvantrope_log_rustbuffer_alloc

        def short(function, *args):
            result = real(function, *args)
            if function is alloc:
                result.len -= 1
            return result

        with mock.patch.object(_ffi, "_rust_call", side_effect=short), counting_frees() as freed:
            with self.assertRaises(sl.InternalError) as cm:
                _ffi._rustbuffer_from_bytes(b"abc")
        self.assertEqual(str(cm.exception), "rustbuffer_alloc returned a buffer of the wrong size")
        self.assertEqual(len(freed), 1)


class CallStatusTest(unittest.TestCase):
    def test_outcomes(self):
        message = "tree size regression: size2 (1) < size1 (2)"
        cases = [
            (1, verification_error(message), sl.VerifyError.Verification, message),
            (1, verification_error("ünïcode ✓"), sl.VerifyError.Verification, "ünïcode ✓"),
            (1, enc_i32(2) + enc_string(message), sl.InternalError, "Raw enum value doesn't match any cases: 2"),
            (1, verification_error(message) + b"\x00", sl.InternalError, "junk data left in buffer after lifting (count: 1)"),
            (1, enc_i32(1) + enc_i32(100) + message.encode(), sl.InternalError, "buffer returned by the library ended early"),
            (2, "bööm".encode(), sl.InternalError, "bööm"),
            (2, b"", sl.InternalError, "Unknown panic!"),
            (2, None, sl.InternalError, "Unknown panic!"),
            (3, None, sl.InternalError, "Invalid RustCallStatus code: 3"),
        ]
        self.assertIsNone(_ffi._check_call_status(CallStatus(code=0)))
        for code, data, exc, text in cases:
            with self.subTest(code=code, text=text):
                status = CallStatus(code=code, error_buf=RustBuffer() if data is None else buf(data))
                with counting_frees() as freed, self.assertRaises(exc) as cm:
                    _ffi._check_call_status(status)
                self.assertEqual((type(cm.exception), str(cm.exception)), (exc, text))
                # A filled error buffer is freed exactly once, whatever its content.
                self.assertEqual(freed, [] if code == 3 else [status.error_buf.address()])


class LiftTest(unittest.TestCase):
    def test_results(self):
        bytes_, list_, optional, head = (_ffi._UniffiConverterBytes, _ffi._UniffiConverterSequenceBytes,
                                         _ffi._UniffiConverterOptionalBytes, sl._CheckpointHead)
        good_head = enc_head("o", 2**64 - 1, b"\x01", ["a", ""])
        cases = [
            (bytes_, enc_bytes(b"abc"), b"abc"),
            (list_, enc_list([b"a", b"", b"bc"]), [b"a", b"", b"bc"]),
            (optional, b"\x00", None),
            (optional, b"\x01" + enc_bytes(b"z"), b"z"),
            (head, good_head, sl.CheckpointHead("o", 2**64 - 1, b"\x01", ["a", ""])),
            (bytes_, enc_bytes(b"abc") + b"x", "junk data left in buffer after lifting (count: 1)"),
            (head, good_head + bytes(5), "junk data left in buffer after lifting (count: 5)"),
            (bytes_, enc_i32(4) + b"abc", "buffer returned by the library ended early"),
            (list_, enc_i32(2) + enc_bytes(b"a"), "buffer returned by the library ended early"),
            (head, good_head[:-1], "buffer returned by the library ended early"),
            (bytes_, enc_i32(-2), "negative length in a buffer returned by the library"),
            (optional, b"\x02", "unexpected tag byte for Option"),
            (head, enc_bytes(b"\xff") + good_head[5:], "invalid UTF-8 in a string from the library: "),
        ]
        for conv, data, want in cases:
            with self.subTest(data=data.hex()):
                rb = buf(data)
                with counting_frees() as freed:
                    if isinstance(want, str):
                        with self.assertRaises(sl.InternalError) as cm:
                            conv.lift(rb)
                        self.assertEqual(str(cm.exception)[: len(want)], want)
                    else:
                        self.assertEqual(conv.lift(rb), want)
                self.assertEqual(freed, [rb.address()])

    def test_record_lowering(self):
        value = sl.CheckpointHead("é", 2**64 - 1, b"\x01", ["a", ""])
        self.assertEqual(sl._CheckpointHead.lower(value), enc_head("é", 2**64 - 1, b"\x01", ["a", ""]))
        for bad, exc in [(("o", 1, b"", []), TypeError), (sl.CheckpointHead("o", -1, b"", []), ValueError),
                         (sl.CheckpointHead("o", 1, b"", "e"), TypeError)]:
            with self.subTest(bad=bad), self.assertRaises(exc):
                sl._CheckpointHead.check_lower(bad)


class OwnershipTest(unittest.TestCase):
    """Argument buffers belong to the export once passed; every buffer that
    comes back (a result or a filled error buffer) is freed exactly once."""

    def test_free_counts(self):
        body = f"o\n1\n{ROOT_B64}\n"
        cases = [
            (sl.verify_inclusion, (2, 5, LEAF, PROOF, ROOT), 0),
            (sl.verify_inclusion, (2, 5, LEAF, PROOF, flip(ROOT)), 1),
            (sl.key_history_v1_canonical_bytes, (1, 2, b"x", b"y", b"z", b"p"), 1),
            (sl.key_history_entry_hash_with_context, ("x", 1, 2, b"x", b"y", b"z", None), 1),
            (sl.checkpoint_parse, (body,), 1),
            (sl.verify_signed_note, (NOTE["note_text"], NOTE["vkeys"]), 0),
            (sl.verify_signed_note, (NOTE["note_text"], []), 1),
        ]
        for function, args, frees in cases:
            with self.subTest(function.__name__, frees=frees):
                with counting_frees() as freed:
                    try:
                        function(*args)
                    except sl.VerifyError:
                        pass
                self.assertEqual(len(freed), frees)

    def test_allocation_failure_releases_earlier_arguments(self):
        made, real = [], _ffi._rustbuffer_from_bytes

        def from_bytes(data):
            if len(made) == 2:
                raise sl.InternalError("out of memory")
            made.append(real(data))
            return made[-1]

        with mock.patch.object(_ffi, "_rustbuffer_from_bytes", side_effect=from_bytes), counting_frees() as freed:
            with self.assertRaises(sl.InternalError):
                sl.verify_inclusion(2, 5, LEAF, PROOF, ROOT)
        self.assertEqual(freed, [b.address() for b in made])


class ArgumentCheckTest(unittest.TestCase):
    def test_rejected_before_any_allocation(self):
        inc = dict(index=2, size=5, leaf_hash=LEAF, proof=PROOF, root=ROOT)
        note = dict(note_text=NOTE["note_text"], vkeys=NOTE["vkeys"])
        entry = dict(context="a/b/v1", seq=0, ts_ms=0, enc_x25519=b"", enc_pq=b"", signing_pub=b"", prev_entry_hash=None)
        cases = [
            (sl.verify_inclusion, inc, "index", -1, ValueError),
            (sl.verify_inclusion, inc, "size", 2**64, ValueError),
            (sl.verify_inclusion, inc, "size", 1.0, TypeError),
            (sl.verify_inclusion, inc, "size", "5", TypeError),
            (sl.verify_inclusion, inc, "leaf_hash", LEAF.hex(), TypeError),
            (sl.verify_inclusion, inc, "root", None, TypeError),
            (sl.verify_inclusion, inc, "proof", PROOF[0], TypeError),
            (sl.verify_inclusion, inc, "proof", iter(PROOF), TypeError),
            (sl.verify_inclusion, inc, "proof", [PROOF[0].hex()], TypeError),
            (sl.verify_signed_note, note, "note_text", b"text", TypeError),
            (sl.verify_signed_note, note, "vkeys", NOTE["vkeys"][0], TypeError),
            (sl.verify_signed_note, note, "vkeys", [NOTE["vkeys"][0].encode()], TypeError),
            (sl.key_history_entry_hash_with_context, entry, "prev_entry_hash", "ab", TypeError),
            (sl.key_history_entry_hash_with_context, entry, "ts_ms", -5, ValueError),
        ]
        for function, good, name, value, exc in cases:
            with self.subTest(function.__name__, arg=name, value=value):
                refuse = AssertionError("allocated a buffer for a bad argument")
                with mock.patch.object(_ffi, "_rustbuffer_from_bytes", side_effect=refuse) as alloc:
                    with self.assertRaises(exc) as cm:
                        function(**{**good, name: value})
                alloc.assert_not_called()
                self.assertIn(f"{function.__name__}() argument '{name}'", str(cm.exception))
        with self.assertRaises(TypeError):
            sl.verify_commitment("c", b"", b"")


class ThreadsTest(unittest.TestCase):
    def test_concurrent_calls(self):
        failures = []

        def work(n):
            for i in range(200):
                data = bytes([n, i])
                canonical = struct.pack(">IQQI", 1, i, n, 2) + data + bytes(12)
                if sl.key_history_v1_rfc6962_leaf_hash(i, n, data, b"", b"", None) != hashlib.sha256(b"\x00" + canonical).digest():
                    failures.append((n, i))
                try:
                    sl.verify_inclusion(2, 5, LEAF, PROOF, flip(ROOT, n))
                    failures.append((n, i, "accepted"))
                except sl.VerifyError as e:
                    if str(e) != ROOT_MISMATCH:
                        failures.append((n, i, str(e)))

        threads = [threading.Thread(target=work, args=(n,)) for n in range(8)]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
        self.assertEqual(failures, [])


if __name__ == "__main__":
    unittest.main()
