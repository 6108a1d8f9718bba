"""The library, through its Python binding, against signed notes, checkpoints
and Merkle proofs that Go's golang.org/x/mod/sumdb/note and sumdb/tlog made
and judged (go_vectors.json, described in README.md beside it). The library
must accept exactly what Go accepts and reject exactly what Go rejects, with a
rejection of the same class.

Run with SILVANTROPE_LOG_LIBRARY pointing at the built library and
bindings/python on PYTHONPATH (CTest's go_interop test does both)."""

import json
import os
import unittest

import silvantrope_log as sl

VECTORS_PATH = os.path.join(os.path.dirname(os.path.abspath(__file__)), "go_vectors.json")
with open(VECTORS_PATH, encoding="utf-8") as _f:
    VECTORS = json.load(_f)

NO_TRUSTED = "note has no verifiable signature from a trusted key"
MALFORMED_NOTE = "malformed signed note: "
INVALID_SIGNATURE = "invalid signature for known key "
GO_INVALID_SIGNATURE = "invalid signature for key "

# Cases where Go's own choices differ from this library's rules, each with the
# outcome the library's rule gives: ("count", n) or ("error", exact message)
# or ("error-prefix", prefix).
QUIRKS = {
    # Each verified line counts, so a key that signs twice counts twice.
    "same-key-twice": ("count", 2),
    # Every signature line from a trusted key is checked, repeated or not.
    "same-key-twice-second-corrupted": ("error-prefix", INVALID_SIGNATURE),
    # Each of the 100 identical trusted lines verifies and is counted.
    "hundred-signature-lines": ("count", 100),
    # More than 100 signature lines is malformed.
    "hundred-one-signature-lines": ("error", "malformed signed note: too many signatures"),
}


def hexes(items):
    return [bytes.fromhex(h) for h in items]


def outcome(fn, *args):
    """("ok", result) or ("error", message) for a VerifyError."""
    try:
        return ("ok", fn(*args))
    except sl.VerifyError.Verification as e:
        return ("error", str(e))


class VectorFileTest(unittest.TestCase):
    """The vectors hold what the other tests rely on, so that an emptied or
    reshaped file cannot make them pass vacuously."""

    def test_cases_present(self):
        notes = VECTORS["notes"]
        kinds = {n["go_result"].get("kind") for n in notes if not n["go_result"]["ok"]}
        self.assertEqual(kinds, {"malformed", "unverified", "invalid_signature"})
        self.assertTrue(any(n["go_result"]["ok"] for n in notes))
        inclusion = [i for c in VECTORS["checkpoints"] for i in c["inclusion"]]
        self.assertEqual({i["go_ok"] for i in inclusion}, {True, False})
        self.assertEqual({c["go_ok"] for c in VECTORS["consistency"]}, {True, False})
        self.assertTrue(any(c["extension_lines"] for c in VECTORS["checkpoints"]))

    def test_names_are_unique(self):
        for section in ("notes", "checkpoints", "consistency"):
            names = [c["name"] for c in VECTORS[section]]
            self.assertEqual(len(names), len(set(names)), section)

    def test_every_go_quirk_has_a_decided_outcome(self):
        quirks = {n["name"] for n in VECTORS["notes"] if n["go_quirk"]}
        self.assertEqual(quirks, set(QUIRKS))


class NotesTest(unittest.TestCase):
    def test_notes_decided_as_go_decides(self):
        for case in VECTORS["notes"]:
            if case["go_quirk"]:
                continue
            with self.subTest(case=case["name"]):
                go = case["go_result"]
                got = outcome(sl.verify_signed_note, case["note_text"], case["vkeys"])
                context = f"{case['name']}: Go {go}, library {got}"
                if go["ok"]:
                    self.assertEqual(got, ("ok", go["verified_count"]), context)
                    continue
                kind, message = got
                self.assertEqual(kind, "error", context)
                if go["kind"] == "malformed":
                    self.assertTrue(message.startswith(MALFORMED_NOTE), context)
                elif go["kind"] == "unverified":
                    self.assertEqual(message, NO_TRUSTED, context)
                elif go["kind"] == "invalid_signature":
                    self.assertTrue(message.startswith(INVALID_SIGNATURE), context)
                    # Both blame the same key: Go names it "name+hash".
                    self.assertTrue(go["go_error"].startswith(GO_INVALID_SIGNATURE), context)
                    name, key_hash = go["go_error"][len(GO_INVALID_SIGNATURE):].rsplit("+", 1)
                    self.assertIn(f'"{name}"', message, context)
                    self.assertIn(key_hash, message, context)
                else:
                    self.fail(f"{case['name']}: unknown Go error kind {go['kind']!r}")

    def test_go_quirks_follow_the_library_rules(self):
        for case in VECTORS["notes"]:
            if not case["go_quirk"]:
                continue
            with self.subTest(case=case["name"]):
                want_kind, want = QUIRKS[case["name"]]
                got = outcome(sl.verify_signed_note, case["note_text"], case["vkeys"])
                context = f"{case['name']}: Go {case['go_result']}, library {got}"
                if want_kind == "count":
                    self.assertEqual(got, ("ok", want), context)
                elif want_kind == "error":
                    self.assertEqual(got, ("error", want), context)
                else:
                    self.assertEqual(got[0], "error", context)
                    self.assertTrue(got[1].startswith(want), context)


class CheckpointsTest(unittest.TestCase):
    def test_signed_checkpoints(self):
        for case in VECTORS["checkpoints"]:
            with self.subTest(case=case["name"]):
                self.assertTrue(case["go_result"]["ok"])
                head = sl.checkpoint_verify(case["note_text"], case["vkeys"])
                self.assertEqual(
                    head,
                    sl.CheckpointHead(
                        origin=case["origin"],
                        size=case["tree_size"],
                        root=bytes.fromhex(case["root_hash"]),
                        extensions=case["extension_lines"],
                    ),
                )

    def test_inclusion_proofs(self):
        for case in VECTORS["checkpoints"]:
            for proof in case["inclusion"]:
                with self.subTest(case=f"{case['name']}/{proof['name']}"):
                    got = outcome(
                        sl.checkpoint_verify_inclusion,
                        case["note_text"],
                        case["vkeys"],
                        proof["leaf_index"],
                        bytes.fromhex(proof["leaf_hash"]),
                        hexes(proof["proof"]),
                    )
                    context = f"Go ok={proof['go_ok']} ({proof.get('go_error')}), library {got}"
                    self.assertEqual(got[0] == "ok", proof["go_ok"], context)

    def test_consistency_proofs(self):
        for case in VECTORS["consistency"]:
            with self.subTest(case=case["name"]):
                got = outcome(
                    sl.checkpoint_verify_consistency,
                    case["older_note"],
                    case["newer_note"],
                    case["vkeys"],
                    hexes(case["proof"]),
                )
                context = f"Go ok={case['go_ok']} ({case.get('go_error')}), library {got}"
                self.assertEqual(got[0] == "ok", case["go_ok"], context)

    def test_consistency_checkpoint_heads(self):
        for case in VECTORS["consistency"]:
            with self.subTest(case=case["name"]):
                older = sl.checkpoint_verify(case["older_note"], case["vkeys"])
                newer = sl.checkpoint_verify(case["newer_note"], case["vkeys"])
                self.assertEqual((older.size, older.root.hex()), (case["older_size"], case["older_root"]))
                self.assertEqual((newer.size, newer.root.hex()), (case["newer_size"], case["newer_root"]))


if __name__ == "__main__":
    unittest.main()
