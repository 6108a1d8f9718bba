#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Mutation testing of the product code: how many small, careless-looking edits does the suite catch?

Generates every source mutant of src/ and silvantrope-crypto/ that the classic operators below
allow, samples N of them reproducibly (a seeded, per-operator round robin, so that the rare operators
are not drowned by the common ones), writes each as a patch and hands the patches to
scripts/fault-check.sh, which applies them one at a time to a scratch copy, rebuilds incrementally
and runs the release-preset tests, stopping at the first failure.

  scripts/mutants.py [-n 300] [--seed 1] [--scratch /tmp/mutants] [--list] [--only OPERATOR]
                     [--path REGEX] [--cli] [--rescore LOG]

--path REGEX samples only from the source files whose path (e.g. src/ffi/lift.h) it matches:
for the files a change touched.

--cli adds the slog command-line tool (tools/slog/) to the sources mutated. It is off by
default, so that the samples of the library alone stay what they were for a given seed.

--rescore LOG scores the verdicts a previous run printed (its saved output) against the
current tests/mutants/equivalent.tsv, without building anything: for when survivors have
been argued equivalent after the run. The sample must be the same (-n, --seed, source).

Operators:
  cmp        flip a comparison: < <=, > >=, == !=
  bound      shift an integer constant by one (up or down)
  drop       delete a one-line guard: `if (...) return ...;` or `if (...) continue;`
  negate     negate an if-condition
  logic      && <-> ||
  bool       true <-> false
  swap       swap two plain-identifier arguments of a call
  success    replace `return Error::...(...)` with `return {}` (builds only where {} is success)

A mutant that survives the release tests is tried once more in the ASan+UBSan build, which the
README's test command runs as well (a leak or an out-of-bounds write is caught only there).

