#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Writes docs/api.md, one entry per exported function, from the interface description the built
library carries (its UNIFFI_META_* records: names, arguments, types, documentation, checksums) and
the errors each function can return (ERRORS below, the one list kept by hand).

usage: api_docs.py LIBRARY            print the reference
       api_docs.py LIBRARY --check FILE   exit 1 when FILE differs from it (the drift test)"""
import pathlib
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
from uniffi_checksums import elf_symbols  # noqa: E402
from uniffi_metadata import checksum, decode_function, render  # noqa: E402

C_TYPES = {"u8": "uint8_t", "u16": "uint16_t", "u32": "uint32_t", "u64": "uint64_t"}

HASH_LENGTH = "invalid hash length: got {got} bytes, want 32"
ROOT = "root mismatch: recomputed root does not match the expected root"
INCLUSION = ["leaf index {index} is beyond tree size {size}", "wrong proof size: got {got}, want {want}", ROOT]
CONSISTENCY = ["tree size regression: size2 ({size2}) < size1 ({size1})",
               "consistency proof from an empty tree is meaningless",
               "consistency proof between equal sizes must be empty", "wrong proof size: got {got}, want {want}", ROOT]
LABEL = ["malformed canonical leaf: {detail}: \"{label}\" — the context label"]
ENTRY = ["malformed canonical leaf: {detail}"]
NOTE = ["malformed signed note: {detail} — a verifier key or the note",
        "invalid signature for known key \"{name}\" (key id {id})",
        "note has no verifiable signature from a trusted key"]
CHECKPOINT = NOTE + ["malformed checkpoint: {detail}"]
CONIKS = ["coniks root must be exactly 64 bytes",
          "malformed namespace: namespace must be non-empty printable ASCII without '/': \"{namespace}\"",
          "vrf error: {detail}", "vrf proof did not verify against the namespace public key",
          "malformed coniks proof: {detail}",
          "coniks proof root mismatch: recomputed directory root does not match the expected root"]
POLICY = ["malformed namespace policy: {detail}",
          "invalid signature for known key \"{namespace}/namespace-policy\" (key id 00000000)"]
POSTURE = POLICY + ["posture mismatch: declared {declared}, observed {observed}"]
TLOG_POLICY = ["malformed tlog policy: line {line}: {detail}"]
TLOG_CHECKPOINT = TLOG_POLICY + CHECKPOINT + [
    "no policy log for checkpoint origin \"{origin}\"", "witness quorum not met: {detail} — names the group or witness short of it"]
TILES = ["malformed tile: {detail} — a path, a length, two disagreeing copies, or \"missing {path}\""]
KEYTRANS = ["malformed keytrans structure: {detail} — names a field such as LadderStep.version, or the suite id",
            "keytrans proof root mismatch: recomputed root does not match the expected root",
            "vrf error: {detail}", "vrf proof did not verify against the namespace public key",
            "commitment did not open to the claimed value"]

ERRORS = {
    "verify_inclusion": [HASH_LENGTH] + INCLUSION,
    "verify_consistency": [HASH_LENGTH] + CONSISTENCY,
    "key_history_v1_canonical_bytes": ENTRY,
    "key_history_v1_entry_hash": ENTRY,
    "key_history_entry_hash_with_context": LABEL + ENTRY,
    "key_history_v1_rfc6962_leaf_hash": ENTRY,
    "verify_signed_note": NOTE,
    "checkpoint_verify": CHECKPOINT,
    "checkpoint_parse": ["malformed checkpoint: {detail}"],
    "checkpoint_verify_inclusion": CHECKPOINT + [HASH_LENGTH] + INCLUSION,
    "checkpoint_verify_consistency": CHECKPOINT + CONSISTENCY,
    "checkpoint_verify_cosigned": CHECKPOINT + [
        "limit exceeded: cosigner_vkeys holds {n} keys, at most {max}",
        "verification failed: cosignature quorum not met: {counted} of {quorum} cosigners"],
    "coniks_verify_lookup": CONIKS,
    "coniks_verify_absence": CONIKS,
    "verify_commitment": ["commitment must be exactly 64 bytes", "opening must be exactly 32 bytes",
                          "commitment did not open to the claimed value"],
    "signed_policy_verify": POLICY,
    "policy_enforce_checkpoint_signing_key": POSTURE,
    "policy_enforce_checkpoint_signature": POSTURE,
    "policy_enforce_vrf_suite_id": POSTURE,
    "policy_enforce_commitment_hash": POSTURE,
    "policy_enforce_directory_backend": POSTURE,
    "keytrans_verify_search": KEYTRANS,
    "keytrans_verify_fixed_version": KEYTRANS,
    "keytrans_verify_monitor": KEYTRANS,
    "keytrans_verify_search_suite": KEYTRANS,
    "keytrans_verify_fixed_version_suite": KEYTRANS,
    "keytrans_verify_monitor_suite": KEYTRANS,
    "tlog_policy_parse": TLOG_POLICY,
    "checkpoint_verify_policy": TLOG_CHECKPOINT,
    "tlog_proof_verify": TLOG_CHECKPOINT + ["malformed tlog proof: line {line}: {detail}", HASH_LENGTH] + INCLUSION,
    "tlog_tiles_for_inclusion": ["leaf index {index} is beyond tree size {size}"],
    "tlog_tiles_for_consistency": ["tree size regression: size2 ({size2}) < size1 ({size1})",
                                   "consistency proof from an empty tree is meaningless"],
    "tlog_tiles_tree_hash": TILES,
    "tlog_tiles_inclusion_proof": ["leaf index {index} is beyond tree size {size}"] + TILES,
    "tlog_tiles_consistency_proof": ["tree size regression: size2 ({size2}) < size1 ({size1})",
                                     "consistency proof from an empty tree is meaningless"] + TILES,
    "tlog_tiles_verify_inclusion": TLOG_CHECKPOINT + [HASH_LENGTH, "leaf index {index} is beyond tree size {size}"]
    + TILES + [ROOT],
    "tlog_tiles_leaf_hashes": ["malformed tile: entry bundle: {detail}"],
}

HEADER = """# silvantrope_log API reference

