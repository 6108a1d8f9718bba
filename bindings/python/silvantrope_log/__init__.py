"""Python bindings for silvantrope_log, the verification library for
transparency logs, commitments, CONIKS and KEYTRANS directories and namespace
policies.

Every function either returns its result or raises VerifyError.Verification
with the library's message; InternalError means the library or the boundary
itself failed. The shared library is loaded on import: from the path in the
SILVANTROPE_LOG_LIBRARY environment variable if it is set, else
libsilvantrope_log.so inside this package, else libsilvantrope_log.so.0
wherever the dynamic loader finds it.
"""

from __future__ import annotations

import enum
from dataclasses import dataclass

from ._ffi import (
    InternalError,
    VerifyError,
    _call_raw,
    _Enum,
    _export,
    _Record,
    _Sequence,
    _UniffiConverterBool as _Bool,
    _UniffiConverterBytes as _Bytes,
    _UniffiConverterOptionalBytes as _OptionalBytes,
    _UniffiConverterSequenceBytes as _BytesList,
    _UniffiConverterSequenceString as _StringList,
    _UniffiConverterString as _String,
    _UniffiConverterUInt8 as _U8,
    _UniffiConverterUInt16 as _U16,
    _UniffiConverterUInt32 as _U32,
    _UniffiConverterUInt64 as _U64,
)

__all__ = [
    "CheckpointHead",
    "SearchResult",
    "PolicyPosture",
    "SecurityLevel",
    "CheckpointSuite",
    "CommitmentHash",
    "VrfMode",
    "DirectoryMode",
    "KeytransSuite",
    "InternalError",
    "VerifyError",
    "verify_inclusion",
    "verify_consistency",
    "key_history_v1_canonical_bytes",
    "key_history_v1_entry_hash",
    "key_history_entry_hash_with_context",
    "key_history_v1_rfc6962_leaf_hash",
    "verify_signed_note",
    "checkpoint_parse",
    "checkpoint_verify",
    "checkpoint_verify_inclusion",
    "checkpoint_verify_consistency",
    "checkpoint_verify_cosigned",
    "Cosignature",
    "VerifiedCheckpoint",
    "VerifiedProof",
    "TlogPolicy",
    "tlog_policy_parse",
    "checkpoint_verify_policy",
    "tlog_proof_verify",
    "verify_commitment",
    "coniks_verify_lookup",
    "coniks_verify_absence",
    "signed_policy_verify",
    "policy_enforce_checkpoint_signing_key",
    "policy_enforce_checkpoint_signature",
    "policy_enforce_vrf_suite_id",
    "policy_enforce_commitment_hash",
    "policy_enforce_directory_backend",
    "keytrans_verify_search",
    "keytrans_verify_fixed_version",
    "keytrans_verify_monitor",
    "keytrans_verify_search_suite",
    "keytrans_verify_fixed_version_suite",
    "keytrans_verify_monitor_suite",
]

_KEY_HISTORY_ENTRY = (_U64, _U64, _Bytes, _Bytes, _Bytes, _OptionalBytes)


# --- RFC 6962 proofs ---------------------------------------------------------


@_export(None, _U64, _U64, _Bytes, _BytesList, _Bytes)
def verify_inclusion(
    index: int, size: int, leaf_hash: bytes, proof: list[bytes], root: bytes
) -> None:
    """Checks that leaf_hash is leaf number index of the tree of the given
    size whose root hash is root. All hashes are 32 bytes."""


@_export(None, _U64, _U64, _BytesList, _Bytes, _Bytes)
def verify_consistency(
    size1: int, size2: int, proof: list[bytes], root1: bytes, root2: bytes
) -> None:
    """Checks that the tree of size1 with root root1 is a prefix of the tree
    of size2 with root root2."""


# --- Key history -------------------------------------------------------------


@_export(_Bytes, *_KEY_HISTORY_ENTRY)
def key_history_v1_canonical_bytes(
    seq: int,
    ts_ms: int,
    enc_x25519: bytes,
    enc_pq: bytes,
    signing_pub: bytes,
    prev_entry_hash: bytes | None,
) -> bytes:
    """The canonical encoding of a key-history entry. A genesis entry has no
    previous entry hash; None and b"" both mean that."""


@_export(_Bytes, *_KEY_HISTORY_ENTRY)
def key_history_v1_entry_hash(
    seq: int,
    ts_ms: int,
    enc_x25519: bytes,
    enc_pq: bytes,
    signing_pub: bytes,
    prev_entry_hash: bytes | None,
) -> bytes:
    """The 64-byte chain hash of an entry under "tarnwyk/key-history/v1"."""


