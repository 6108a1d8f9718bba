"""CONIKS lookup and absence proofs through the binding. Python's standard
library has neither Ed25519 nor a VRF, so no proof made here can verify;
these tests cover everything decided before and at the VRF check: the
namespace rule, the root length, the proof format and the VRF's own input
checks, in that order. Round trips with real proofs are exercised by the
C++ ABI tests."""

import unittest
from unittest import mock

import silvantrope_log as sl
from silvantrope_log import _ffi

from ._support import enc_bytes

NS = "acme.example"
# The Ed25519 base point: a well-formed public key that no garbage proof
# verifies against.
KEY = bytes.fromhex("5866666666666666666666666666666666666666666666666666666666666666")
ROOT = bytes(range(64))
IDENTITY = b"user1"
VRF = bytes(range(1, 81))
OPENING = b"\x02" * 32
EMPTY_PATH = bytes(32)

M = "malformed coniks proof: "
NAMESPACE_RULE = "malformed namespace: namespace must be non-empty printable ASCII without '/': "
BAD_ROOT = "coniks root must be exactly 64 bytes"
VRF_INVALID = "vrf proof did not verify against the namespace public key"

LOOKUP = "uniffi_silvantrope_log_fn_func_coniks_verify_lookup"
ABSENCE = "uniffi_silvantrope_log_fn_func_coniks_verify_absence"
FUNCTIONS = {"lookup": sl.coniks_verify_lookup, "absence": sl.coniks_verify_absence}


def field(b):
    """A 4-byte big-endian length and b."""
    return len(b).to_bytes(4, "big") + b


