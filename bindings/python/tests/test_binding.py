"""The binding's own work: checks on loading, lowering and lifting each wire type, call statuses as exceptions,
each returned buffer freed exactly once (on error paths too), wrong arguments refused before any call."""

import base64
import hashlib
import inspect
import json
import pathlib
import re
import struct
import unittest
from unittest import mock

import silvantrope_log as sl
from silvantrope_log import _ffi


def read(*path): return pathlib.Path(__file__).resolve().parents[3].joinpath(*path).read_text(encoding="utf-8")


def coniks(sample):
    opt = dict(re.findall(r"--([\w-]+) (\S+)", read("samples", sample)))
    return (opt["namespace"], *(bytes.fromhex(opt[k]) for k in ("vrf-public", "root")), opt["identity-text"].encode(),
            bytes.fromhex("".join(read("samples", opt["proof-file"]).split())))


def keytrans(suite, proof, label="alice@chat.example"):
    opt = dict(re.findall(r"--([\w-]+) (\S+)", read("samples", f"keytrans-{suite}.sample")))
    return (opt["context"], *(bytes.fromhex(opt[k]) for k in ("vrf-public", "root")), label.encode(),
            bytes.fromhex(read("samples", "keytrans", suite, proof).strip()))


def frees(): return mock.patch.object(_ffi, "_rustbuffer_free", wraps=_ffi._rustbuffer_free)  # records each free
def H(*parts): return hashlib.sha256(b"".join(parts)).digest()
def ctx_hash(ctx, msg): return hashlib.sha3_512(struct.pack(">Q", len(ctx)) + ctx.encode() + msg).digest()
def i32(n): return struct.pack(">i", n)
def enc(data): return i32(len(data)) + data


GO = json.loads(read("tests", "interop", "go_vectors.json"))
NOTE = next(n for n in GO["notes"] if n["name"] == "two-keys-both-trusted")
CP8, CONS = next(c for c in GO["checkpoints"] if c["tree_size"] == 8), next(c for c in GO["consistency"] if c["name"] == "3-to-8")
L = [H(b"\0", d) for d in (b"a", b"b", b"c")]  # an RFC 6962 tree of three leaves
ROOT2, ROOT3 = H(b"\1", L[0], L[1]), H(b"\1", H(b"\1", L[0], L[1]), L[2])
ENTRY = (2**64 - 1, 1_700_000_000_123, b"\x11" * 32, b"\x22" * 1184, b"", b"\xab" * 64)
CANON = struct.pack(">IQQ", 1, *ENTRY[:2]) + b"".join(enc(f) for f in ENTRY[2:])
HEAD = sl.CheckpointHead(origin="пример/лог", size=2**64 - 1, root=ROOT3, extensions=["ä ✓", "x-2"])
HEAD_WIRE = enc("пример/лог".encode()) + struct.pack(">Q", 2**64 - 1) + enc(ROOT3) + i32(2) + enc("ä ✓".encode()) + enc(b"x-2")
COMMIT = ("ctx/commit/v1", ctx_hash("ctx/commit/v1", bytes(range(32)) + b"value"), memoryview(b"value"), bytearray(range(32)))
POLICY = pathlib.Path(__file__).resolve().parents[3].joinpath("samples", "policy", "coniks-genesis.policy").read_bytes()
RECORD = POLICY[8:8 + struct.unpack(">I", POLICY[4:8])[0]]  # format 1: canonical as sent
V = sl.VerifyError.Verification
COSIGNED = (read("samples", "cosigned", "checkpoint-12.note"),
            *([k for k in read("samples", "cosigned", f).splitlines() if not k.startswith("#")] for f in ("log.keys", "witnesses.keys")))
ROOT_MISMATCH = V("root mismatch: recomputed root does not match the expected root")
TLOG = {f: read("samples", "tlog", f) for f in ("policy.txt", "proof-4.txt", "checkpoint-7.note")}
T0 = 1767225600
TLOG_CHECKPOINT = sl.VerifiedCheckpoint(
    sl.CheckpointHead("tlog.silvantrope.example/entries", 7, bytes.fromhex("60a4326cbc2c2f9045af7780e6a4bb4a995634b38a0a02829c17b093962ca9f9"), []),
    [sl.Cosignature("ed1", T0), sl.Cosignature("ed2", T0), sl.Cosignature("pq1", T0), sl.Cosignature("pq2", T0 - 100)])
