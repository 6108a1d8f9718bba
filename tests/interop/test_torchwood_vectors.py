# SPDX-License-Identifier: Apache-2.0
"""Every case of torchwood_vectors.json (see README.md) through the Python
binding: C2SP tlog-policy files accepted and refused as filippo.io/torchwood's
ParsePolicy does, and tlog-proof@v1 files it wrote judged as its VerifyProof
judges them, with the index, extra data, tree size and witness timestamps it
reads from them."""

import json
import pathlib
import unittest

import silvantrope_log as sl

V = json.loads(pathlib.Path(__file__).with_name("torchwood_vectors.json").read_text(encoding="utf-8"))
POLICY = {c["name"]: c["policy"] for c in V["policies"]}
# The error each refused file gets here: the offending line, or the file as a whole.
POLICY_ERRORS = {
    "no-quorum": "missing quorum line", "two-quorums": "line 3", "quorum-undefined": "line 2",
    "quorum-missing-name": "line 2", "unknown-keyword": "line 2", "log-missing-key": "line 1",
    "log-bad-base64": "line 1", "log-key-id-wrong": "line 1", "witness-key-id-wrong": "line 1",
    "log-witness-key": "line 1", "witness-log-key": "line 1", "witness-missing-key": "line 1",
    "witness-duplicate-name": "line 2", "group-duplicate-of-witness": "line 2", "group-unknown-member": "line 2",
    "group-forward-member": "line 2", "group-no-members": "line 2", "group-threshold-zero": "line 2",
    "group-threshold-above-n": "line 2", "group-threshold-negative": "line 2", "group-threshold-word": "line 2",
}
# The class of each refused proof here, as torchwood tells them apart.
PROOF_ERRORS = {
    "quorum": "witness quorum not met", "no-log-signature": "note has no verifiable signature from a trusted key",
    "origin-not-the-log-name": 'no policy log for checkpoint origin "log.example/a"', "wrong-": "root mismatch",
    "flipped-proof-hash": "root mismatch", "proof-hash-missing": "wrong proof size",
    "bad-known-cosignature": 'invalid signature for known key "w1.example"',
    "tampered-root": 'invalid signature for known key "log.example/a"', "bad-header": "malformed tlog proof: line 1",
    "index-not-a-number": "malformed tlog proof: line 2", "hash-line-": "malformed tlog proof: line 3: proof hash",
}


def outcome(fn, *args):
    try:
        return fn(*args)
    except sl.VerifyError.Verification as e:
        return str(e)


class TorchwoodVectorsTest(unittest.TestCase):
    def test_file_is_not_vacuous(self):
        self.assertTrue(V["peer"].startswith("filippo.io/torchwood v"))
        for cases in V["policies"], V["proofs"]:
            self.assertEqual({c["go_ok"] for c in cases}, {True, False})
            self.assertEqual(len({c["name"] for c in cases}), len(cases))
        self.assertEqual({c["name"] for c in V["policies"] if not c["go_ok"]}, set(POLICY_ERRORS))
        self.assertTrue(any(c["extra_hex"] for c in V["proofs"]))
        self.assertTrue(any(w["witness"].startswith("m") for c in V["proofs"] for w in c["cosignatures"]))

    def test_policies(self):
        for c in V["policies"]:
            got = outcome(sl.tlog_policy_parse, c["policy"])
            with self.subTest(c["name"], go=c.get("go_error"), got=got):
                if c["go_ok"]:
                    self.assertIsInstance(got, sl.TlogPolicy)
                    self.assertEqual(got.witnesses, [line.split()[1] for line in c["policy"].splitlines()
                                                     if line.split()[:1] == ["witness"]])
                else:
                    self.assertIsInstance(got, str)
                    self.assertIn(POLICY_ERRORS[c["name"]], got)

    def test_proofs(self):
        for c in V["proofs"]:
            got = outcome(sl.tlog_proof_verify, c["proof"], POLICY[c["policy_case"]], bytes.fromhex(c["leaf_hash"]), 0)
            with self.subTest(c["name"], go=c.get("go_error"), got=got):
                if not c["go_ok"]:
                    self.assertIsInstance(got, str)
                    self.assertIn(next(v for k, v in PROOF_ERRORS.items() if c["name"].startswith(k)), got)
                    continue
                self.assertIsInstance(got, sl.VerifiedProof)
                self.assertEqual((got.index, got.checkpoint.head.size), (c["index"], c["tree_size"]))
                self.assertEqual(got.extra, None if c["extra_hex"] is None else bytes.fromhex(c["extra_hex"]))
                self.assertEqual([(w.witness, w.timestamp) for w in got.checkpoint.cosignatures],
                                 [(w["witness"], w["timestamp"]) for w in c["cosignatures"]])


if __name__ == "__main__":
    unittest.main()
