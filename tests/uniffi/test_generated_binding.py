"""The Python module uniffi-bindgen 0.31 generates for this interface, unchanged, loads the built library, passes its
checksum check and takes every export to a result and to a failure: the hand-written binding's cases, and those they lack."""

import base64, dataclasses, enum, importlib.util, os, pathlib, shutil, sys, tempfile, unittest  # noqa: E401

ROOT = pathlib.Path(__file__).resolve().parents[2]
GENERATED = ROOT / ".." / "shared" / "uniffi-0.31" / "generated" / "silvantrope_log.py"
sys.path.insert(0, str(ROOT / "bindings" / "python"))
import silvantrope_log as sl  # noqa: E402
from tests.test_binding import CALLS, V  # noqa: E402

UNTRUSTED, NO_VRF = V("note has no verifiable signature from a trusted key"), V("vrf proof did not verify against the namespace public key")
KEYTRANS_ROOT = V("keytrans proof root mismatch: recomputed root does not match the expected root")
MORE = [  # (function, argument replaced in its first case in CALLS, new value, result)
    ("key_history_entry_hash_with_context", 0, "acme/key-history",
     V("malformed canonical leaf: context label version must start with 'v': \"acme/key-history\"")),
    ("checkpoint_parse", 0, "", V("malformed checkpoint: missing origin line")), ("checkpoint_verify", 1, [], UNTRUSTED),
    ("checkpoint_verify_inclusion", 1, [], UNTRUSTED), ("checkpoint_verify_consistency", 2, [], UNTRUSTED),
    ("verify_commitment", 2, b"other", V("commitment did not open to the claimed value")),
    ("coniks_verify_lookup", 3, b"bob@chat.example", NO_VRF), ("coniks_verify_absence", 3, b"alice@chat.example", NO_VRF),
    ("policy_enforce_checkpoint_signing_key", 1, base64.b64encode(b"\1" + bytes(1344)).decode(),  # Hybrid/Cat2
     V("posture mismatch: declared Hybrid/Cat3, observed Hybrid/Cat2")),
    ("policy_enforce_checkpoint_signature", 1, base64.b64encode(b"\2" + bytes(3373)).decode(), None),  # Hybrid/Cat3
    ("policy_enforce_vrf_suite_id", 1, 3, None), ("policy_enforce_commitment_hash", 1, sl.CommitmentHash.Sha3_256, None),
    ("policy_enforce_directory_backend", 1, 1, None),
    ("keytrans_verify_fixed_version", 2, bytes(32), KEYTRANS_ROOT),
    ("keytrans_verify_fixed_version_suite", 3, bytes(32), KEYTRANS_ROOT),
]
ADDED_SINCE = {"checkpoint_verify_cosigned", "tlog_policy_parse", "checkpoint_verify_policy", "tlog_proof_verify"}  # exports the 26-function module does not know, and need not
INFALLIBLE = ["key_history_v1_canonical_bytes", "key_history_v1_entry_hash", "key_history_v1_rfc6962_leaf_hash"]


def generated(value, gen):  # a value of the hand-written binding as the generated module spells it
    if isinstance(value, enum.Enum):
        return list(getattr(gen, type(value).__name__))[value.value - 1]
    if dataclasses.is_dataclass(value):
        return getattr(gen, type(value).__name__)(**{k: generated(v, gen) for k, v in vars(value).items()})
    return gen.VerifyError.Verification(*value.args) if isinstance(value, sl.VerifyError) else value


class GeneratedBindingTest(unittest.TestCase):
    def test_every_export(self):
        with tempfile.TemporaryDirectory() as folder:  # the module loads the library beside it
            shutil.copy(GENERATED, folder)
            shutil.copy(os.environ["SILVANTROPE_LOG_LIBRARY"], os.path.join(folder, "libsilvantrope_log.so"))
            module = importlib.util.spec_from_file_location("generated_silvantrope_log", os.path.join(folder, "silvantrope_log.py"))
            gen = importlib.util.module_from_spec(module)
            module.loader.exec_module(gen)  # resolves every symbol, checks the contract version
        gen._uniffi_check_api_checksums(gen._UniffiLib)
        self.assertFalse(any(hasattr(gen, name) for name in ADDED_SINCE))
        cases = [(f.__name__, args, want) for f, args, want in CALLS if f.__name__ not in ADDED_SINCE]
        for name, i, value, want in MORE:
            args = list(next(a for f, a, _ in CALLS if f.__name__ == name))
            cases.append((name, args[:i] + [value] + args[i + 1:], want))
        for name, args, want in cases:
            with self.subTest(name, want=want):
                try:
                    got = getattr(gen, name)(*(generated(a, gen) for a in args))
                except gen.VerifyError as e:
                    got = e
                self.assertEqual(*((type(x), x.args if isinstance(x, Exception) else x) for x in (got, generated(want, gen))))
        for name in INFALLIBLE:  # they raise no VerifyError: prev_entry_hash sent as a byte list does not lift, code 2
            with self.subTest(name), self.assertRaises(gen.InternalError) as cm:
                gen._uniffi_rust_call_with_error(gen._UniffiFfiConverterTypeVerifyError, getattr(gen._UniffiLib, "uniffi_silvantrope_log_fn_func_" + name),
                                                 0, 0, *map(gen._UniffiFfiConverterBytes.lower, [b""] * 3 + [b"\0\0"]))
            self.assertEqual(str(cm.exception), "Failed to convert arg 'prev_entry_hash':\njunk data left in buffer after lifting (count: 5)")
        ran = {(name, isinstance(want, Exception)) for name, _, want in cases} | {(name, True) for name in INFALLIBLE}
        self.assertEqual(len(ran), 52)  # each of the 26 both ways
