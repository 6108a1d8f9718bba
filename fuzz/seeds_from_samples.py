#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Turns every command of the bundled samples (samples/*.sample) into seeds
for the fuzz targets that parse what it reads: its notes, checkpoints, keys,
tlog policies and proofs (fuzz_note), CONIKS proofs and namespaces
(fuzz_coniks), KEYTRANS proofs (fuzz_keytrans), namespace-policy envelopes
(fuzz_policy), context labels (fuzz_context_label), tile paths and entry
bundles (fuzz_tiles). Each seed is framed as its target's harness reads it
(see fuzz/README.md) and written to fuzz/corpus/<target>/sample_<hash>; seeds
already there are kept, so the script can be run again after samples change.

usage: fuzz/seeds_from_samples.py [SAMPLES_DIR]"""
import hashlib
import pathlib
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
CORPUS = ROOT / "fuzz" / "corpus"


def commands(sample):
    """The argument lists of a .sample file's commands."""
    words = []
    for line in sample.read_text(encoding="utf-8").splitlines():
        if line.startswith("expect: "):
            if words:
                yield words
            words = []
            continue
        words += line.split("#", 1)[0].split()
    if words:
        yield words


def options(words):
    """{option: [values]} and the positional words."""
    opts, positional, i = {}, [], 0
    while i < len(words):
        w = words[i]
        if w.startswith("--") and i + 1 < len(words) and not words[i + 1].startswith("--"):
            opts.setdefault(w[2:], []).append(words[i + 1])
            i += 2
        elif w.startswith("--"):
            opts.setdefault(w[2:], []).append("")
            i += 1
        else:
            positional.append(w)
            i += 1
    return opts, positional


def chunk(data, framed):
    """fuzz_exports' argument: a shape byte (bit 0: framed as a byte list), two length bytes, the bytes."""
    return bytes([1 if framed else 0]) + len(data).to_bytes(2, "big") + data


def hash_value(text):
    text = text.strip()
    try:
        return bytes.fromhex(text)
    except ValueError:
        import base64
        return base64.b64decode(text)


def proof_list(opts, base):
    """The proof hashes as the library's list of byte lists."""
    if "proof-file" in opts:
        values = [l.split("#", 1)[0].strip() for l in (base / opts["proof-file"][0]).read_text().splitlines()]
    else:
        values = [v for o in opts.get("proof", []) for v in o.split(",")]
    hashes = [hash_value(v) for v in values if v]
    return len(hashes).to_bytes(4, "big") + b"".join(len(h).to_bytes(4, "big") + h for h in hashes)


def seeds_of(words, base):
    """(target, bytes) pairs for one command."""
    opts, positional = options(words)
    read = lambda name: (base / name).read_bytes()  # noqa: E731
    out = []
    cmd = positional[:2]
    for key in opts.get("key", []) + opts.get("cosigner-key", []):
        out.append(("fuzz_note", b"\x00" + key.encode()))
    for name in opts.get("key-file", []) + opts.get("cosigner-key-file", []):
        for line in read(name).decode().splitlines():
            if line.strip() and not line.startswith("#"):
                out.append(("fuzz_note", b"\x00" + line.strip().encode()))
    for name in opts.get("note", []) + opts.get("consistency", []):
        out.append(("fuzz_note", b"\x02" + read(name)))
    for name in opts.get("body", []):
        out.append(("fuzz_note", b"\x04" + read(name)))
    for name in opts.get("policy", []):
        if cmd[0] in ("checkpoint", "tlog-proof", "tiles"):
            out.append(("fuzz_note", b"\xf0" + read(name)))
    if cmd[0] == "checkpoint" and "policy" in opts and positional[1:]:
        out.append(("fuzz_note", b"\x02" + read(positional[-1])))
    if cmd[0] == "tlog-proof":
        out.append(("fuzz_note", b"\xf1" + read(positional[-1])))
    if cmd[0] == "policy-file":
        out.append(("fuzz_note", b"\xf0" + read(positional[-1])))
    if cmd[0] in ("coniks", "keytrans"):
        proof = bytes.fromhex(opts["proof"][0]) if "proof" in opts else bytes.fromhex(
            "".join(read(opts["proof-file"][0]).decode().split()))
        if cmd[0] == "coniks":
            out.append(("fuzz_coniks", bytes([cmd[1] == "absence"]) + proof))
            out += [("fuzz_coniks", b"\x02" + ns.encode()) for ns in opts.get("namespace", [])]
        else:
            kind = {"search": 0, "fixed": 1, "monitor": 2}[cmd[1]]
            out += [("fuzz_keytrans", bytes([kind, wide]) + proof) for wide in (0, 1)]
    if cmd[0] in ("inclusion", "consistency"):
        inclusion = cmd[0] == "inclusion"
        a, b = (opts["index"][0], opts["size"][0]) if inclusion else (opts["size1"][0], opts["size2"][0])
        first, last = (opts["leaf"][0], opts["root"][0]) if inclusion else (opts["root1"][0], opts["root2"][0])
        # verify_inclusion(index, size, leaf, proof, root); verify_consistency(size1, size2, proof, root1, root2)
        args = [chunk(hash_value(first), True), chunk(proof_list(opts, base), False), chunk(hash_value(last), True)]
        if not inclusion:
            args = [args[1], args[0], args[2]]
        out.append(("fuzz_exports", bytes([0 if inclusion else 1]) + int(a).to_bytes(8, "big") + int(b).to_bytes(8, "big")
                    + b"".join(args) + chunk(b"", False) * 2))
    if cmd[0] == "key-history":
        which = {"canonical-bytes": 2, "entry-hash": 3, "leaf-hash": 4}[cmd[1]]
        if "context" in opts:
            which = 5
        prev = b"\x00"
        if "prev" in opts:
            h = hash_value(opts["prev"][0])
            prev = b"\x01" + len(h).to_bytes(4, "big") + h
        fields = [bytes.fromhex(opts[name][0]) for name in ("enc-x25519", "enc-pq", "signing-pub")]
        out.append(("fuzz_exports", bytes([which]) + int(opts["seq"][0]).to_bytes(8, "big")
                    + int(opts["ts-ms"][0]).to_bytes(8, "big") + b"".join(chunk(f, True) for f in fields)
                    + chunk(prev, False) + chunk(opts.get("context", [""])[0].encode(), False)))
    if cmd[0] == "policy" and "envelope" in opts:
        out.append(("fuzz_policy", read(opts["envelope"][0])))
    for label in opts.get("context", []):
        out.append(("fuzz_context_label", label.encode()))
    if cmd[0] == "tiles":
        mirror = base / positional[-1]
        for f in sorted(p for p in (mirror / "tile").rglob("*") if p.is_file())[:40]:
            rel = f.relative_to(mirror).as_posix()
            out.append(("fuzz_tiles", rel.encode()))
            if "/entries/" in rel:
                out.append(("fuzz_tiles", f.read_bytes()))
    return out


def main():
    samples = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ROOT / "samples")
    written = 0
    for sample in sorted(samples.glob("*.sample")):
        for words in commands(sample):
            if words[0] == "samples":
                continue
            for target, data in seeds_of(words, samples):
                path = CORPUS / target / ("sample_" + hashlib.sha256(data).hexdigest()[:16])
                if not path.exists():
                    path.parent.mkdir(parents=True, exist_ok=True)
                    path.write_bytes(data)
                    written += 1
    print(f"{written} new seeds")


if __name__ == "__main__":
    main()
