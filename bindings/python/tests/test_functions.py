"""Every exported function through the binding, once with a result checked
against an independent computation (or a Go-signed vector, or a bundled
sample) and once with a VerifyError and its exact message. The verifiers'
own rules are tested in C++; these rows pin what the binding carries."""

import base64
import dataclasses
import hashlib
import os
import struct
import unittest

import silvantrope_log as sl

from ._support import CHECKPOINTS, GO_TREE, KEYS, NOTES, SAMPLES, Tree, flip

TREE = Tree([b"a", b"b", b"c", b"d", b"e"])
LEAF, PROOF, ROOT = TREE.hashes[2], TREE.inclusion_proof(2, 5), TREE.root(5)
ROOT_MISMATCH = "root mismatch: recomputed root does not match the expected root"
NO_TRUSTED = "note has no verifiable signature from a trusted key"

ENTRY = (2**64 - 1, 1_700_000_000_123, b"\x11" * 32, b"\x22" * 1184, b"", b"\xab" * 64)
CANONICAL = (struct.pack(">IQQ", 1, ENTRY[0], ENTRY[1])
             + b"".join(struct.pack(">I", len(f)) + f for f in ENTRY[2:]))
GENESIS = (0, 0, b"", b"", b"", None)


def context_hash(context, message):
    ctx = context.encode()
    return hashlib.sha3_512(struct.pack(">Q", len(ctx)) + ctx + message).digest()


COMMIT_CONTEXT, VALUE, OPENING = "café/commit/v1", "wert ✓".encode(), bytes(range(32))
COMMITMENT = context_hash(COMMIT_CONTEXT, OPENING + VALUE)

ROOT_B64 = base64.b64encode(ROOT).decode()
HEAD_BODY = f"пример.example/лог\r\n18446744073709551615\n{ROOT_B64}\nzuständig ✓\nx-2"
HEAD = sl.CheckpointHead("пример.example/лог", 2**64 - 1, ROOT, ["zuständig ✓", "x-2"])

CP7, CP8, CP100 = (CHECKPOINTS[n]["note_text"] for n in (7, 8, 100))
LOG_KEYS = CHECKPOINTS[8]["vkeys"]
TWO_SIGNED = NOTES["two-keys-both-trusted"]



def sample_proof(name):
    with open(os.path.join(SAMPLES, "coniks", name), encoding="utf-8") as f:
        return bytes.fromhex("".join(f.read().split()))


ALICE_PROOF = sample_proof("alice.lookup")
CONIKS = ("chat.silvantrope.example",
          bytes.fromhex("cf6e620156e9f148c25e49aa9a60c39ea8ca882effe44bf189e0e19ba2b31b67"),
          bytes.fromhex("3333eb0d064dd4543e0eae4f39b10cae04e3f0ef81ed99e8902453adb8a15f10"
                        "3361b0b10917b7e127e12c9d52086a5b396ae899156be4009051fbb554b40d16"))
KT = open(os.path.join(SAMPLES, "policy", "keytrans-genesis.policy"), "rb").read()
KT_RECORD = KT[8:8 + struct.unpack(">I", KT[4:8])[0]]
KT_POSTURE = sl.PolicyPosture(
    "kt.silvantrope.example", 1, sl.SecurityLevel.Cat5, sl.CheckpointSuite.PureCnsa2, sl.CommitmentHash.Sha3_512,
    sl.VrfMode.Classical, sl.DirectoryMode.Keytrans, sl.KeytransSuite.Kt128Sha256P256, 0, 1767225600000,
    context_hash("kt.silvantrope.example/namespace-policy/v2", KT_RECORD), hashlib.sha256(b"\x00" + KT_RECORD).digest())
CNSA2_KEY, CNSA2_SIG = (base64.b64encode(b"\x10" + bytes(n)).decode() for n in (2592, 4627))
DECLARED = "posture mismatch: declared "
NAMESPACE_RULE = "malformed namespace: namespace must be non-empty printable ASCII without '/': "