CALLS = [  # every export, with its result or the VerifyError it raises
    (sl.verify_inclusion, (1, 3, L[1], (L[0], L[2]), ROOT3), None),
    (sl.verify_inclusion, (2**64 - 1, 2**64 - 1, L[0], [], ROOT3), V("leaf index 18446744073709551615 is beyond tree size 18446744073709551615")),
    (sl.verify_consistency, (2, 3, [L[2]], ROOT2, ROOT3), None), (sl.verify_consistency, (2, 3, [L[2]], ROOT3, ROOT2), ROOT_MISMATCH),
    (sl.key_history_v1_canonical_bytes, ENTRY, CANON),
    (sl.key_history_v1_entry_hash, ENTRY, ctx_hash("tarnwyk/key-history/v1", CANON)),
    (sl.key_history_entry_hash_with_context, ("a/b/v2", *ENTRY), ctx_hash("a/b/v2", CANON)),
    (sl.key_history_v1_rfc6962_leaf_hash, ENTRY, H(b"\0", CANON)),
    (sl.verify_signed_note, (NOTE["note_text"], NOTE["vkeys"]), 2),
    (sl.verify_signed_note, (NOTE["note_text"], []), V("note has no verifiable signature from a trusted key")),
    (sl.checkpoint_parse, (f"пример/лог\n18446744073709551615\n{base64.b64encode(ROOT3).decode()}\nä ✓\nx-2\n",), HEAD),
    (sl.checkpoint_verify, (CP8["note_text"], CP8["vkeys"]), sl.CheckpointHead(CP8["origin"], 8, bytes.fromhex(CP8["root_hash"]), [])),
    (sl.checkpoint_verify_inclusion, (CP8["note_text"], CP8["vkeys"], 2, bytes.fromhex(CP8["inclusion"][2]["leaf_hash"]),
                                      [bytes.fromhex(h) for h in CP8["inclusion"][2]["proof"]]), None),
    (sl.checkpoint_verify_consistency, (CONS["older_note"], CONS["newer_note"], CONS["vkeys"], [bytes.fromhex(h) for h in CONS["proof"]]), None),
    (sl.checkpoint_verify_cosigned, (*COSIGNED, 3, 1767225600), sl.checkpoint_verify(*COSIGNED[:2])),
    (sl.checkpoint_verify_cosigned, (*COSIGNED, 2**32 - 1, 2**64 - 1), V("verification failed: cosignature quorum not met: 0 of 4294967295 cosigners")),
    (sl.tlog_policy_parse, (TLOG["policy.txt"],), sl.TlogPolicy(
        ["tlog.silvantrope.example/entries", "other.silvantrope.example/log"], ["ed1", "ed2", "ed3", "pq1", "pq2"],
        ["classic", "pq", "both"], "both")),
    (sl.checkpoint_verify_policy, (TLOG["checkpoint-7.note"], TLOG["policy.txt"], T0), TLOG_CHECKPOINT),
    (sl.tlog_proof_verify, (TLOG["proof-4.txt"], TLOG["policy.txt"], H(b"\0entry 4\n"), 0), sl.VerifiedProof(4, b"seq 4", TLOG_CHECKPOINT)),
    (sl.tlog_proof_verify, (TLOG["proof-4.txt"], TLOG["policy.txt"], H(b"\0entry 5\n"), 0), ROOT_MISMATCH),
    (sl.verify_commitment, COMMIT, None),
    (sl.coniks_verify_lookup, coniks("coniks-lookup-alice.sample"), b"x25519:8f2a...;mlkem768:41c0..."),
    (sl.coniks_verify_absence, coniks("coniks-absence-mallory.sample"), None),
    (sl.signed_policy_verify, (POLICY,), sl.PolicyPosture(
        "chat.silvantrope.example", 1, sl.SecurityLevel.Cat3, sl.CheckpointSuite.Hybrid, sl.CommitmentHash.Sha3_256,
        sl.VrfMode.Classical, sl.DirectoryMode.Coniks, sl.KeytransSuite.SilvantropeHybridExp, 0, 1767225600000,
        ctx_hash("chat.silvantrope.example/namespace-policy/v1", RECORD), H(b"\0", RECORD))),
    (sl.signed_policy_verify, (POLICY[:-1] + bytes([POLICY[-1] ^ 1]),),
     V('invalid signature for known key "chat.silvantrope.example/namespace-policy" (key id 00000000)')),
    (sl.policy_enforce_checkpoint_signing_key, (POLICY, base64.b64encode(b"\2" + bytes(1984)).decode()), None),
    (sl.policy_enforce_checkpoint_signature, (POLICY, base64.b64encode(b"\1" + bytes(2484)).decode()),
     V("posture mismatch: declared Hybrid/Cat3, observed Hybrid/Cat2")),
    (sl.policy_enforce_vrf_suite_id, (POLICY, 255), V("posture mismatch: declared vrf_mode Classical (suite_id 0x03), observed vrf suite_id 0xff")),
    (sl.policy_enforce_commitment_hash, (POLICY, sl.CommitmentHash.Sha3_512),
     V("posture mismatch: declared commitment_hash Sha3_256, observed commitment_hash Sha3_512")),
    (sl.policy_enforce_directory_backend, (POLICY, 0xF004),
     V("posture mismatch: declared directory_mode Coniks (backend 0x0001), observed directory backend 0xf004")),
    (sl.keytrans_verify_search, keytrans("hybrid-exp", "alice.search"), sl.SearchResult(True, b"x25519:8f2a...;mlkem768:41c2")),
    (sl.keytrans_verify_search, keytrans("hybrid-exp", "mallory.search", "mallory@chat.example"), sl.SearchResult(False, None)),
    (sl.keytrans_verify_search, keytrans("hybrid-exp", "alice-tampered.search"), V("commitment did not open to the claimed value")),
    (sl.keytrans_verify_fixed_version, keytrans("hybrid-exp", "alice-1.fixed"), sl.SearchResult(True, b"x25519:8f2a...;mlkem768:41c1")),
    (sl.keytrans_verify_monitor, keytrans("hybrid-exp", "alice-2.monitor"), None),
    (sl.keytrans_verify_monitor, keytrans("hybrid-exp", "alice.search"), V("malformed keytrans structure: expected monitor proof (kind 3), got kind 1")),
    (sl.keytrans_verify_search_suite, (1, *keytrans("p256", "alice.search")), sl.SearchResult(True, b"x25519:8f2a...;mlkem768:41c2")),
    (sl.keytrans_verify_search_suite, (0xF004, *keytrans("p256", "alice.search")), V("malformed keytrans structure: unknown keytrans suite id 0xf004")),
    (sl.keytrans_verify_fixed_version_suite, (2, *keytrans("ed25519", "alice-1.fixed")), sl.SearchResult(True, b"x25519:8f2a...;mlkem768:41c1")),
    (sl.keytrans_verify_monitor_suite, (1, *keytrans("p256", "alice-2.monitor")), None),
    (sl.keytrans_verify_monitor_suite, (2, *keytrans("p256", "alice-2.monitor")), V("vrf error: invalid length: expected 32 bytes, got 33")),
]


