# SPDX-License-Identifier: Apache-2.0
"""The installed wheel: the generated module loaded through the package's loader, each kind of value across the
boundary both ways, arguments named when refused, and the types mypy reads in the README's
example (tests/install runs it and checks the loader's order)."""

import array, base64, hashlib, pathlib, re, struct, subprocess, sys  # noqa: E401

import pytest

import silvantrope_log as sl

ROOT = pathlib.Path(__file__).resolve().parents[3]


def read(*path): return ROOT.joinpath(*path).read_text(encoding="utf-8")
def H(*parts): return hashlib.sha256(b"".join(parts)).digest()
def ctx_hash(ctx, msg): return hashlib.sha3_512(struct.pack(">Q", len(ctx)) + ctx.encode() + msg).digest()
def keys(f): return [k for k in read("samples", "cosigned", f).splitlines() if not k.startswith("#")]


def keytrans(suite, proof, label="alice@chat.example"):
    opt = dict(re.findall(r"--([\w-]+) (\S+)", read("samples", f"keytrans-{suite}.sample")))
    return (opt.get("context", ""), *(bytes.fromhex(opt[k]) for k in ("vrf-public", "root")), label.encode(),
            bytes.fromhex(read("samples", "keytrans", suite, proof).strip()))


L = [H(b"\0", d) for d in (b"a", b"b", b"c")]  # an RFC 6962 tree of three leaves
ROOT3 = H(b"\1", H(b"\1", L[0], L[1]), L[2])
ENTRY = (2**64 - 1, 1_700_000_000_123, b"\x11" * 32, b"\x22" * 1184, b"", b"\xab" * 64)
CANON = struct.pack(">IQQ", 1, *ENTRY[:2]) + b"".join(struct.pack(">i", len(f)) + f for f in ENTRY[2:])
POLICY = ROOT.joinpath("samples", "policy", "coniks-genesis.policy").read_bytes()
RECORD = POLICY[8:8 + struct.unpack(">I", POLICY[4:8])[0]]
V = sl.VerifyError.Verification
CALLS = [  # (function, arguments, result or the VerifyError raised): each kind of value across the boundary
    (sl.verify_inclusion, (2**64 - 1, 2**64 - 1, L[0], [], ROOT3), V("leaf index 18446744073709551615 is beyond tree size 18446744073709551615")),
    (sl.key_history_entry_hash_with_context, ("a/b/v2", *ENTRY), ctx_hash("a/b/v2", CANON)),
    (sl.checkpoint_parse, (f"пример/лог\n18446744073709551615\n{base64.b64encode(ROOT3).decode()}\nä ✓\nx-2\n",),
     sl.CheckpointHead(origin="пример/лог", size=2**64 - 1, root=ROOT3, extensions=["ä ✓", "x-2"])),
    (sl.checkpoint_verify_cosigned, (read("samples", "cosigned", "checkpoint-12.note"), keys("log.keys"), keys("witnesses.keys"), 2**32 - 1, 2**64 - 1),
     V("verification failed: cosignature quorum not met: 0 of 4294967295 cosigners")),
    (sl.signed_policy_verify, (POLICY,), sl.PolicyPosture(
        namespace="chat.silvantrope.example", policy_schema_version=1, security_level=sl.SecurityLevel.CAT3,
        checkpoint_suite=sl.CheckpointSuite.HYBRID, commitment_hash=sl.CommitmentHash.SHA3_256, vrf_mode=sl.VrfMode.CLASSICAL,
        directory_mode=sl.DirectoryMode.CONIKS, keytrans_suite=sl.KeytransSuite.SILVANTROPE_HYBRID_EXP, effective_from=0,
        created_at=1767225600000, policy_hash=ctx_hash("chat.silvantrope.example/namespace-policy/v1", RECORD), rfc6962_leaf_hash=H(b"\0", RECORD))),
    (sl.policy_enforce_commitment_hash, (POLICY, sl.CommitmentHash.SHA3_512),
     V("posture mismatch: declared commitment_hash Sha3_256, observed commitment_hash Sha3_512")),
    (sl.policy_enforce_vrf_suite_id, (POLICY, 255), V("posture mismatch: declared vrf_mode Classical (suite_id 0x03), observed vrf suite_id 0xff")),
    (sl.keytrans_verify_search, keytrans("hybrid-exp", "alice.search"), sl.SearchResult(present=True, value=b"x25519:8f2a...;mlkem768:41c2")),
    (sl.keytrans_verify_search, keytrans("hybrid-exp", "mallory.search", "mallory@chat.example"), sl.SearchResult(present=False, value=None)),
    (sl.keytrans_verify_search_suite, (0xF004, *keytrans("p256", "alice.search")), V("malformed keytrans structure: unknown keytrans suite id 0xf004")),
]