@_export(_Bytes, _String, *_KEY_HISTORY_ENTRY)
def key_history_entry_hash_with_context(
    context: str,
    seq: int,
    ts_ms: int,
    enc_x25519: bytes,
    enc_pq: bytes,
    signing_pub: bytes,
    prev_entry_hash: bytes | None,
) -> bytes:
    """The 64-byte chain hash of an entry under the context label context
    ("application/purpose/vN")."""


@_export(_Bytes, *_KEY_HISTORY_ENTRY)
def key_history_v1_rfc6962_leaf_hash(
    seq: int,
    ts_ms: int,
    enc_x25519: bytes,
    enc_pq: bytes,
    signing_pub: bytes,
    prev_entry_hash: bytes | None,
) -> bytes:
    """The entry's 32-byte RFC 6962 leaf hash."""


# --- Signed notes and checkpoints --------------------------------------------


@dataclass(frozen=True)
class CheckpointHead:
    """The head of a checkpoint: the log's origin line, its tree size, the
    32-byte RFC 6962 root hash and the extension lines (without their line
    endings), in order."""

    origin: str
    size: int
    root: bytes
    extensions: list[str]


_CheckpointHead = _Record(CheckpointHead, _String, _U64, _Bytes, _StringList)


@_export(_U32, _String, _StringList)
def verify_signed_note(note_text: str, vkeys: list[str]) -> int:
    """Verifies a signed note (text, blank line, signature lines) against the
    trusted verifier keys vkeys ("name+hash+base64"), and returns how many
    signature lines from trusted keys verified. Signature lines from other
    keys are ignored; a failing one from a trusted key fails the note."""


@_export(_CheckpointHead, _String)
def checkpoint_parse(body_text: str) -> CheckpointHead:
    """Parses an unsigned checkpoint body: origin line, decimal tree size,
    base64 root hash, then optional extension lines."""


@_export(_CheckpointHead, _String, _StringList)
def checkpoint_verify(note_text: str, vkeys: list[str]) -> CheckpointHead:
    """Verifies a signed checkpoint note against vkeys and returns its head."""


@_export(None, _String, _StringList, _U64, _Bytes, _BytesList)
def checkpoint_verify_inclusion(
    note_text: str, vkeys: list[str], leaf_index: int, leaf_hash: bytes, proof: list[bytes]
) -> None:
    """Verifies a signed checkpoint, then that leaf_hash is leaf number
    leaf_index of the tree it commits to (RFC 6962 audit path proof)."""


@_export(None, _String, _String, _StringList, _BytesList)
def checkpoint_verify_consistency(
    older_note: str, newer_note: str, vkeys: list[str], proof: list[bytes]
) -> None:
    """Verifies two signed checkpoints, then that the older tree is a prefix
    of the newer one (RFC 6962 consistency proof)."""


@_export(_CheckpointHead, _String, _StringList, _StringList, _U32, _U64)
def checkpoint_verify_cosigned(
    note_text: str, log_vkeys: list[str], cosigner_vkeys: list[str], quorum: int, not_before: int
) -> CheckpointHead:
    """Verifies a signed checkpoint against log_vkeys as checkpoint_verify
    does, then its C2SP tlog-cosignature lines: every line from a listed
    cosigner (type 0x04 Ed25519 or 0x06 ML-DSA-44 keys) must verify, and at
    least quorum distinct cosigners must have cosigned at or after not_before
    (POSIX seconds). The library keeps no clock: rejecting timestamps in the
    future is the caller's concern."""


# --- C2SP tlog-policy files and tlog-proof@v1 ---------------------------------


@dataclass
class Cosignature:
    """A witness whose cosignature verified: its policy name and the latest
    timestamp it signed (POSIX seconds)."""

    witness: str
    timestamp: int


@dataclass
class VerifiedCheckpoint:
    """A checkpoint verified against a tlog-policy: its head and every policy
    witness whose cosignature verified, in policy order, with its latest
    timestamp (those older than not_before included)."""

    head: CheckpointHead
    cosignatures: list[Cosignature]


@dataclass
class VerifiedProof:
    """A tlog-proof@v1 that verified: the entry's index, the proof's extra
    data if any, and the checkpoint the entry is included in."""

    index: int
    extra: bytes | None
    checkpoint: VerifiedCheckpoint