class BindingTest(unittest.TestCase):
    def test_loading_checks(self):
        def load(**stubs):  # runs _ffi's code again, as an import does, with library functions stubbed
            lib = mock.Mock(wraps=_ffi._lib, **{f"{name}.return_value": value for name, value in stubs.items()})
            with mock.patch("ctypes.CDLL", return_value=lib) as cdll, open(_ffi.__file__, encoding="utf-8") as f:
                exec(compile(f.read(), _ffi.__file__, "exec"), {"__name__": "fresh_ffi", "__file__": _ffi.__file__})
            return cdll.call_args.args
        with mock.patch.dict("os.environ", {"SILVANTROPE_LOG_LIBRARY": "/the/lib.so"}):
            self.assertEqual(load(), ("/the/lib.so",))
        mismatch = "UniFFI API checksum mismatch: try cleaning and rebuilding your project"
        cases = [({f"uniffi_silvantrope_log_checksum_func_{n}": v ^ 1}, mismatch) for n, v in _ffi._EXPECTED_CHECKSUMS.items()]
        cases.append(({"ffi_silvantrope_log_uniffi_contract_version": 31}, "UniFFI contract version mismatch: try "
                      "cleaning and rebuilding your project (library has 31, bindings expect 30)"))
        for stubs, message in cases:
            with self.subTest(stubs), self.assertRaisesRegex(Exception, "^" + re.escape(message) + "$") as cm:
                load(**stubs)
            self.assertEqual(type(cm.exception).__name__, "InternalError")  # the fresh module's own class
        self.assertRaises(sl.InternalError, _ffi._check_api_checksums, _ffi._lib, {"no_such_function": 1})
        self.assertEqual(len(_ffi._EXPECTED_CHECKSUMS), 30)

    def test_every_export(self):
        self.assertEqual({f.__name__ for f, _, _ in CALLS}, {n for n in sl.__all__ if n.islower()})
        h = read("include", "silvantrope_log.h").replace(" ns,", " namespace,")  # C prototypes: parameters named as in Python
        for fn, args, want in CALLS:
            with self.subTest(fn.__name__, want=want), frees() as free:
                self.assertEqual([*inspect.signature(fn).parameters], re.findall(r"(\w+),", re.search(rf"fn_func_{fn.__name__}\(([^)]*)", h)[1]))
                try:
                    got = fn(*args)
                except sl.VerifyError as e:
                    got = e
                self.assertEqual(*((type(x), x.args if isinstance(x, Exception) else x) for x in (got, want)))
                self.assertEqual(free.call_count, 0 if want is None or isinstance(want, int) else 1)  # result or error

    def test_call_statuses(self):
        for code, data, exc, message in [
            (1, i32(1) + enc("ünï ✓".encode()), V, "ünï ✓"),
            (1, i32(2) + enc(b"x"), sl.InternalError, "Raw enum value doesn't match any cases: 2"),
            (2, "bööm".encode(), sl.InternalError, "bööm"), (2, b"", sl.InternalError, "Unknown panic!"),
            (3, b"", sl.InternalError, "Invalid RustCallStatus code: 3"),
        ]:
            status = _ffi._UniffiRustCallStatus(code=code, error_buf=_ffi._rustbuffer_from_bytes(data))
            with self.subTest(message), frees() as free, self.assertRaises(exc) as cm:
                _ffi._check_call_status(status)
            self.assertEqual((type(cm.exception), str(cm.exception), free.call_count), (exc, message, code != 3))
        raw = _ffi._lib.uniffi_silvantrope_log_fn_func_key_history_v1_canonical_bytes  # with a byte of junk after a None: a real code 2
        with frees() as free, self.assertRaises(sl.InternalError) as cm:
            _ffi._rust_call(raw, 0, 0, *map(_ffi._rustbuffer_from_bytes, (i32(0), i32(0), i32(0), b"\0\0")))
        self.assertEqual((str(cm.exception), free.call_count), ("Failed to convert arg 'prev_entry_hash':\njunk data left in buffer after lifting (count: 1)", 1))

    def test_wire(self):
        b, bl, ob = _ffi._UniffiConverterBytes, _ffi._UniffiConverterSequenceBytes, _ffi._UniffiConverterOptionalBytes
        for conv, value, wire in [  # (converter, value, wire form): lowered to it and lifted from it, or a lifting error
            (b, b"", i32(0)), (b, b"ab", enc(b"ab")), (bl, [], i32(0)), (bl, [b"a", b"", b"bc"], i32(3) + enc(b"a") + enc(b"") + enc(b"bc")),
            (_ffi._UniffiConverterSequenceString, ["é", ""], i32(2) + enc("é".encode()) + enc(b"")), (sl._CheckpointHead, HEAD, HEAD_WIRE),
            (ob, None, b"\0"), (ob, b"", b"\1" + i32(0)), (ob, b"z", b"\1" + enc(b"z")), (ob, "unexpected tag byte for Option", b"\2"),
            (b, "junk data left in buffer after lifting (count: 1)", enc(b"ab") + b"x"),
            (b, "buffer returned by the library ended early", i32(3) + b"ab"),
            (b, "negative length in a buffer returned by the library", i32(-2)),
            (sl._CheckpointHead, "invalid UTF-8 in a string from the library: ", enc(b"\xff") + HEAD_WIRE[23:]),  # a bad origin
        ]:
            rb = _ffi._rustbuffer_from_bytes(wire)
            with self.subTest(wire=wire.hex()), frees() as free:
                if isinstance(value, str):
                    self.assertRaisesRegex(sl.InternalError, "^" + re.escape(value), conv.lift, rb)
                else:
                    self.assertEqual((conv.lower(value), conv.lift(rb)), (wire, value))
                self.assertEqual([c.args[0].address() for c in free.call_args_list], [rb.address()])

    def test_lowering_failures(self):  # bad arguments refused before allocating, tried on the first export in CALLS taking them
        for name, value, exc in [("index", -1, ValueError), ("size", 2**64, ValueError), ("size", 1.0, TypeError), ("leaf_hash", "ab", TypeError),
                                 ("proof", b"ab", TypeError), ("proof", ["ab"], TypeError), ("note_text", b"x", TypeError),
                                 ("vkeys", "k", TypeError), ("vkeys", [b"k"], TypeError), ("prev_entry_hash", "ab", TypeError),
                                 ("observed_suite_id", 256, ValueError), ("observed_backend_id", -1, ValueError), ("observed", 2, TypeError)]:
            fn, good = next((f, dict(zip(inspect.signature(f).parameters, a))) for f, a, _ in CALLS if name in inspect.signature(f).parameters)
            with self.subTest(fn.__name__, arg=name, value=value), self.assertRaisesRegex(exc, f"^{fn.__name__}\\(\\) argument '{name}'"):
                with mock.patch.object(_ffi, "_rustbuffer_from_bytes", side_effect=AssertionError("allocated")):
                    fn(**{**good, name: value})
        made = [_ffi._rustbuffer_from_bytes(b"ab") for _ in range(2)]  # a failed allocation frees those made before it
        with mock.patch.object(_ffi, "_rustbuffer_from_bytes", side_effect=[*made, MemoryError]), frees() as free:
            self.assertRaises(MemoryError, sl.verify_inclusion, 1, 3, L[1], [L[0], L[2]], ROOT3)
        self.assertEqual([c.args[0].address() for c in free.call_args_list], [b.address() for b in made])