def test_loads_the_library_inside_the_package():
    assert sl.library._name == str(pathlib.Path(sl.__file__).parent / "libsilvantrope_log.so")
    assert "site-packages" in sl.__file__
    header = set(re.findall(r"uniffi_silvantrope_log_fn_func_(\w+)\(", read("include", "silvantrope_log.h")))
    assert {n for n in sl.__all__ if n.islower()} == header


def test_bytes_like_arguments_are_their_bytes():
    words = array.array("I", [7] * 8)  # 8 elements, 32 bytes
    want = sl.key_history_v1_entry_hash(0, 0, bytes(words), b"", b"", bytes(words))
    assert sl.key_history_v1_entry_hash(0, 0, words, memoryview(b""), b"", words) == want
    assert sl.tlog_tiles_leaf_hashes(array.array("I", b"\0\2ab")) == hashlib.sha256(b"\0ab").digest()


@pytest.mark.parametrize("library,error", [("", "SILVANTROPE_LOG_LIBRARY is set but empty"),
                                           ("libsodium.so.23", "libsodium.so.23 is not libsilvantrope_log")])
def test_a_wrong_library_is_an_import_error(library, error):
    code = f"import silvantrope_log\nexcept ImportError as e: print(e)"
    out = subprocess.run([sys.executable, "-c", "try:\n " + code], capture_output=True, text=True,
                         env={"SILVANTROPE_LOG_LIBRARY": library})
    assert out.stdout.startswith(error), out


@pytest.mark.parametrize("fn,args,want", CALLS, ids=lambda x: getattr(x, "__name__", ""))
def test_wire_types(fn, args, want):
    if isinstance(want, Exception):
        with pytest.raises(type(want)) as caught:
            fn(*args)
        assert caught.value.args == want.args
    else:
        assert fn(*args) == want


@pytest.mark.parametrize("name,value,error", [("index", -1, ValueError), ("leaf_hash", "ab", TypeError), ("proof", [1], TypeError)])
def test_refused_arguments_are_named(name, value, error):
    args = dict(index=1, size=3, leaf_hash=L[1], proof=[L[0], L[2]], root=ROOT3)
    with pytest.raises(error, match=f"^verify_inclusion\\(\\) argument '{name}': "):
        sl.verify_inclusion(**{**args, name: value})


def test_types_a_checker_reads():
    mypy = [sys.executable, "-m", "mypy", "--strict", "--no-incremental"]
    client = re.search(r"```python\n# verify_checkpoint.py\n(.*?)```", read("README.md"), re.S)[1]  # the README's example
    assert subprocess.run([*mypy, "-c", client], capture_output=True, text=True).stdout.startswith("Success")
    wrong = "import silvantrope_log as sl\nreveal_type(sl.checkpoint_verify)\nsl.verify_inclusion('0', 1, b'', [], b'')\n"
    out = subprocess.run([*mypy, "-c", wrong], capture_output=True, text=True).stdout
    assert '"def (note_text: str, vkeys: list[str]) -> silvantrope_log.silvantrope_log.CheckpointHead"' in out
    assert 'Argument 1 to "verify_inclusion" has incompatible type "str"; expected "int"' in out