SUCCESS = [
    (sl.verify_inclusion, (2, 5, LEAF, PROOF, ROOT), None),
    (sl.verify_consistency, (3, 5, TREE.consistency_proof(3, 5), TREE.root(3), ROOT), None),
    (sl.key_history_v1_canonical_bytes, ENTRY, CANONICAL),
    (sl.key_history_v1_canonical_bytes, GENESIS, struct.pack(">IQQ", 1, 0, 0) + bytes(16)),
    (sl.key_history_v1_entry_hash, ENTRY, context_hash("tarnwyk/key-history/v1", CANONICAL)),
    (sl.key_history_entry_hash_with_context, ("acme/key-history/v2", *ENTRY),
     context_hash("acme/key-history/v2", CANONICAL)),
    (sl.key_history_v1_rfc6962_leaf_hash, ENTRY, hashlib.sha256(b"\x00" + CANONICAL).digest()),
    (sl.verify_signed_note, (TWO_SIGNED["note_text"], TWO_SIGNED["vkeys"]), 2),
    (sl.verify_signed_note, (NOTES["utf8-text"]["note_text"], (KEYS["unrelated"], KEYS["alice"])), 1),
    (sl.checkpoint_parse, (HEAD_BODY,), HEAD),
    (sl.checkpoint_verify, (CP8, LOG_KEYS), sl.CheckpointHead("example.com/interop/log", 8, GO_TREE.root(8), [])),
    (sl.checkpoint_verify_inclusion, (CP100, LOG_KEYS, 42, GO_TREE.hashes[42], GO_TREE.inclusion_proof(42, 100)), None),
    (sl.checkpoint_verify_consistency, (CP7, CP100, LOG_KEYS, GO_TREE.consistency_proof(7, 100)), None),
    (sl.verify_commitment, (COMMIT_CONTEXT, COMMITMENT, VALUE, OPENING), None),
    (sl.coniks_verify_lookup, (*CONIKS, b"alice@chat.example", ALICE_PROOF),
     bytes.fromhex("7832353531393a386632612e2e2e3b6d6c6b656d3736383a343163302e2e2e")),
    (sl.coniks_verify_absence, (*CONIKS, b"mallory@chat.example", sample_proof("mallory.absence")), None),
    (sl.signed_policy_verify, (KT,), KT_POSTURE),
    (sl.policy_enforce_checkpoint_signing_key, (KT, CNSA2_KEY), None),
    (sl.policy_enforce_checkpoint_signature, (KT, CNSA2_SIG), None),
    (sl.policy_enforce_vrf_suite_id, (KT, 3), None),
    (sl.policy_enforce_commitment_hash, (KT, sl.CommitmentHash.Sha3_512), None),
    (sl.policy_enforce_directory_backend, (KT, 0xF004), None),
]

