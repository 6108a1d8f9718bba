"""The bundled samples (a signed log, a CONIKS directory, commitments) checked
through the binding: real signatures and VRF proofs that Python cannot make
itself, with the outcomes the samples record."""

import os
import shlex
import unittest

import silvantrope_log as sl

SAMPLES = os.path.join(os.path.dirname(__file__), "..", "..", "..", "samples")


def read_sample(name):
    """(options, positional words, expected output lines) of a sample file."""
    words, expect = [], []
    with open(os.path.join(SAMPLES, name), encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            if line.startswith("expect: "):
                expect.append(line[len("expect: "):])
                continue
            words += shlex.split(line.split("#", 1)[0])
    words = words[1:]  # the command itself
    options, positional, i = {}, [], 0
    while i < len(words):
        if words[i].startswith("--"):
            if words[i] == "--inclusion":
                options["inclusion"] = True
                i += 1
                continue
            options.setdefault(words[i][2:], []).append(words[i + 1])
            i += 2
        else:
            positional.append(words[i])
            i += 1
    return options, positional, expect


def text_file(rel):
    with open(os.path.join(SAMPLES, rel), encoding="utf-8") as f:
        return f.read()


def keys_of(options):
    keys = list(options.get("key", []))
    for path in options.get("key-file", []):
        keys += [l.strip() for l in text_file(path).splitlines() if l.strip() and not l.startswith("#")]
    return keys


def outcome(fn, *args):
    try:
        result = fn(*args)
    except sl.VerifyError as e:
        return "invalid: " + str(e), None
    return "valid", result


def names(prefix):
    found = sorted(n for n in os.listdir(SAMPLES) if n.startswith(prefix) and n.endswith(".sample"))
    if not found:
        raise AssertionError(f"no {prefix}* samples")
    return found


class SamplesTest(unittest.TestCase):
    def test_coniks(self):
        for name in names("coniks-"):
            with self.subTest(sample=name):
                opt, pos, expect = read_sample(name)
                args = (opt["namespace"][0], bytes.fromhex(opt["vrf-public"][0]), bytes.fromhex(opt["root"][0]),
                        opt["identity-text"][0].encode(),
                        bytes.fromhex("".join(text_file(opt["proof-file"][0]).split())))
                if pos == ["lookup"]:
                    verdict, value = outcome(sl.coniks_verify_lookup, *args)
                    if verdict == "valid":
                        verdict = "valid: empty value" if not value else "valid: value " + value.hex()
                else:
                    verdict, _ = outcome(sl.coniks_verify_absence, *args)
                self.assertEqual([verdict], expect)

    def test_commitments(self):
        for name in names("commitment-"):
            with self.subTest(sample=name):
                opt, _, expect = read_sample(name)
                verdict, _ = outcome(sl.verify_commitment, opt["context"][0],
                                     *(bytes.fromhex(opt[k][0]) for k in ("commitment", "value", "opening")))
                self.assertEqual([verdict], expect)

    def test_signed_log(self):
        for name in names("signed-log-"):
            with self.subTest(sample=name):
                opt, pos, expect = read_sample(name)
                note, keys = text_file(opt["note"][0]), keys_of(opt)
                proof = [bytes.fromhex(p) for p in opt.get("proof", [])]
                if pos == [] and "inclusion" in opt:
                    verdict, _ = outcome(sl.checkpoint_verify_inclusion, note, keys, int(opt["index"][0]),
                                         bytes.fromhex(opt["leaf"][0]), proof)
                elif "consistency" in opt:
                    verdict, _ = outcome(sl.checkpoint_verify_consistency, note,
                                         text_file(opt["consistency"][0]), keys, proof)
                elif name == "signed-log-note.sample":
                    verdict, count = outcome(sl.verify_signed_note, note, keys)
                    if verdict == "valid":
                        verdict = f"valid: {count} trusted signatures"
                else:
                    verdict, head = outcome(sl.checkpoint_verify, note, keys)
                    if verdict == "valid":
                        self.assertEqual(expect[1:], [f"origin: {head.origin}", f"size: {head.size}",
                                                      f"root: {head.root.hex()}"])
                        expect = expect[:1]
                self.assertEqual([verdict], expect)


if __name__ == "__main__":
    unittest.main()