Verdicts: killed (a test failed), survived (every test passed in both builds), stillborn (does not compile; not
counted) and equivalent (listed in tests/mutants/equivalent.tsv with a one-line argument why no test
can tell it apart; not counted). Score = killed / (killed + survived). The surviving diffs are
printed at the end. Logs and patches stay in SCRATCH. Not part of the CI run: 300 mutants take hours.
"""
import argparse
import difflib
import hashlib
import os
import random
import re
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DIRS = ("src", "silvantrope-crypto")
EQUIVALENT = os.path.join(ROOT, "tests", "mutants", "equivalent.tsv")

CMP = {" < ": " <= ", " <= ": " < ", " > ": " >= ", " >= ": " > ", " == ": " != ", " != ": " == "}
CMP_RE = re.compile(r" (<=|>=|==|!=|<|>) ")
INT_RE = re.compile(r"(?<![\w.])(\d+)(u|U|ull|ULL|ul|UL)?(?![\w.])")
LOGIC_RE = re.compile(r" (&&|\|\|) ")
BOOL_RE = re.compile(r"\b(true|false)\b")
GUARD_RE = re.compile(r"^\s*if \(.*\) (return\b.*|continue);\s*$")
SUCCESS_RE = re.compile(r"\breturn (Error::\w+\(.*\));")
CALL_RE = re.compile(r"\b(\w+)\(([A-Za-z_]\w*), ([A-Za-z_]\w*)\)")


def code_part(line):
    """The line without its comment and with string and char literals blanked, same length."""
    out, i, quote = [], 0, None
    while i < len(line):
        c = line[i]
        if quote:
            if c == "\\":
                out.append("__"); i += 2; continue
            out.append(c if c == quote else "_")
            if c == quote:
                quote = None
        elif c in "\"'":
            quote = c; out.append(c)
        elif line.startswith("//", i):
            break
        else:
            out.append(c)
        i += 1
    return "".join(out).ljust(len(line))[: len(line)]


def balanced_if(code):
    """Span (start, end) of the condition of a one-line `if (...)`, or None."""
    m = re.search(r"\bif \(", code)
    if not m:
        return None
    depth, i = 0, m.end() - 1
    for j in range(i, len(code)):
        depth += {"(": 1, ")": -1}.get(code[j], 0)
        if depth == 0:
            return (i + 1, j)
    return None


def line_mutants(line):
    """Yields (operator, mutated line) for one source line."""
    code = code_part(line)
    stripped = code.strip()
    if not stripped or stripped.startswith(("#", "static_assert", "//", "*", "/*")):
        return
    for m in CMP_RE.finditer(code):
        tok = m.group(0)
        if "<" in tok and re.search(r"template|\w<$", code[: m.start()]):
            continue
        yield "cmp", line[: m.start()] + CMP[tok] + line[m.end():]
    if not re.search(r"\[\d+\]|alignas|std::array<", code):
        for m in INT_RE.finditer(code):
            v = int(m.group(1))
            for nv in (v + 1, v - 1):
                if nv >= 0:
                    yield "bound", line[: m.start(1)] + str(nv) + line[m.end(1):]
    for m in LOGIC_RE.finditer(code):
        yield "logic", line[: m.start()] + (" || " if m.group(1) == "&&" else " && ") + line[m.end():]
    for m in BOOL_RE.finditer(code):
        yield "bool", line[: m.start()] + ("false" if m.group(1) == "true" else "true") + line[m.end():]
    if GUARD_RE.match(code):
        yield "drop", None
    span = balanced_if(code)
    if span and "constexpr" not in code[: span[0]]:
        a, b = span
        yield "negate", line[:a] + "!(" + line[a:b] + ")" + line[b:]
    m = SUCCESS_RE.search(code)
    if m:
        yield "success", line[: m.start(1)] + "{}" + line[m.end(1):]
    for m in CALL_RE.finditer(code):
        if m.group(2) != m.group(3) and m.group(1) not in ("if", "while", "for", "switch", "return"):
            yield "swap", line[: m.start(2)] + m.group(3) + ", " + m.group(2) + line[m.end(3):]


def all_mutants(dirs=DIRS):
    out = []
    for d in dirs:
        for dirpath, _, files in os.walk(os.path.join(ROOT, d)):
            for f in sorted(files):
                if not f.endswith((".cpp", ".h")):
                    continue
                path = os.path.relpath(os.path.join(dirpath, f), ROOT)
                with open(os.path.join(ROOT, path), encoding="utf-8") as fh:
                    lines = fh.read().split("\n")
                seen = {}  # the same edit of the same line text, again in this file
                for no, line in enumerate(lines):
                    for op, new in line_mutants(line):
                        key = f"{path}\0{line}\0{new}"
                        again = seen.get(key, 0)
                        seen[key] = again + 1
                        if again:
                            key += f"\0{again}"
                        mid = hashlib.sha1(key.encode()).hexdigest()[:10]
                        out.append({"id": mid, "op": op, "path": path, "line": no, "old": line, "new": new})
    out.sort(key=lambda m: (m["path"], m["line"], m["op"], m["new"] or ""))
    return out


def sample(mutants, n, seed, only, path=None):
    rng = random.Random(seed)
    by_op = {}
    for m in mutants:
        if (not only or m["op"] == only) and (not path or re.search(path, m["path"])):
            by_op.setdefault(m["op"], []).append(m)
    for ms in by_op.values():
        rng.shuffle(ms)
    picked, ops = [], sorted(by_op)
    while len(picked) < n and any(by_op.values()):
        for op in ops:
            if by_op[op] and len(picked) < n:
                picked.append(by_op[op].pop())
    return picked


def patch_text(m, preset=None):
    with open(os.path.join(ROOT, m["path"]), encoding="utf-8") as fh:
        lines = fh.read().split("\n")
    new = list(lines)
    if m["new"] is None:
        del new[m["line"]]
    else:
        new[m["line"]] = m["new"]
    diff = difflib.unified_diff([l + "\n" for l in lines], [l + "\n" for l in new],
                                "a/" + m["path"], "b/" + m["path"], n=3)
    head = f"mutant {m['id']} ({m['op']}) at {m['path']}:{m['line'] + 1}\n"
    if preset:
        head += f"# preset: {preset}\n"
    return head + f"diff --git a/{m['path']} b/{m['path']}\n" + "".join(diff)


def load_equivalent():
    eq = {}
    if os.path.exists(EQUIVALENT):
        for line in open(EQUIVALENT, encoding="utf-8"):
            if line.strip() and not line.startswith("#"):
                mid, _, why = line.rstrip("\n").partition("\t")
                eq[mid] = why
    return eq


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("-n", type=int, default=300)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--scratch", default="/tmp/mutants")
    ap.add_argument("--only", help="one operator")
    ap.add_argument("--path", help="only files whose path matches this regex")
    ap.add_argument("--cli", action="store_true", help="mutate tools/slog/ as well")
    ap.add_argument("--list", action="store_true", help="print the sample, run nothing")
    ap.add_argument("--rescore", metavar="LOG", help="score a previous run's printed verdicts")
    args = ap.parse_args()

    every = all_mutants(DIRS + (os.path.join("tools", "slog"),) if args.cli else DIRS)
    picked = sample(every, args.n, args.seed, args.only, args.path)
    mix = {}
    for m in picked:
        mix[m["op"]] = mix.get(m["op"], 0) + 1
    print(f"mutants: {len(every)} candidates, {len(picked)} sampled (seed {args.seed}): "
          + ", ".join(f"{op} {k}" for op, k in sorted(mix.items())))
    pdir = os.path.join(args.scratch, "patches")
    os.makedirs(pdir, exist_ok=True)
    for f in os.listdir(pdir):
        os.remove(os.path.join(pdir, f))
    paths = []
    for i, m in enumerate(picked):
        p = os.path.join(pdir, f"{i:03d}-{m['id']}.patch")
        with open(p, "w", encoding="utf-8") as fh:
            fh.write(patch_text(m))
        paths.append(p)
        if args.list:
            print(f"{m['id']}  {m['op']:8} {m['path']}:{m['line'] + 1}: {(m['new'] or '<deleted>').strip()}")
    if args.list:
        return 0

    eq = load_equivalent()
    verdict = {}

    def read_verdict(line):
        m = re.match(r"(caught|MISSED|BROKEN)\s+\d+-(\w+)", line)
        if m:
            verdict[m.group(2)] = {"caught": "killed", "MISSED": "survived", "BROKEN": "stillborn"}[m.group(1)]

    def check(patches):
        proc = subprocess.Popen([os.path.join(ROOT, "scripts", "fault-check.sh"), "--scratch", args.scratch] + patches,
                                stdout=subprocess.PIPE, text=True)
        for line in proc.stdout:
            sys.stdout.write(line)
            sys.stdout.flush()
            read_verdict(line)
        proc.wait()
        return proc.returncode

    if args.rescore:
        with open(args.rescore, encoding="utf-8") as fh:
            for line in fh:
                read_verdict(line)
        missing = [m["id"] for m in picked if m["id"] not in verdict]
        if missing:
            print(f"mutants: {len(missing)} of the sample have no verdict in {args.rescore} (another sample?)",
                  file=sys.stderr)
            return 2
    elif check(paths) == 2:
        return 2
    again = []
    for i, m in enumerate(picked):
        if verdict.get(m["id"]) == "survived" and m["id"] not in eq:
            p = os.path.join(pdir, f"{i:03d}-{m['id']}.asan.patch")
            with open(p, "w", encoding="utf-8") as fh:
                fh.write(patch_text(m, "asan"))
            again.append(p)
    if again and not args.rescore and check(again) == 2:
        return 2
    counts = {"killed": 0, "survived": 0, "stillborn": 0, "equivalent": 0}
    survivors = []
    by_op = {}
    for m in picked:
        v = verdict.get(m["id"], "stillborn")
        if v == "survived" and m["id"] in eq:
            v = "equivalent"
        counts[v] += 1
        by_op.setdefault(m["op"], {}).setdefault(v, 0)
        by_op[m["op"]][v] += 1
        if v == "survived":
            survivors.append(m)
    for m in survivors:
        print()
        print(patch_text(m), end="")
    print()
    for op, vs in sorted(by_op.items()):
        print(f"  {op:8} " + ", ".join(f"{k} {n}" for k, n in sorted(vs.items())))
    scored = counts["killed"] + counts["survived"]
    score = 100.0 * counts["killed"] / scored if scored else 0.0
    print(f"mutants: {counts['killed']} killed, {counts['survived']} survived, {counts['equivalent']} equivalent, "
          f"{counts['stillborn']} stillborn; score {score:.1f}% of {scored} non-equivalent")
    return 0


if __name__ == "__main__":
    sys.exit(main())