ERRORS = [
    (sl.verify_inclusion, (2**64 - 1, 2**64 - 1, LEAF, [], ROOT),
     "leaf index 18446744073709551615 is beyond tree size 18446744073709551615"),
    (sl.verify_inclusion, (2, 5, LEAF, PROOF[:-1] + [flip(PROOF[-1])], ROOT), ROOT_MISMATCH),
    (sl.verify_consistency, (3, 5, TREE.consistency_proof(3, 5)[:1], TREE.root(3), ROOT),
     "wrong proof size: got 1, want 4"),
    (sl.key_history_entry_hash_with_context, ("acme/key-history", *GENESIS),
     "malformed canonical leaf: context label version must start with 'v': \"acme/key-history\""),
    (sl.verify_signed_note, (TWO_SIGNED["note_text"], [KEYS["carol"]]), NO_TRUSTED),
    (sl.verify_signed_note, (TWO_SIGNED["note_text"], [KEYS["alice"], "nope"]),
     'malformed signed note: malformed verifier key: "nope"'),
    (sl.checkpoint_parse, (f"o\nü\n{ROOT_B64}\n",), 'malformed checkpoint: tree size is not decimal: "ü"'),
    (sl.checkpoint_verify, (CP8.replace("\n8\n", "\n9\n"), LOG_KEYS),
     'invalid signature for known key "example.com/interop/log" (key id c645d220)'),
    (sl.checkpoint_verify_inclusion, (CP8, LOG_KEYS, 42, GO_TREE.hashes[42], GO_TREE.inclusion_proof(42, 100)),
     "leaf index 42 is beyond tree size 8"),
    (sl.checkpoint_verify_consistency, (CP100, CP7, LOG_KEYS, []), "tree size regression: size2 (7) < size1 (100)"),
    (sl.verify_commitment, (COMMIT_CONTEXT, COMMITMENT, VALUE + b"\x00", OPENING),
     "commitment did not open to the claimed value"),
    (sl.verify_commitment, (COMMIT_CONTEXT, COMMITMENT[:63], VALUE, OPENING[:31]), "commitment must be exactly 64 bytes"),
    (sl.coniks_verify_lookup, ("café", *CONIKS[1:], b"alice@chat.example", ALICE_PROOF), NAMESPACE_RULE + '"café"'),
    (sl.coniks_verify_lookup, (*CONIKS, b"alice@chat.example", ALICE_PROOF + b"\x00"),
     "malformed coniks proof: trailing bytes after authentication path"),
    (sl.coniks_verify_absence, (*CONIKS, b"alice@chat.example", b"\x00" + bytes(4) + bytes(32)),
     "vrf error: invalid length: expected 80 bytes, got 0"),
    (sl.signed_policy_verify, (KT + b"\x00",), "malformed namespace policy: trailing bytes after signed policy envelope"),
    (sl.policy_enforce_checkpoint_signing_key, (KT, CNSA2_SIG),
     DECLARED + "PureCnsa2/Cat5, observed undecodable checkpoint key (invalid length: expected 2593 bytes, got 4628)"),
    (sl.policy_enforce_checkpoint_signature, (KT, ""), DECLARED + "PureCnsa2/Cat5, observed undecodable checkpoint "
     "signature (signature: unknown or missing signature version tag)"),
    (sl.policy_enforce_vrf_suite_id, (KT, 255), DECLARED + "vrf_mode Classical (suite_id 0x03), observed vrf suite_id 0xff"),
    (sl.policy_enforce_commitment_hash, (KT, sl.CommitmentHash.Sha3_256),
     DECLARED + "commitment_hash Sha3_512, observed commitment_hash Sha3_256"),
    (sl.policy_enforce_directory_backend, (KT, 1),
     DECLARED + "directory_mode Keytrans (backend 0xf004), observed directory backend 0x0001"),
]


class FunctionsTest(unittest.TestCase):
    def test_success(self):
        for fn, args, want in SUCCESS:
            with self.subTest(fn=fn.__name__, want=want if want is None else type(want).__name__):
                got = fn(*args)
                self.assertEqual(got, want)
                self.assertIs(type(got), type(want))

    def test_verify_errors(self):
        for fn, args, message in ERRORS:
            with self.subTest(fn=fn.__name__, message=message):
                with self.assertRaises(sl.VerifyError.Verification) as cm:
                    fn(*args)
                self.assertEqual(str(cm.exception), message)
                self.assertIsInstance(cm.exception, sl.VerifyError)
                self.assertEqual(cm.exception.args, (message,))

    def test_every_function_is_exercised(self):
        exported = {n for n in sl.__all__ if n[0].islower()}
        self.assertEqual({fn.__name__ for fn, _, _ in SUCCESS}, exported)
        # The key-history hashes of a valid entry cannot fail.
        self.assertEqual({fn.__name__ for fn, _, _ in ERRORS},
                         exported - {"key_history_v1_canonical_bytes", "key_history_v1_entry_hash",
                                     "key_history_v1_rfc6962_leaf_hash"})

    def test_calling_conventions(self):
        # Keywords, any bytes-like value and any sequence are accepted; an
        # empty previous hash means the same as None.
        self.assertIsNone(sl.verify_commitment(opening=bytearray(OPENING), value=memoryview(VALUE),
                                               commitment=COMMITMENT, context=COMMIT_CONTEXT))
        self.assertIsNone(sl.verify_inclusion(2, 5, LEAF, tuple(PROOF), ROOT))
        self.assertEqual(sl.key_history_v1_entry_hash(*GENESIS[:5], b""), sl.key_history_v1_entry_hash(*GENESIS))

    def test_checkpoint_head_record(self):
        head = sl.checkpoint_parse(HEAD_BODY)
        self.assertEqual([f.name for f in dataclasses.fields(head)], ["origin", "size", "root", "extensions"])
        self.assertEqual((type(head.root), type(head.extensions)), (bytes, list))
        with self.assertRaises(dataclasses.FrozenInstanceError):
            head.size = 2
        self.assertEqual(type(head).__module__, "silvantrope_log")


if __name__ == "__main__":
    unittest.main()
