"""The bundled samples (a signed log, a CONIKS directory, commitments, key
history entries, RFC 6962 proofs, signed namespace policies) checked through the binding: real
signatures and VRF proofs that Python cannot make itself, with the outcomes
the samples record."""

import os
import shlex
import unittest

import silvantrope_log as sl

from ._support import SAMPLES


def read_sample(name):
    """(command words, options, expected output lines) of a sample file."""
    words, expect = [], []
    with open(os.path.join(SAMPLES, name), encoding="utf-8") as f:
        for line in f:
            if line.startswith("expect: "):
                expect.append(line[len("expect: "):].rstrip("\n"))
            else:
                words += shlex.split(line.split("#", 1)[0])
    command, options, i = [], {}, 0
    while i < len(words):
        if words[i] == "--inclusion":
            options["inclusion"], i = [], i + 1
        elif words[i].startswith("--"):
            options.setdefault(words[i][2:], []).append(words[i + 1])
            i += 2
        else:
            command.append(words[i])
            i += 1
    return command, options, expect


def text_file(rel):
    with open(os.path.join(SAMPLES, rel), encoding="utf-8") as f:
        return f.read()


def run(command, opt):
    """The sample's command through the binding, as the lines it prints."""
    one = {k: v[0] for k, v in opt.items() if v}
    hexes = lambda k: [bytes.fromhex(h) for h in opt.get(k, [])]  # noqa: E731
    keys = opt.get("key", []) + [l.strip() for p in opt.get("key-file", []) for l in text_file(p).splitlines()
                                 if l.strip() and not l.startswith("#")]
    try:
        if command[0] == "coniks":
            fn = sl.coniks_verify_lookup if command[1] == "lookup" else sl.coniks_verify_absence
            value = fn(one["namespace"], bytes.fromhex(one["vrf-public"]), bytes.fromhex(one["root"]),
                       one["identity-text"].encode(), bytes.fromhex("".join(text_file(one["proof-file"]).split())))
            return ["valid" if value is None else "valid: value " + value.hex() if value else "valid: empty value"]
        if command[0] == "policy":  # PolicyPosture lifted: enums by name, hashes as bytes
            with open(os.path.join(SAMPLES, one["envelope"]), "rb") as f:
                posture = sl.signed_policy_verify(f.read())
            return ["valid"] + [f"{k}: {v.hex() if isinstance(v, bytes) else getattr(v, 'name', v)}"
                                for k, v in vars(posture).items()]
        if command[0] == "commitment":
            sl.verify_commitment(one["context"], *(bytes.fromhex(one[k]) for k in ("commitment", "value", "opening")))
        elif command[0] == "key-history":
            entry = (int(one["seq"]), int(one["ts-ms"]), *(bytes.fromhex(one[k]) for k in ("enc-x25519", "enc-pq", "signing-pub")),
                     bytes.fromhex(one["prev"]) if "prev" in one else None)
            if "context" in one:
                return [sl.key_history_entry_hash_with_context(one["context"], *entry).hex()]
            fn = {"canonical-bytes": sl.key_history_v1_canonical_bytes, "entry-hash": sl.key_history_v1_entry_hash,
                  "leaf-hash": sl.key_history_v1_rfc6962_leaf_hash}[command[1]]
            return [fn(*entry).hex()]
        elif command[0] == "inclusion":
            sl.verify_inclusion(int(one["index"]), int(one["size"]), bytes.fromhex(one["leaf"]), hexes("proof"),
                                bytes.fromhex(one["root"]))
        elif command[0] == "consistency":
            sl.verify_consistency(int(one["size1"]), int(one["size2"]), hexes("proof"),
                                  bytes.fromhex(one["root1"]), bytes.fromhex(one["root2"]))
        elif command[0] == "note":
            return [f"valid: {sl.verify_signed_note(text_file(one['note']), keys)} trusted signatures"]
        elif "inclusion" in opt:
            sl.checkpoint_verify_inclusion(text_file(one["note"]), keys, int(one["index"]), bytes.fromhex(one["leaf"]),
                                           hexes("proof"))
        elif "consistency" in opt:
            sl.checkpoint_verify_consistency(text_file(one["note"]), text_file(one["consistency"]), keys, hexes("proof"))
        else:
            head = sl.checkpoint_verify(text_file(one["note"]), keys)
            return ["valid", f"origin: {head.origin}", f"size: {head.size}", f"root: {head.root.hex()}"]
    except sl.VerifyError as e:
        return ["invalid: " + str(e)]
    return ["valid"]


class SamplesTest(unittest.TestCase):
    def test_samples(self):
        names = sorted(n for n in os.listdir(SAMPLES) if n.endswith(".sample"))
        commands = set()
        for name in names:
            with self.subTest(sample=name):
                command, options, expect = read_sample(name)
                commands.add(command[0])
                self.assertTrue(expect)
                self.assertEqual(run(command, options), expect)
        self.assertEqual(commands, {"coniks", "commitment", "key-history", "inclusion", "consistency", "note", "checkpoint",
                                    "policy"})


if __name__ == "__main__":
    unittest.main()