@dataclass
class TlogPolicy:
    """A checked tlog-policy: log key names, witness and group names in file
    order, and the quorum (a witness or group name, or none)."""

    logs: list[str]
    witnesses: list[str]
    groups: list[str]
    quorum: str


_VerifiedCheckpoint = _Record(
    VerifiedCheckpoint, _CheckpointHead, _Sequence(_Record(Cosignature, _String, _U64))
)


@_export(_Record(TlogPolicy, _StringList, _StringList, _StringList, _String), _String)
def tlog_policy_parse(policy: str) -> TlogPolicy:
    """Checks a C2SP tlog-policy file and summarises it."""


@_export(_VerifiedCheckpoint, _String, _String, _U64)
def checkpoint_verify_policy(note_text: str, policy: str, not_before: int) -> VerifiedCheckpoint:
    """Verifies a checkpoint against a tlog-policy: it must be signed by a
    policy log whose key name is its origin, and cosigned as the quorum
    demands by cosignatures timestamped at or after not_before (POSIX
    seconds). The library keeps no clock: judge freshness from the returned
    timestamps."""


@_export(_Record(VerifiedProof, _U64, _OptionalBytes, _VerifiedCheckpoint), _String, _String, _Bytes, _U64)
def tlog_proof_verify(proof: str, policy: str, leaf_hash: bytes, not_before: int) -> VerifiedProof:
    """Verifies a C2SP tlog-proof@v1 file: its checkpoint against the
    tlog-policy as checkpoint_verify_policy does, then the inclusion of the
    32-byte RFC 6962 leaf_hash at the proof's index."""


# --- Commitments -------------------------------------------------------------


@_export(None, _String, _Bytes, _Bytes, _Bytes)
def verify_commitment(context: str, commitment: bytes, value: bytes, opening: bytes) -> None:
    """Checks that the 64-byte commitment opens to value with the 32-byte
    opening under the context label: that it is the SHA3-512 hash of the
    context's length (8 bytes, big-endian), the context, the opening and the
    value."""


# --- CONIKS directories ------------------------------------------------------


@_export(_Bytes, _String, _Bytes, _Bytes, _Bytes, _Bytes)
def coniks_verify_lookup(
    namespace: str, vrf_public: bytes, root: bytes, identity: bytes, proof: bytes
) -> bytes:
    """Verifies a lookup proof: that the directory of namespace, whose VRF
    public key is vrf_public (32 bytes) and whose root is root (64 bytes),
    maps identity to a value. Returns that value."""


@_export(None, _String, _Bytes, _Bytes, _Bytes, _Bytes)
def coniks_verify_absence(
    namespace: str, vrf_public: bytes, root: bytes, identity: bytes, proof: bytes
) -> None:
    """Verifies an absence proof: that the directory of namespace, whose VRF
    public key is vrf_public (32 bytes) and whose root is root (64 bytes),
    holds no value for identity."""


# --- Namespace policies ------------------------------------------------------


class SecurityLevel(enum.Enum):
    """NIST-style security category a namespace declares."""

    Cat3 = 1
    Cat5 = 2


class CheckpointSuite(enum.Enum):
    """The checkpoint-signing posture a namespace declares."""

    Hybrid = 1
    HybridMatched = 2
    PureCnsa2 = 3


class CommitmentHash(enum.Enum):
    """The commitment hash parameter a namespace declares."""

    Sha3_256 = 1
    Sha3_512 = 2


class VrfMode(enum.Enum):
    """The CONIKS VRF mode a namespace declares."""

    Classical = 1
    HybridOutput = 2
    PurePqExperimental = 3


class DirectoryMode(enum.Enum):
    """The directory backend a namespace declares."""

    Coniks = 1
    Keytrans = 2


class KeytransSuite(enum.Enum):
    """The KEYTRANS suite a namespace declares (meaningful only with
    DirectoryMode.Keytrans)."""

    SilvantropeHybridExp = 1
    Kt128Sha256Ed25519 = 2
    Kt128Sha256P256 = 3


@dataclass(frozen=True)
class PolicyPosture:
    """The verified declared posture of a namespace policy, with its 64-byte
    canonical policy hash and its 32-byte RFC 6962 leaf hash."""

    namespace: str
    policy_schema_version: int
    security_level: SecurityLevel
    checkpoint_suite: CheckpointSuite
    commitment_hash: CommitmentHash
    vrf_mode: VrfMode
    directory_mode: DirectoryMode
    keytrans_suite: KeytransSuite
    effective_from: int
    created_at: int
    policy_hash: bytes
    rfc6962_leaf_hash: bytes


