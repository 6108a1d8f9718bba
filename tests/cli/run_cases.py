#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Runs the slog invocations of cases.tsv (see its header) and checks exit status, output and the
--json object of each; then checks that the generated bash completion offers each command's options.

usage: run_cases.py SLOG SOURCE_DIR COMPLETION_SCRIPT MAKE_SAMPLE_LOG"""
import base64, hashlib, json, os, pathlib, pty, re, resource, shlex, shutil, subprocess, sys, tempfile  # noqa: E401

slog, src, completion, make_sample_log = sys.argv[1], pathlib.Path(sys.argv[2]), sys.argv[3], sys.argv[4]
samples = src / "samples"
H = "6e340b9cffb37a989ca544e6bb780a2c78901d3fb33738768511a30617afa01d"
INC = ("--inclusion --index 3 --leaf 84562f5d2219e425bd6fc43a919570058723b5ef7a3da748366baa7ef232515b --proof-file "
       "{T}/inclusion.proof")
W = "--cosigner-key-file {S}/cosigned/witnesses.keys"


def fixtures(t):
    (t / "dir").mkdir()
    (t / "empty").write_text("")
    note = (samples / "log/checkpoint-12.note").read_bytes()
    (t / "bad-utf8.note").write_bytes(note[:47] + b"\xe0\x80\xaf" + note[50:])  # an overlong '/'
    (t / "bad-utf8.keys").write_bytes(b"# \xe9t\xe9\n")
    log_key = (samples / "log/trusted.keys").read_text().split("\n")[1]
    (t / "commented.keys").write_text(f"{log_key} # after one space: a comment\n\t# after a tab too\n")
    (t / "truncated-utf8.body").write_bytes(b"o\n1\n\xe2\x82")
    (t / "bad-body.note").write_bytes("o\n\n\u2014 k.example AAAAAAAAAAA=\n".encode())  # a signed note, not a checkpoint
    # The edges of UTF-8 in a checkpoint's origin: U+07FF, U+10000, U+40000, U+10FFFF; then one past each end.
    for name, seq in {"edges": b"\xdf\xbf\xf0\x90\x80\x80\xf1\x80\x80\x80\xf4\x8f\xbf\xbf",
                      "overlong4": b"\xf0\x8f\xbf\xbf", "above-max": b"\xf4\x90\x80\x80", "third": b"\xe2\x82A",
                      "lead-f5": b"\xf5\x80\x80\x80"}.items():
        (t / f"utf8-{name}.body").write_bytes(b"o" + seq + b"\n1\n" + b"A" * 43 + b"=\n")
    # Before witness-a's line, one under its name with another key id (another key's, ignored) and time.
    cosigned = (samples / "cosigned/checkpoint-12.note").read_text()
    own = next(line for line in cosigned.split("\n") if line.startswith("\u2014 witness-a"))
    name, blob = own.rsplit(" ", 1)
    other = bytearray(base64.b64decode(blob)); other[0] ^= 0xff; other[11] ^= 1  # noqa: E702
    (t / "twin.note").write_text(cosigned.replace(own, f"{name} {base64.b64encode(other).decode()}\n{own}"))
    # witness-a's line before the log's: signature lines come in any order.
    head, sigs = cosigned.rsplit("\n\n", 1)
    lines = sigs.split("\n")
    (t / "witness-first.note").write_text(head + "\n\n" + "\n".join([lines[1], lines[0]] + lines[2:]))
    proofs = {"inclusion": "signed-log-inclusion", "consistency": "signed-log-consistency"}
    for name, sample in proofs.items():
        words = (samples / (sample + ".sample")).read_text().split()
        (t / (name + ".proof")).write_text("\n".join(words[i + 1] for i, w in enumerate(words) if w == "--proof") + "\n")
    # Mirrors of the sample tiled log: the level above disagreeing with a full
    # tile, a tile missing, no entry bundles, a tile a byte long or short, a
    # bundle a byte short or one byte long (a read of one byte), the level above
    # a hash short.
    for name in ("parent-changed", "tile-missing", "no-bundles", "tile-long", "tile-short", "bundle-short", "bundle-byte",
                 "parent-short"):
        shutil.copytree(samples / "tiles/log", t / name)
    parent = t / "parent-changed/tile/1/000.p/13"
    data = bytearray(parent.read_bytes())
    data[5 * 32] ^= 1
    parent.write_bytes(bytes(data))
    (t / "tile-missing/tile/0/009").unlink()
    for f, edit in {"tile-long/tile/0/005": lambda b: b + b"\0", "tile-short/tile/0/005": lambda b: b[:-1],
                    "bundle-short/tile/entries/005": lambda b: b[:-1], "bundle-byte/tile/entries/005": lambda b: b[:1],
                    "parent-short/tile/1/000.p/13": lambda b: b[:-32]}.items():
        (t / f).write_bytes(edit((t / f).read_bytes()))
    shutil.copytree(samples / "tiles/log", t / "parent-missing")
    (t / "parent-missing/tile/1/000.p/13").unlink()
    shutil.rmtree(t / "no-bundles/tile/entries")
    shutil.copytree(samples / "tiles/log", t / "bundle-dir")  # a bundle there but unreadable: a directory
    (t / "bundle-dir/tile/entries/005").unlink()
    (t / "bundle-dir/tile/entries/005").mkdir()
    shutil.copytree(samples / "tiles/log", t / "fifo-tile")  # a FIFO no one writes to, in place of a tile
    (t / "fifo-tile/tile/0/004").unlink()
    os.mkfifo(t / "fifo-tile/tile/0/004")
    shutil.copytree(samples / "tiles/log", t / "fifo-checkpoint")
    (t / "fifo-checkpoint/checkpoint").unlink()
    os.mkfifo(t / "fifo-checkpoint/checkpoint")
    # A tile whose stat size (4,096) outruns what a read returns: a sysfs file (or, without sysfs, a dangling link).
    shutil.copytree(samples / "tiles/log", t / "short-read-tile")
    (t / "short-read-tile/tile/0/004").unlink()
    os.symlink("/sys/devices/system/cpu/online", t / "short-read-tile/tile/0/004")
    # A mirror whose checkpoint (size 1,000) lags its tiles (size 3,405): the
    # full and the wider partial tiles stand in for the partial ones it names.
    # And one holding a narrower partial tile than the one its size needs.
    shutil.copytree(samples / "tiles/log", t / "lagging")
    shutil.copy(samples / "tiles/checkpoint-1000", t / "lagging/checkpoint")
    (t / "entry-999.txt").write_text("tiled entry 999\n")
    for stray in "README", "0200", "099", "9" * 20:  # not tile names: never stand-ins
        (t / "lagging/tile/1/000.p" / stray).write_text("stray\n")
    shutil.copytree(t / "lagging", t / "partial-kept")  # which also kept its level-0 partial tile, of width 232
    (t / "partial-kept/tile/0/003.p").mkdir()
    (t / "partial-kept/tile/0/003.p/232").write_bytes((t / "lagging/tile/0/003").read_bytes()[:232 * 32])
    shutil.copytree(t / "lagging", t / "widest-partial")  # whose only level-0 tile 003 is 255 wide
    (t / "widest-partial/tile/0/003.p").mkdir()
    (t / "widest-partial/tile/0/003.p/255").write_bytes((t / "lagging/tile/0/003").read_bytes()[:255 * 32])
    (t / "widest-partial/tile/0/003").unlink()
    # At size 257 = 256 + 1 the last entry is alone in its tile: its proof
    # needs no level-0 tile, the root check still reads it. At size 1 the
    # root is that entry's leaf hash.
    for size in 257, 1:
        shutil.copytree(samples / "tiles/log", t / f"size-{size}")
        shutil.copy(samples / f"tiles/checkpoint-{size}", t / f"size-{size}/checkpoint")
    # A log of 256,001 entries (three levels, level-0 tiles up to x001/000.p/1: its last entry
    # is alone in its tile, so the proof of the root does not read that tile); and a copy
    # whose level 2 disagrees with the full tile of level 1.
    subprocess.run([make_sample_log, "--large-mirror", t / "large"], check=True)
    shutil.copytree(t / "large", t / "large-last-bundle-changed")  # index 1000: the first with an x element
    bundle = t / "large-last-bundle-changed/tile/entries/x001/000.p/1"
    bundle.write_bytes(bundle.read_bytes()[:-1] + b"?")
    shutil.copytree(t / "large", t / "large-level-2-changed")
    level2 = t / "large-level-2-changed/tile/2/000.p/3"
    data = bytearray(level2.read_bytes())
    data[0] ^= 1
    level2.write_bytes(bytes(data))
    # An empty tree: no tile to read, its root still checked.
    # And a mirror of another log.
    for name, source in {"checkpoint-0": "tiles/checkpoint-0", "checkpoint-0-wrong-root": "tiles/checkpoint-0-wrong-root",
                         "other-log": "log/checkpoint-12.note"}.items():
        (t / name).mkdir()
        shutil.copy(samples / source, t / name / "checkpoint")
    shutil.copytree(t / "lagging", t / "forked")  # every tile sound, the root not the checkpoint's
    shutil.copy(samples / "tiles/checkpoint-1000-forked", t / "forked/checkpoint")
    # A checkpoint of size 2^64 - 1 over the same tiles: every command fails
    # at the first tile it lacks, in time the mirror sets, not the size.
    shutil.copytree(samples / "tiles/log", t / "largest")
    shutil.copy(samples / "tiles/checkpoint-largest", t / "largest/checkpoint")
    # Names beyond ASCII are written as UTF-8, in JSON too.
    (t / "cafe.policy").write_bytes("witness café w1.example+befa920a+BAEBAQEBAQEBAQEBAQEBAQEBAQEBAQEBAQEBAQEBAQEB\n"
                                    "quorum café\n".encode())
    shutil.copytree(samples / "tiles/log", t / "narrower")
    wide = t / "narrower/tile/0/013.p/77"
    (t / "narrower/tile/0/013.p/76").write_bytes(wide.read_bytes()[:76 * 32])
    wide.unlink()
    for name, text in {"recurse": "inclusion --index 0 --size 1 --leaf {H} --root {H}\nexpect: valid\nsamples .\nexpect: ok\n",
                       "failing": "inclusion --index 0 --size 1 --leaf {H} --root {H}\nexpect: invalid\n",
                       "twice": "inclusion --index 0 --size 1 --leaf {H} --root {H}\nexpect: invalid\n" * 2,
                       "no-expect": "inclusion --index 0 --size 1 --leaf {H} --root {H}\n",
                       "nested": "--json samples .\nexpect: x\n",  # global options may come first
                       "capped": "note --note {S}/log/checkpoint-12.note --key-file {S}/log/trusted.keys\nexpect: x\n"}.items():
        (t / name).mkdir()
        (t / name / (name + ".sample")).write_text(text.replace("{H}", H).replace("{S}", str(samples.resolve())))
    (t / "key-02-nl.tok").write_text((src / "tests/data/policy/key-02.tok").read_text() + "\n")
    (t / "hash.keys").write_text("a#b+00000000+AQd0n0R4sWyudF5VgCFNaFzcTkQaFul/4kQPs0Ge8cFK\n")
    (t / "two-logs.policy").write_text("".join(line for line in (samples / "tiles/policy.txt").read_text().splitlines(True)
                                               if line.startswith("log ")) +
                                       "log " + (samples / "log/trusted.keys").read_text().split("\n")[1] + "\nquorum none\n")
    # witness-a's key and cosignature again under another name (cosignature/v1 does not sign the name): one witness.
    key_a = next(k for k in (samples / "cosigned/witnesses.keys").read_text().split() if k.startswith("witness-a."))
    data = key_a.split("+")[2]
    id_z = hashlib.sha256(b"witness-z\n" + base64.b64decode(data)).digest()[:4]
    (t / "renamed-witness.keys").write_text(f"{key_a}\nwitness-z+{id_z.hex()}+{data}\n")
    blob_z = base64.b64encode(id_z + base64.b64decode(blob)[4:]).decode()
    (t / "renamed-witness.note").write_text(cosigned + f"\u2014 witness-z {blob_z}\n")


def expand(text, t):
    for key, value in {"{INC}": INC, "{W}": W, "{S}": str(samples), "{T}": str(t), "{H}": H, "{ESC}": "\x1b"}.items():
        text = text.replace(key, value)
    return text


def run(args, stdin):
    with open(stdin, "rb") if stdin else open(os.devnull, "rb") as f:
        p = subprocess.run([slog, *args], stdin=f, capture_output=True, timeout=60)
    return p.returncode, p.stdout.decode("utf-8", "replace"), p.stderr.decode("utf-8", "replace")


def check_json(args, code, out, err, checks):
    """The --json run: one object on stdout, nothing on stderr, the same verdict."""
    try:
        obj = json.loads(out)
    except ValueError as e:
        return f"--json output is not JSON ({e}): {out!r}"
    if err or not isinstance(obj, dict) or not isinstance(obj.get("command"), str) or obj.get("valid") is not (code == 0):
        return f"--json object lacks command/valid, or stderr not empty: {out!r} {err!r}"
    kinds = {0: {None}, 1: {"verification"}, 2: {"usage", "internal"}}[code]
    if obj.get("error_kind") in kinds and (code == 0) != isinstance(obj.get("error"), str):
        for check in filter(None, checks.split(";")):
            key, want = check.split("=", 1)
            if obj.get(key) != json.loads(want):
                return f"--json {key}: got {json.dumps(obj.get(key))}, want {want}"
        return None
    return f"--json error/error_kind do not fit exit status {code}: {out!r}"


def audit_on_terminal(*options):
    """What slog tiles audit writes to standard error when that is a terminal. Its standard input
    is closed, so that the first file it opens gets descriptor 0."""
    master, slave = pty.openpty()
    subprocess.run([slog, *options, "tiles", "audit", "--policy", samples / "tiles/policy.txt", "--threads", "1",
                    samples / "tiles/log"], stdout=subprocess.DEVNULL, stderr=slave, timeout=60,
                   preexec_fn=lambda: os.close(0))
    os.close(slave)
    got = b""
    while True:
        try:
            chunk = os.read(master, 65536)
        except OSError:  # the terminal is closed and drained
            break
        if not chunk:
            break
        got += chunk
    os.close(master)
    return got.decode("utf-8", "replace")


def audit_within_descriptors(mirror, limit):
    """The audit's open files do not pile up as it walks a mirror's folders: on one thread it needs
    standard input, output and error, a folder each for tiles, bundles and parent tiles, and the
    file it reads (7). The large mirror spreads its files over eleven folders, three deep."""
    p = subprocess.run([slog, "tiles", "audit", "--policy", samples / "tiles/policy.txt", "--threads", "1", mirror],
                       capture_output=True, timeout=60,
                       preexec_fn=lambda: resource.setrlimit(resource.RLIMIT_NOFILE, (limit, limit)))
    return None if p.returncode == 0 else f"tiles audit within {limit} descriptors: {(p.stdout + p.stderr)[-300:]!r}"


def main():
    failures, count = [], 0
    with tempfile.TemporaryDirectory() as tmp:
        t = pathlib.Path(tmp)
        fixtures(t)
        rows = (src / "tests/cli/cases.tsv").read_text(encoding="utf-8").splitlines()
        for number, line in enumerate(rows, 1):
            if not line.strip() or line.startswith("#"):
                continue
            cols = (line.split("\t") + [""] * 5)[:5]
            want, args = int(cols[0]), shlex.split(expand(cols[1], t).replace("{BADUTF8}", "a\udcff"))
            args = [a.encode("utf-8", "surrogateescape") for a in args]
            expect, checks, stdin = expand(cols[2], t), cols[3], expand(cols[4], t)
            code, out, err = run(args, stdin)
            text = (out + err).rstrip("\n")
            problem = None
            if code != want:
                problem = f"exit {code}, want {want}: {text!r}"
            elif expect.startswith("=") and text != expect[1:]:
                problem = f"output {text!r}, want {expect[1:]!r}"
            elif not expect.startswith("=") and expect not in text:
                problem = f"output {text!r} lacks {expect!r}"
            elif code == 2 and (out or err.count("\n") != 1) and not {b"--help", b"--json"} & set(args):
                problem = f"a usage error is one line on stderr: {out!r} {err!r}"
            elif code < 2 and err and args[:2] != [b"tiles", b"audit"]:  # the audit's summary goes to stderr
                problem = f"a verdict goes to stdout, nothing to stderr: {err!r}"
            elif not {b"--json", b"--quiet", b"-q", b"--help"} & set(args):
                problem = check_json(args, want, *run([b"--json"] + args, stdin)[1:], checks)
            count += 1
            if problem:
                failures.append(f"cases.tsv:{number}: {problem}")
        failures += filter(None, [audit_within_descriptors(t / "large", 9)])
    # A valid verdict lost to a full device is not delivered: exit 2, one line on stderr.
    with open("/dev/full", "wb") as full:
        p = subprocess.run([slog, "note", "--key-file", samples / "log/trusted.keys", "--note", samples / "log/checkpoint-5.note"],
                           stdout=full, stderr=subprocess.PIPE)
    if (p.returncode, p.stderr) != (2, b"slog: cannot write to standard output\n"):
        failures.append(f"a verdict written to /dev/full: exit {p.returncode}, {p.stderr!r}")
    # The completion script, sourced into bash, offers a command's own options.
    # After an option that takes a file, it offers files.
    for words, want in [("checkpoint --qu", ["--quorum", "--quiet"]), ("checkpoint --policy tlog/pol", ["tlog/policy.txt"])]:
        script = f"source {shlex.quote(completion)}; COMP_WORDS=(slog {words}); COMP_CWORD={len(words.split())}; _slog; echo ${{COMPREPLY[@]}}"
        got = subprocess.run(["bash", "-c", script], capture_output=True, text=True, cwd=samples).stdout.split()
        if got != want:
            failures.append(f"completion of 'slog {words}': {got}")
    # On a terminal the audit draws its progress bar, then states its rate.
    bar = audit_on_terminal()
    if not re.search(r"\] 100% 15/15 tiles\r\n3405 entries, 15 tiles in [0-9.]+ s: [1-9][0-9]* entries/s on 1 thread", bar):
        failures.append(f"tiles audit on a terminal: {bar[-300:]!r}")
    if (quiet := audit_on_terminal("--quiet")) != "":
        failures.append(f"tiles audit --quiet on a terminal: {quiet[-300:]!r}")
    # Without --threads, one thread per core the process may use.
    p = subprocess.run([slog, "tiles", "audit", "--json", "--policy", samples / "tiles/policy.txt", samples / "tiles/log"],
                       capture_output=True, text=True, preexec_fn=lambda: os.sched_setaffinity(0, {min(os.sched_getaffinity(0))}))
    if p.returncode != 0 or json.loads(p.stdout).get("threads") != 1:
        failures.append(f"tiles audit on one allowed core: {p.stdout[-300:]!r}")
    # The man page beside the completion script, its dashes escaped for roff.
    man = pathlib.Path(completion).with_name("slog.1").read_text()
    if ".SH NAME" not in man or man.count(".SH OPTIONS") != 1 or man.count(".SH COMMANDS") != 1 or "\\-\\-max\\-input\\-size \\fIBYTES" not in man or "\\-\\-help" in man \
            or "\n.B NOTE\n" not in man or "\n.B \\-\\-json\n" not in man \
            or "\n.SS slog key\\-history leaf\\-hash\nits RFC 6962" not in man or "\n.PP\nChecks that the leaf hash" not in man:
        failures.append("slog.1 lacks its NAME section, its one OPTIONS and one COMMANDS section, an option's or argument's entry, "
                        "a command's heading or details, or lists --help")
    print("\n".join(failures + [f"{count} cases, {len(failures)} failed"]))
    return 1 if failures else 0


sys.exit(main())