def path(bits, siblings=None, extra=0):
    """An authentication path: the 32-byte bitmap with the given bits set
    (bit 0 is the most significant bit of byte 0), then one 64-byte sibling
    per set bit (or the given sibling bytes), then extra zero bytes."""
    bitmap = bytearray(32)
    for i in bits:
        bitmap[i // 8] |= 0x80 >> (i % 8)
    if siblings is None:
        siblings = b"".join(bytes([i % 256]) * 64 for i in sorted(bits))
    return bytes(bitmap) + siblings + bytes(extra)


def lookup_proof(vrf=VRF, value=b"\x09", opening=OPENING, auth=EMPTY_PATH):
    return b"\x01" + field(vrf) + field(value) + opening + auth


def absence_proof(vrf=VRF, auth=EMPTY_PATH):
    return b"\x00" + field(vrf) + auth


WELL_FORMED = {"lookup": lookup_proof(), "absence": absence_proof()}


def buf(data):
    return _ffi._rustbuffer_from_bytes(data)


class VerifyErrorAssertions(unittest.TestCase):
    def assertVerifyError(self, message, fn, *args):
        with self.assertRaises(sl.VerifyError.Verification) as cm:
            fn(*args)
        self.assertEqual(str(cm.exception), message)


class NamespaceTest(VerifyErrorAssertions):
    def test_rejected_namespaces(self):
        cases = [
            ("a/b", '"a/b"'),
            ("", '""'),
            (" ", '" "'),
            ("a b", '"a b"'),
            ("/", '"/"'),
            ("acme/", '"acme/"'),
            ("a\x7f", '"a\\u{7f}"'),
            ("a\x01", '"a\\u{1}"'),
            ("a\tb", '"a\\tb"'),
            ("a\nb", '"a\\nb"'),
            ("\x00", '"\\0"'),
            ("café", '"café"'),
            ("ü", '"ü"'),
            ("acme\u00a0x", '"acme\\u{a0}x"'),
            ("✓", '"✓"'),
        ]
        for kind, fn in FUNCTIONS.items():
            for ns, quoted in cases:
                with self.subTest(kind=kind, ns=ns):
                    self.assertVerifyError(NAMESPACE_RULE + quoted, fn, ns, KEY, ROOT, IDENTITY, WELL_FORMED[kind])

    def test_namespace_is_checked_first(self):
        # Every other argument is bad too: key and root of the wrong length, empty proof.
        want = NAMESPACE_RULE + '"a/b"'
        for kind, fn in FUNCTIONS.items():
            with self.subTest(kind=kind):
                self.assertVerifyError(want, fn, "a/b", bytes(31), bytes(63), b"", b"")

    def test_every_single_byte_namespace(self):
        # Accepted namespaces get past the rule and fail on the short root.
        for kind, fn in FUNCTIONS.items():
            for b in range(128):
                ns = chr(b)
                ok = 0x21 <= b <= 0x7E and ns != "/"
                with self.subTest(kind=kind, byte=b):
                    with self.assertRaises(sl.VerifyError.Verification) as cm:
                        fn(ns, KEY, bytes(63), IDENTITY, b"")
                    if ok:
                        self.assertEqual(str(cm.exception), BAD_ROOT)
                    else:
                        self.assertTrue(str(cm.exception).startswith(NAMESPACE_RULE), str(cm.exception))

    def test_accepted_namespaces(self):
        printable = "".join(chr(c) for c in range(0x21, 0x7F) if c != 0x2F)
        for ns in (NS, "A-z_0.9!~:@", '"q"', "\\", printable, "x" * 1000):
            for kind, fn in FUNCTIONS.items():
                with self.subTest(kind=kind, ns=ns[:20]):
                    self.assertVerifyError(VRF_INVALID, fn, ns, KEY, ROOT, IDENTITY, WELL_FORMED[kind])


class RootTest(VerifyErrorAssertions):
    def test_root_length(self):
        for kind, fn in FUNCTIONS.items():
            for n in (0, 32, 63, 65, 128):
                with self.subTest(kind=kind, n=n):
                    self.assertVerifyError(BAD_ROOT, fn, NS, KEY, bytes(n), IDENTITY, WELL_FORMED[kind])

    def test_root_is_checked_before_the_proof(self):
        for kind, fn in FUNCTIONS.items():
            for proof in (b"", b"\x02", b"\xff" * 10):
                with self.subTest(kind=kind, proof=proof.hex()):
                    self.assertVerifyError(BAD_ROOT, fn, NS, bytes(31), bytes(63), IDENTITY, proof)

    def test_any_64_byte_root_gets_past(self):
        for root in (bytes(64), b"\xff" * 64, ROOT):
            with self.subTest(root=root[:2].hex()):
                self.assertVerifyError(M + "empty proof", sl.coniks_verify_lookup, NS, KEY, root, IDENTITY, b"")


class LookupProofFormatTest(VerifyErrorAssertions):
    def check(self, proof, want, key=KEY):
        self.assertVerifyError(want, sl.coniks_verify_lookup, NS, key, ROOT, IDENTITY, proof)

    def test_malformed(self):
        head = b"\x01" + field(VRF)
        one_bit = path([0], siblings=b"")
        cases = [
            (b"", M + "empty proof"),
            (b"\x02", M + "expected presence tag 0x01, got 0x02"),
            (b"\x00", M + "expected presence tag 0x01, got 0x00"),
            (b"\xff" + field(VRF), M + "expected presence tag 0x01, got 0xff"),
            (absence_proof(), M + "expected presence tag 0x01, got 0x00"),
            (b"\x01", M + "vrf proof: missing 4-byte length prefix"),
            (b"\x01\x00\x00\x00", M + "vrf proof: missing 4-byte length prefix"),
            (b"\x01\x00\x00\x00\x51" + VRF, M + "vrf proof: length prefix 81 overruns available bytes"),
            (b"\x01\xff\xff\xff\xff", M + "vrf proof: length prefix 4294967295 overruns available bytes"),
            (head, M + "value: missing 4-byte length prefix"),
            (head + b"\x00\x00", M + "value: missing 4-byte length prefix"),
            (head + b"\xff\xff\xff\xff", M + "value: length prefix 4294967295 overruns available bytes"),
            (head + b"\x00\x00\x00\x02\x09", M + "value: length prefix 2 overruns available bytes"),
            (head + field(b"\x09"), M + "missing opening"),
            (head + field(b"\x09") + OPENING[:31], M + "missing opening"),
            (head + field(b"\x09") + OPENING, M + "authentication path shorter than its bitmap"),
            (head + field(b"\x09") + OPENING + bytes(31), M + "authentication path shorter than its bitmap"),
            (head + field(b"\x09") + OPENING + one_bit + bytes(63),
             M + "authentication path: bitmap implies 1 sibling hashes (96 bytes), only 95 available"),
            (head + field(b"\x09") + OPENING + one_bit,
             M + "authentication path: bitmap implies 1 sibling hashes (96 bytes), only 32 available"),
            (head + field(b"\x09") + OPENING + path([3, 100, 255])[:-1],
             M + "authentication path: bitmap implies 3 sibling hashes (224 bytes), only 223 available"),
            (head + field(b"\x09") + OPENING + path(range(256))[:-64],
             M + "authentication path: bitmap implies 256 sibling hashes (16416 bytes), only 16352 available"),
            (head + field(b"\x09") + OPENING + EMPTY_PATH + b"\x00", M + "trailing bytes after authentication path"),
            (head + field(b"\x09") + OPENING + path([7, 8], extra=1), M + "trailing bytes after authentication path"),
        ]
        for proof, want in cases:
            with self.subTest(want=want, size=len(proof)):
                self.check(proof, want)

    def test_well_formed_proofs_reach_the_vrf(self):
        proofs = [
            lookup_proof(),
            lookup_proof(value=b""),
            lookup_proof(value=bytes(range(256)) * 40),
            lookup_proof(auth=path([0])),
            lookup_proof(auth=path([3, 100, 255])),
            lookup_proof(auth=path(range(256))),
        ]
        for proof in proofs:
            with self.subTest(size=len(proof)):
                self.check(proof, VRF_INVALID)

    def test_format_is_checked_before_the_vrf(self):
        # A short key is only noticed once the proof has parsed.
        self.check(b"", M + "empty proof", key=bytes(31))
        self.check(lookup_proof() + b"\x00", M + "trailing bytes after authentication path", key=bytes(31))
        self.check(lookup_proof(), "vrf error: invalid length: expected 32 bytes, got 31", key=bytes(31))


class AbsenceProofFormatTest(VerifyErrorAssertions):
    def check(self, proof, want, key=KEY):
        self.assertVerifyError(want, sl.coniks_verify_absence, NS, key, ROOT, IDENTITY, proof)

    def test_malformed(self):
        head = b"\x00" + field(VRF)
        cases = [
            (b"", M + "empty proof"),
            (b"\xff", M + "expected absence tag 0x00, got 0xff"),
            (b"\x02" + field(VRF) + EMPTY_PATH, M + "expected absence tag 0x00, got 0x02"),
            (lookup_proof(), M + "expected absence tag 0x00, got 0x01"),
            (b"\x00", M + "vrf proof: missing 4-byte length prefix"),
            (b"\x00\x00\x00\x00\x50", M + "vrf proof: length prefix 80 overruns available bytes"),
            (head, M + "authentication path shorter than its bitmap"),
            (head + bytes(5), M + "authentication path shorter than its bitmap"),
            (head + path([0], siblings=b"") + bytes(63),
             M + "authentication path: bitmap implies 1 sibling hashes (96 bytes), only 95 available"),
            (head + path([0, 1, 2, 3, 4, 5, 6, 7])[:-100],
             M + "authentication path: bitmap implies 8 sibling hashes (544 bytes), only 444 available"),
            (head + EMPTY_PATH + b"\x01", M + "trailing bytes after authentication path"),
            (head + path([255], extra=64), M + "trailing bytes after authentication path"),
            # An absence proof carries no value or opening: the bytes after
            # the vrf proof are the path (here the empty value and a zero
            # opening make an all-zero bitmap) and the rest is left over.
            (head + field(b"") + bytes(32) + EMPTY_PATH, M + "trailing bytes after authentication path"),
            (head + field(b"\x09") + OPENING + EMPTY_PATH,
             M + "authentication path: bitmap implies 30 sibling hashes (1952 bytes), only 69 available"),
        ]
        for proof, want in cases:
            with self.subTest(want=want, size=len(proof)):
                self.check(proof, want)

    def test_well_formed_proofs_reach_the_vrf(self):
        for auth in (EMPTY_PATH, path([0]), path([31, 32, 200]), path(range(256))):
            with self.subTest(size=len(auth)):
                self.check(absence_proof(auth=auth), VRF_INVALID)

    def test_format_is_checked_before_the_vrf(self):
        self.check(b"\x00", M + "vrf proof: missing 4-byte length prefix", key=bytes(31))
        self.check(absence_proof(), "vrf error: invalid length: expected 32 bytes, got 31", key=bytes(31))


class VrfTest(VerifyErrorAssertions):
    def test_key_length(self):
        for kind, fn in FUNCTIONS.items():
            for n in (0, 31, 33, 64):
                with self.subTest(kind=kind, n=n):
                    self.assertVerifyError(
                        f"vrf error: invalid length: expected 32 bytes, got {n}",
                        fn, NS, (KEY * 2)[:n], ROOT, IDENTITY, WELL_FORMED[kind],
                    )

    def test_proof_length(self):
        for n in (0, 1, 79, 81, 160):
            proofs = {"lookup": lookup_proof(vrf=bytes(n)), "absence": absence_proof(vrf=bytes(n))}
            for kind, fn in FUNCTIONS.items():
                with self.subTest(kind=kind, n=n):
                    self.assertVerifyError(
                        f"vrf error: invalid length: expected 80 bytes, got {n}",
                        fn, NS, KEY, ROOT, IDENTITY, proofs[kind],
                    )

    def test_key_length_is_checked_before_proof_length(self):
        proofs = {"lookup": lookup_proof(vrf=bytes(79)), "absence": absence_proof(vrf=bytes(79))}
        for kind, fn in FUNCTIONS.items():
            with self.subTest(kind=kind):
                self.assertVerifyError(
                    "vrf error: invalid length: expected 32 bytes, got 31", fn, NS, KEY[:31], ROOT, IDENTITY, proofs[kind]
                )

    def test_garbage_proof_does_not_verify(self):
        vrfs = [VRF, bytes(80), b"\xff" * 80, KEY + bytes(48)]
        keys = [KEY, bytes(32), b"\xff" * 32]
        for kind, fn in FUNCTIONS.items():
            for vrf in vrfs:
                for key in keys:
                    proof = lookup_proof(vrf=vrf) if kind == "lookup" else absence_proof(vrf=vrf)
                    with self.subTest(kind=kind, vrf=vrf[:4].hex(), key=key[:4].hex()):
                        self.assertVerifyError(VRF_INVALID, fn, NS, key, ROOT, IDENTITY, proof)

    def test_any_identity(self):
        for identity in (b"", b"\x00", b"x" * 10_000):
            for kind, fn in FUNCTIONS.items():
                with self.subTest(kind=kind, size=len(identity)):
                    self.assertVerifyError(VRF_INVALID, fn, NS, KEY, ROOT, identity, WELL_FORMED[kind])


def raw_args(ns=NS.encode(), key=None, root=None, identity=None, proof=None, kind="lookup"):
    """Hand-built argument buffers: ns is the raw text, the others are
    serialized byte lists unless given already serialized."""
    return (
        buf(ns),
        buf(enc_bytes(KEY) if key is None else key),
        buf(enc_bytes(ROOT) if root is None else root),
        buf(enc_bytes(IDENTITY) if identity is None else identity),
        buf(enc_bytes(WELL_FORMED[kind]) if proof is None else proof),
    )


def verification_error(message):
    return b"\x00\x00\x00\x01" + enc_bytes(message.encode())


class RawCallTest(unittest.TestCase):
    SYMBOLS = {"lookup": LOOKUP, "absence": ABSENCE}

    def test_well_formed_call(self):
        for kind, symbol in self.SYMBOLS.items():
            with self.subTest(kind=kind):
                code, err, _ = _ffi._call_raw(symbol, *raw_args(kind=kind))
                self.assertEqual((code, err.data), (1, verification_error(VRF_INVALID)))

    def test_failed_lookup_returns_the_zero_buffer(self):
        code, _, result = _ffi._call_raw(LOOKUP, *raw_args())
        self.assertEqual(code, 1)
        self.assertEqual(result, _ffi._RawBuffer(0, 0, None, b""))

    def test_absence_returns_nothing(self):
        self.assertIsNone(_ffi._call_raw(ABSENCE, *raw_args(kind="absence"))[2])

    def test_namespace_is_raw_text(self):
        for kind, symbol in self.SYMBOLS.items():
            with self.subTest(kind=kind):
                # With a length prefix the namespace holds control bytes.
                code, err, _ = _ffi._call_raw(symbol, *raw_args(ns=enc_bytes(b"acme"), kind=kind))
                self.assertEqual((code, err.data), (1, verification_error(NAMESPACE_RULE + '"\\0\\0\\0\\u{4}acme"')))
                # Bytes that are not UTF-8 reach the rule as they are.
                code, err, _ = _ffi._call_raw(symbol, *raw_args(ns=b"caf\xe9", kind=kind))
                self.assertEqual((code, err.data), (1, verification_error(NAMESPACE_RULE + '"caf\\xe9"')))

    def test_malformed_arguments(self):
        cases = [
            ("proof", dict(proof=b"\xff\xff\xff\xff"), "out of range integral type conversion attempted"),
            ("proof", dict(proof=b""), "not enough bytes remaining in buffer (0 < 4)"),
            ("proof", dict(proof=enc_bytes(b"\x00") + b"\x00"), "junk data left in buffer after lifting (count: 1)"),
            ("vrf_public", dict(key=enc_bytes(KEY)[:-1]), "not enough bytes remaining in buffer (0 < 1)"),
            ("vrf_public", dict(key=b"\x80\x00\x00\x00"), "out of range integral type conversion attempted"),
            ("root", dict(root=b"\x00"), "not enough bytes remaining in buffer (1 < 4)"),
            ("identity", dict(identity=enc_bytes(IDENTITY) + b"xyz"), "junk data left in buffer after lifting (count: 3)"),
            # Lifting stops at the first bad argument, before the namespace rule.
            ("vrf_public", dict(ns=b"a/b", key=b"", proof=b""), "not enough bytes remaining in buffer (0 < 4)"),
        ]
        for kind, symbol in self.SYMBOLS.items():
            for arg, bad, detail in cases:
                with self.subTest(kind=kind, arg=arg, detail=detail):
                    code, err, _ = _ffi._call_raw(symbol, *raw_args(kind=kind, **bad))
                    self.assertEqual((code, err.data.decode()), (2, f"Failed to convert arg '{arg}':\n{detail}"))


class ArgumentTest(unittest.TestCase):
    def test_rejected_before_any_allocation(self):
        good = dict(namespace=NS, vrf_public=KEY, root=ROOT, identity=IDENTITY, proof=lookup_proof())
        cases = [
            ("namespace", NS.encode()),
            ("namespace", None),
            ("vrf_public", KEY.hex()),
            ("root", list(ROOT)),
            ("identity", None),
            ("identity", "user1"),
            ("proof", [lookup_proof()]),
            ("proof", 1),
        ]
        for name_, fn in (("coniks_verify_lookup", sl.coniks_verify_lookup),
                          ("coniks_verify_absence", sl.coniks_verify_absence)):
            for name, value in cases:
                with self.subTest(fn=name_, arg=name, value=value):
                    refuse = AssertionError("allocated a buffer for a bad argument")
                    with mock.patch.object(_ffi, "_rustbuffer_from_bytes", side_effect=refuse) as alloc:
                        with self.assertRaises(TypeError) as cm:
                            fn(**{**good, name: value})
                    alloc.assert_not_called()
                    self.assertIn(f"{name_}() argument '{name}'", str(cm.exception))

    def test_bytes_like_and_keyword_arguments(self):
        with self.assertRaises(sl.VerifyError.Verification) as cm:
            sl.coniks_verify_lookup(
                proof=bytearray(lookup_proof()), identity=memoryview(IDENTITY), root=bytearray(ROOT),
                vrf_public=memoryview(KEY), namespace=NS,
            )
        self.assertEqual(str(cm.exception), VRF_INVALID)

    def test_error_buffer_freed_once(self):
        for kind, fn in FUNCTIONS.items():
            with self.subTest(kind=kind):
                with mock.patch.object(_ffi, "_rustbuffer_free", wraps=_ffi._rustbuffer_free) as free:
                    with self.assertRaises(sl.VerifyError):
                        fn(NS, KEY, ROOT, IDENTITY, WELL_FORMED[kind])
                self.assertEqual(free.call_count, 1)


if __name__ == "__main__":
    unittest.main()
