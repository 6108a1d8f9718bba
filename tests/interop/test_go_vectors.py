# SPDX-License-Identifier: Apache-2.0
"""Every case of go_vectors.json (see README.md) through the Python binding:
the library accepts exactly what Go accepts, rejects with Go's error class, and
decides the go_quirk cases by its own rules."""

import json
import pathlib
import unittest

import silvantrope_log as sl

V = json.loads(pathlib.Path(__file__).with_name("go_vectors.json").read_text(encoding="utf-8"))
NO_TRUSTED = "note has no verifiable signature from a trusted key"
PREFIX = {"malformed": "malformed signed note: ", "invalid_signature": "invalid signature for known key ", "unverified": NO_TRUSTED}
# Where Go's choice differs from the library's rules (each verified line counts,
# every trusted line is checked, at most 100 lines), the library's outcome.
QUIRKS = {"same-key-twice": 2, "hundred-signature-lines": 100,
          "same-key-twice-second-corrupted": 'invalid signature for known key "alice.example" (key id 0f1cfbcf)',
          "hundred-one-signature-lines": "malformed signed note: too many signatures"}


def run(fn, *args):
    try:
        return fn(*args)
    except sl.VerifyError.Verification as e:
        return str(e)


class GoVectorsTest(unittest.TestCase):
    def test_file_is_not_vacuous(self):
        self.assertEqual({n["go_result"].get("kind") for n in V["notes"]}, {None, *PREFIX})
        self.assertEqual({p["go_ok"] for c in V["checkpoints"] for p in c["inclusion"]}, {True, False})
        self.assertEqual({c["go_ok"] for c in V["consistency"]}, {True, False})
        self.assertTrue(any(c["extension_lines"] for c in V["checkpoints"]))
        self.assertEqual({n["name"] for n in V["notes"] if n["go_quirk"]}, set(QUIRKS))
        for cases in V["notes"], V["checkpoints"], V["consistency"]:
            self.assertEqual(len({c["name"] for c in cases}), len(cases))

    def test_notes(self):
        for c in V["notes"]:
            go, got = c["go_result"], run(sl.verify_signed_note, c["note_text"], c["vkeys"])
            with self.subTest(c["name"], go=go, got=got):
                if c["go_quirk"]:
                    self.assertEqual(got, QUIRKS[c["name"]])
                elif go["ok"]:
                    self.assertEqual(got, go["verified_count"])
                elif go["kind"] == "unverified":
                    self.assertEqual(got, NO_TRUSTED)
                else:
                    self.assertTrue(isinstance(got, str) and got.startswith(PREFIX[go["kind"]]))
                    if go["kind"] == "invalid_signature":  # both blame one key; Go names it "name+hash"
                        name, key_hash = go["go_error"].removeprefix("invalid signature for key ").rsplit("+", 1)
                        self.assertIn(f'"{name}" (key id {key_hash})', got)

    def test_checkpoints_and_inclusion(self):
        for c in V["checkpoints"]:
            with self.subTest(c["name"]):
                self.assertTrue(c["go_result"]["ok"])
                self.assertEqual(sl.checkpoint_verify(c["note_text"], c["vkeys"]), sl.CheckpointHead(
                    origin=c["origin"], size=c["tree_size"], root=bytes.fromhex(c["root_hash"]), extensions=c["extension_lines"]))
            for p in c["inclusion"]:
                got = run(sl.checkpoint_verify_inclusion, c["note_text"], c["vkeys"], p["leaf_index"],
                          bytes.fromhex(p["leaf_hash"]), [bytes.fromhex(h) for h in p["proof"]])
                with self.subTest(f"{c['name']}/{p['name']}", go=p.get("go_error"), got=got):
                    self.assertEqual(got is None, p["go_ok"])

    def test_consistency(self):
        for c in V["consistency"]:
            got = run(sl.checkpoint_verify_consistency, c["older_note"], c["newer_note"], c["vkeys"],
                      [bytes.fromhex(h) for h in c["proof"]])
            with self.subTest(c["name"], go=c.get("go_error"), got=got):
                self.assertEqual(got is None, c["go_ok"])
                for side in "older", "newer":
                    head = sl.checkpoint_verify(c[side + "_note"], c["vkeys"])
                    self.assertEqual((head.size, head.root.hex()), (c[side + "_size"], c[side + "_root"]))