Generated by `tools/api_docs.py` from the interface description the library carries (its
`UNIFFI_META_*` records) and the error list kept beside it; the `api_docs_current` test fails when
this file and the built library differ. Do not edit by hand.

Every function below is exported as `uniffi_silvantrope_log_fn_func_<name>` with a
`uniffi_silvantrope_log_checksum_func_<name>` returning its checksum, and wrapped by the typed C++
function `silvantrope_log::<name>` of `silvantrope_log.hpp`. Arguments of type `u8`, `u16`, `u32` and `u64`
are plain integers; every other argument is a `RustBuffer` the call consumes (text: its UTF-8 bytes;
anything else: its serialization). The last argument is a zeroed `RustCallStatus`, never NULL.

Errors: on failure the status code is 1 and the error buffer holds `VerifyError::Verification` with one
of the messages listed under the function (`{...}` marks a part that varies). Besides those, any
function may fail with code 2: `Failed to convert arg '{argument}':\\n{detail}` when a buffer argument
cannot be lifted (a malformed serialization, or invalid UTF-8 in a string inside a list), or an internal
fault's message. Text arguments should be valid UTF-8, as the bindings' strings always are; the
library reads them as bytes: a note or checkpoint that is not UTF-8 is malformed, and the octets of
0x80 and above in a tlog-policy file are opaque, as C2SP tlog-policy allows.
"""


def reference(library):
    functions, types = {}, []
    for symbol, data in sorted(elf_symbols(library).items()):
        if symbol.startswith(("UNIFFI_META_SILVANTROPE_LOG_RECORD_", "UNIFFI_META_SILVANTROPE_LOG_ENUM_",
                              "UNIFFI_META_SILVANTROPE_LOG_ERROR_")):
            types += render(data) + [""]
        if symbol.startswith("UNIFFI_META_SILVANTROPE_LOG_FUNC_"):
            name, args, ret, doc = decode_function(data)
            functions[name] = (args, ret, doc, checksum(data))
    missing, unknown = set(functions) - set(ERRORS), set(ERRORS) - set(functions)
    if missing or unknown:
        sys.exit(f"api_docs.py: no error list for {sorted(missing)}; errors listed for unknown {sorted(unknown)}")
    out = [HEADER]
    for name in sorted(functions):
        args, ret, doc, sum_ = functions[name]
        ok, err = ret[len("Result<"):-1].rsplit(", ", 1) if ret.startswith("Result<") else (ret, None)
        c_args = ", ".join(f"{C_TYPES.get(t, 'RustBuffer')} {a}" for a, t in args)
        c_ret = "void" if ok == "()" else C_TYPES.get(ok, "RustBuffer")
        out += [f"## {name}", "", doc, "", "```c",
                f"{c_ret} uniffi_silvantrope_log_fn_func_{name}({c_args}{', ' if args else ''}RustCallStatus* status);",
                "```", "", f"Checksum `{sum_:#06x}`.", "", "| Argument | Type |", "|---|---|"]
        out += [f"| `{a}` | `{t}` |" for a, t in args] or ["| (none) | |"]
        out += ["", f"Result: `{ok}`" + ("" if ok != "()" else " (nothing)") + f"; error type `{err}`.", "",
                "Errors (status code 1):", ""]
        out += ["- `" + e.replace(" — ", "` — ", 1) + ("" if " — " in e else "`") for e in ERRORS[name]]
        out.append("")
    out += ["## Records, enumerations and the error type", "",
            "Enumerations cross the boundary as their 1-based variant index (a big-endian i32); records as their",
            "fields in this order.", "", "```", *types[:-1], "```", ""]
    return "\n".join(out)


def main():
    if len(sys.argv) not in (2, 4) or (len(sys.argv) == 4 and sys.argv[2] != "--check"):
        sys.exit(__doc__)
    text = reference(sys.argv[1])
    if len(sys.argv) == 2:
        sys.stdout.write(text)
        return 0
    if pathlib.Path(sys.argv[3]).read_text() != text:
        print(f"{sys.argv[3]} differs from the library's interface: run tools/api_docs.py LIBRARY > {sys.argv[3]}")
        return 1
    return 0


sys.exit(main())