_CommitmentHash = _Enum(CommitmentHash)
_PolicyPosture = _Record(
    PolicyPosture, _String, _U32, _Enum(SecurityLevel), _Enum(CheckpointSuite), _CommitmentHash,
    _Enum(VrfMode), _Enum(DirectoryMode), _Enum(KeytransSuite), _U64, _U64, _Bytes, _Bytes,
)


@_export(_PolicyPosture, _Bytes)
def signed_policy_verify(envelope: bytes) -> PolicyPosture:
    """Verifies a SignedPolicy envelope and returns the posture it declares.
    The signature is checked with the key the envelope carries; trust that
    key only once rfc6962_leaf_hash is in a policy log you already trust."""


@_export(None, _Bytes, _String)
def policy_enforce_checkpoint_signing_key(envelope: bytes, public_key: str) -> None:
    """Verifies the envelope, then that the checkpoint public-key token has
    the declared checkpoint suite and security level."""


@_export(None, _Bytes, _String)
def policy_enforce_checkpoint_signature(envelope: bytes, signature: str) -> None:
    """Verifies the envelope, then that the checkpoint signature token has
    the declared checkpoint suite and security level (it is not verified)."""


@_export(None, _Bytes, _U8)
def policy_enforce_vrf_suite_id(envelope: bytes, observed_suite_id: int) -> None:
    """Verifies the envelope, then that the observed VRF suite byte is that
    of the declared VRF mode (0x03 for Classical)."""


@_export(None, _Bytes, _CommitmentHash)
def policy_enforce_commitment_hash(envelope: bytes, observed: CommitmentHash) -> None:
    """Verifies the envelope, then that the observed commitment hash is the
    declared one."""


@_export(None, _Bytes, _U16)
def policy_enforce_directory_backend(envelope: bytes, observed_backend_id: int) -> None:
    """Verifies the envelope, then that the observed directory backend id is
    the declared one (0x0001 CONIKS, 0xF004 KEYTRANS)."""


# --- Key transparency (KEYTRANS) -------------------------------------------


@dataclass(frozen=True)
class SearchResult:
    """The outcome of a KEYTRANS search or fixed-version verification:
    whether the label is present and, if so, its bound value."""

    present: bool
    value: bytes | None


_SearchResult = _Record(SearchResult, _Bool, _OptionalBytes)
_KEYTRANS_ARGS = (_String, _Bytes, _Bytes, _Bytes, _Bytes)


@_export(_SearchResult, *_KEYTRANS_ARGS)
def keytrans_verify_search(
    context: str, vrf_public: bytes, root: bytes, label: bytes, proof: bytes
) -> SearchResult:
    """Verifies a KEYTRANS search proof under the experimental suite
    SilvantropeHybridExp (0xF000) against the 32-byte combined-tree root:
    returns the label's greatest version's value, or present False."""


@_export(_SearchResult, *_KEYTRANS_ARGS)
def keytrans_verify_fixed_version(
    context: str, vrf_public: bytes, root: bytes, label: bytes, proof: bytes
) -> SearchResult:
    """Verifies a KEYTRANS fixed-version proof under SilvantropeHybridExp:
    returns the value of the version the proof shows, or present False."""


@_export(None, *_KEYTRANS_ARGS)
def keytrans_verify_monitor(
    context: str, vrf_public: bytes, root: bytes, label: bytes, proof: bytes
) -> None:
    """Verifies a KEYTRANS monitoring proof under SilvantropeHybridExp: the
    monitored version and every version of its ladder are present."""


@_export(_SearchResult, _U16, *_KEYTRANS_ARGS)
def keytrans_verify_search_suite(
    suite_id: int, context: str, vrf_public: bytes, root: bytes, label: bytes, proof: bytes
) -> SearchResult:
    """keytrans_verify_search under the suite 0x0001 (KT_128_SHA256_P256),
    0x0002 (KT_128_SHA256_Ed25519) or 0xF000."""


@_export(_SearchResult, _U16, *_KEYTRANS_ARGS)
def keytrans_verify_fixed_version_suite(
    suite_id: int, context: str, vrf_public: bytes, root: bytes, label: bytes, proof: bytes
) -> SearchResult:
    """keytrans_verify_fixed_version under an explicit suite id."""


@_export(None, _U16, *_KEYTRANS_ARGS)
def keytrans_verify_monitor_suite(
    suite_id: int, context: str, vrf_public: bytes, root: bytes, label: bytes, proof: bytes
) -> None:
    """keytrans_verify_monitor under an explicit suite id."""
