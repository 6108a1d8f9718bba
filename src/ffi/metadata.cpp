// SPDX-License-Identifier: Apache-2.0
// The interface description of the exports, in module silvantrope_log::ffi.
// The records are hidden and local in exports.map: they stay in .symtab,
// where uniffi-bindgen looks for them, and out of the dynamic symbol table.
// Never strip the library.

#include "ffi/metadata.h"

using namespace silvantrope::ffi::meta;

namespace {

constexpr Type kCheckpointHead = record_type("CheckpointHead");
constexpr Type kSearchResult = record_type("SearchResult");
constexpr Args kEntry = {{"seq", u64},         {"ts_ms", u64},         {"enc_x25519", bytes},
                         {"enc_pq", bytes},    {"signing_pub", bytes}, {"prev_entry_hash", option(bytes)}};
constexpr Args kKeytrans = {
    {"context", string}, {"vrf_public", bytes}, {"root", bytes}, {"label", bytes}, {"proof", bytes}};
constexpr Args kSuite = {{"suite_id", u16}};

}  // namespace

extern "C" [[gnu::used]] constexpr auto UNIFFI_META_NAMESPACE_SILVANTROPE_LOG =
    exact<namespace_record("silvantrope_log", "silvantrope_log")>;

// Functions, each with its checksum salt.

extern "C" [[gnu::used]] constexpr auto UNIFFI_META_SILVANTROPE_LOG_FUNC_VERIFY_INCLUSION = exact<func(
    "verify_inclusion",
    {{"index", u64}, {"size", u64}, {"leaf_hash", bytes}, {"proof", vec(bytes)}, {"root", bytes}},
    unit,
    "Verifies an RFC 6962 inclusion proof: leaf_hash and root are 32-byte SHA-256 hashes, proof "
    "the ordered audit path; succeeds iff the leaf at index in a tree of size leaves is included "
    "under root.",
    "kfh")>;

extern "C" [[gnu::used]] constexpr auto UNIFFI_META_SILVANTROPE_LOG_FUNC_VERIFY_CONSISTENCY = exact<func(
    "verify_consistency",
    {{"size1", u64}, {"size2", u64}, {"proof", vec(bytes)}, {"root1", bytes}, {"root2", bytes}},
    unit,
    "Verifies an RFC 6962 consistency proof: succeeds iff the size2 tree is an append-only "
    "extension of the size1 tree, root1 and root2 being the 32-byte roots.",
    "19a")>;

extern "C" [[gnu::used]] constexpr auto UNIFFI_META_SILVANTROPE_LOG_FUNC_KEY_HISTORY_V1_CANONICAL_BYTES =
    exact<func("key_history_v1_canonical_bytes", kEntry, bytes,
               "Canonical Layer-0 leaf bytes of a \"tarnwyk/key-history/v1\" entry; an absent "
               "prev_entry_hash marks the genesis entry.",
               "gby")>;

extern "C" [[gnu::used]] constexpr auto UNIFFI_META_SILVANTROPE_LOG_FUNC_KEY_HISTORY_V1_ENTRY_HASH =
    exact<func("key_history_v1_entry_hash", kEntry, bytes,
               "The 64-byte context-bound SHA3-512 entry hash under the default label.", "uqa")>;

extern "C" [[gnu::used]] constexpr auto
    UNIFFI_META_SILVANTROPE_LOG_FUNC_KEY_HISTORY_ENTRY_HASH_WITH_CONTEXT =
        exact<func("key_history_entry_hash_with_context", Args{{"context", string}} + kEntry, bytes,
                   "The entry hash under a caller-supplied context label, so that any application "
                   "can brand its leaves.",
                   "0s8i")>;

extern "C" [[gnu::used]] constexpr auto UNIFFI_META_SILVANTROPE_LOG_FUNC_KEY_HISTORY_V1_RFC6962_LEAF_HASH =
    exact<func("key_history_v1_rfc6962_leaf_hash", kEntry, bytes,
               "The RFC 6962 leaf hash, SHA-256 of 0x00 followed by the canonical bytes, ready for "
               "verify_inclusion.",
               "ccu")>;

extern "C" [[gnu::used]] constexpr auto UNIFFI_META_SILVANTROPE_LOG_FUNC_VERIFY_SIGNED_NOTE = exact<func(
    "verify_signed_note", {{"note_text", string}, {"vkeys", vec(string)}}, u32,
    "Verifies a signed note against trusted verifier keys; returns the number of trusted signature "
    "lines that verified (at least 1).",
    "yg7")>;

extern "C" [[gnu::used]] constexpr auto UNIFFI_META_SILVANTROPE_LOG_FUNC_CHECKPOINT_VERIFY = exact<func(
    "checkpoint_verify", {{"note_text", string}, {"vkeys", vec(string)}}, kCheckpointHead,
    "Parses and verifies a signed checkpoint note; fails on a malformed body or when no trusted "
    "signature verifies.",
    "0hk2")>;

extern "C" [[gnu::used]] constexpr auto UNIFFI_META_SILVANTROPE_LOG_FUNC_CHECKPOINT_PARSE = exact<func(
    "checkpoint_parse", {{"body_text", string}}, kCheckpointHead,
    "Parses an already-trusted checkpoint body without any signature check.", "2y0")>;

extern "C" [[gnu::used]] constexpr auto UNIFFI_META_SILVANTROPE_LOG_FUNC_CHECKPOINT_VERIFY_INCLUSION =
    exact<func("checkpoint_verify_inclusion",
               {{"note_text", string},
                {"vkeys", vec(string)},
                {"leaf_index", u64},
                {"leaf_hash", bytes},
                {"proof", vec(bytes)}},
               unit,
               "Verifies the checkpoint, then the inclusion proof against its size and root.", "01j1")>;

extern "C" [[gnu::used]] constexpr auto UNIFFI_META_SILVANTROPE_LOG_FUNC_CHECKPOINT_VERIFY_CONSISTENCY =
    exact<func("checkpoint_verify_consistency",
               {{"older_note", string},
                {"newer_note", string},
                {"vkeys", vec(string)},
                {"proof", vec(bytes)}},
               unit,
               "Verifies both checkpoints and that they are consistent append-only views of the "
               "same log.",
               "6vl")>;

extern "C" [[gnu::used]] constexpr auto UNIFFI_META_SILVANTROPE_LOG_FUNC_CONIKS_VERIFY_LOOKUP = exact<func(
    "coniks_verify_lookup",
    {{"namespace", string}, {"vrf_public", bytes}, {"root", bytes}, {"identity", bytes}, {"proof", bytes}},
    bytes,
    "Verifies a CONIKS presence proof (canonical `LookupProof` bytes) against a 64-byte directory "
    "root; returns the proven value.",
    "md2")>;

extern "C" [[gnu::used]] constexpr auto UNIFFI_META_SILVANTROPE_LOG_FUNC_CONIKS_VERIFY_ABSENCE = exact<func(
    "coniks_verify_absence",
    {{"namespace", string}, {"vrf_public", bytes}, {"root", bytes}, {"identity", bytes}, {"proof", bytes}},
    unit,
    "Verifies a CONIKS absence proof: succeeds iff identity is provably absent under root.", "piw")>;

extern "C" [[gnu::used]] constexpr auto UNIFFI_META_SILVANTROPE_LOG_FUNC_VERIFY_COMMITMENT = exact<func(
    "verify_commitment",
    {{"context", string}, {"commitment", bytes}, {"value", bytes}, {"opening", bytes}},
    unit,
    "Verifies a SHA3-512 commitment opening: commitment 64 bytes, opening 32 bytes.", "gg4")>;

extern "C" [[gnu::used]] constexpr auto UNIFFI_META_SILVANTROPE_LOG_FUNC_SIGNED_POLICY_VERIFY = exact<func(
    "signed_policy_verify", {{"envelope", bytes}}, record_type("PolicyPosture"),
    "Parses and verifies a canonical `SignedPolicy` envelope; returns the declared posture.", "d5m")>;

extern "C" [[gnu::used]] constexpr auto
    UNIFFI_META_SILVANTROPE_LOG_FUNC_POLICY_ENFORCE_CHECKPOINT_SIGNING_KEY =
        exact<func("policy_enforce_checkpoint_signing_key", {{"envelope", bytes}, {"public_key", string}},
                   unit,
                   "Declared posture equals the observed checkpoint signing key (a base64 public-key "
                   "token of `silvantrope-crypto`).",
                   "1ngb")>;

extern "C" [[gnu::used]] constexpr auto
    UNIFFI_META_SILVANTROPE_LOG_FUNC_POLICY_ENFORCE_CHECKPOINT_SIGNATURE =
        exact<func("policy_enforce_checkpoint_signature", {{"envelope", bytes}, {"signature", string}},
                   unit,
                   "Declared posture equals the observed checkpoint signature (a base64 signature "
                   "token).",
                   "h5x")>;

extern "C" [[gnu::used]] constexpr auto UNIFFI_META_SILVANTROPE_LOG_FUNC_POLICY_ENFORCE_VRF_SUITE_ID =
    exact<func("policy_enforce_vrf_suite_id", {{"envelope", bytes}, {"observed_suite_id", u8}}, unit,
               "Declared posture equals the observed CONIKS VRF suite id.", "29yj")>;

extern "C" [[gnu::used]] constexpr auto UNIFFI_META_SILVANTROPE_LOG_FUNC_POLICY_ENFORCE_COMMITMENT_HASH =
    exact<func("policy_enforce_commitment_hash",
               {{"envelope", bytes}, {"observed", enum_type("CommitmentHash")}}, unit,
               "Declared posture equals the observed commitment-hash parameter.", "ovt")>;

extern "C" [[gnu::used]] constexpr auto UNIFFI_META_SILVANTROPE_LOG_FUNC_POLICY_ENFORCE_DIRECTORY_BACKEND =
    exact<func("policy_enforce_directory_backend", {{"envelope", bytes}, {"observed_backend_id", u16}},
               unit,
               "Declared posture equals the observed directory backend id (raw code, 0x0001 CONIKS, "
               "0xF004 the experimental KEYTRANS backend).",
               "2xni")>;

extern "C" [[gnu::used]] constexpr auto UNIFFI_META_SILVANTROPE_LOG_FUNC_KEYTRANS_VERIFY_SEARCH =
    exact<func("keytrans_verify_search", kKeytrans, kSearchResult,
               "Verifies an experimental KEYTRANS greatest-version search proof against a "
               "combined-tree root (experimental private suite).",
               "a4a")>;

extern "C" [[gnu::used]] constexpr auto UNIFFI_META_SILVANTROPE_LOG_FUNC_KEYTRANS_VERIFY_FIXED_VERSION =
    exact<func("keytrans_verify_fixed_version", kKeytrans, kSearchResult,
               "Verifies an experimental KEYTRANS fixed-version search proof.", "a58")>;

extern "C" [[gnu::used]] constexpr auto UNIFFI_META_SILVANTROPE_LOG_FUNC_KEYTRANS_VERIFY_MONITOR =
    exact<func("keytrans_verify_monitor", kKeytrans, unit,
               "Verifies an experimental KEYTRANS monitoring proof: succeeds iff the monitored "
               "version's binary ladder is all inclusions under the root.",
               "2lin")>;

extern "C" [[gnu::used]] constexpr auto UNIFFI_META_SILVANTROPE_LOG_FUNC_KEYTRANS_VERIFY_SEARCH_SUITE =
    exact<func("keytrans_verify_search_suite", kSuite + kKeytrans, kSearchResult,
               "The search proof under an explicit KEYTRANS suite id.", "0ebp")>;

extern "C" [[gnu::used]] constexpr auto
    UNIFFI_META_SILVANTROPE_LOG_FUNC_KEYTRANS_VERIFY_FIXED_VERSION_SUITE =
        exact<func("keytrans_verify_fixed_version_suite", kSuite + kKeytrans, kSearchResult,
                   "The fixed-version proof under an explicit suite id.", "fv6")>;

extern "C" [[gnu::used]] constexpr auto UNIFFI_META_SILVANTROPE_LOG_FUNC_KEYTRANS_VERIFY_MONITOR_SUITE =
    exact<func("keytrans_verify_monitor_suite", kSuite + kKeytrans, unit,
               "The monitoring proof under an explicit suite id.", "gsb")>;

extern "C" [[gnu::used]] constexpr auto UNIFFI_META_SILVANTROPE_LOG_FUNC_CHECKPOINT_VERIFY_COSIGNED =
    exact<func("checkpoint_verify_cosigned",
               {{"note_text", string},
                {"log_vkeys", vec(string)},
                {"cosigner_vkeys", vec(string)},
                {"quorum", u32},
                {"not_before", u64}},
               kCheckpointHead,
               "Verifies a signed checkpoint, then requires quorum distinct witnesses (C2SP "
               "tlog-cosignature, Ed25519 or ML-DSA-44) to have cosigned it at or after not_before "
               "(POSIX seconds); keeps no clock, so future timestamps are the caller's concern.")>;

extern "C" [[gnu::used]] constexpr auto UNIFFI_META_SILVANTROPE_LOG_FUNC_TLOG_POLICY_PARSE =
    exact<func("tlog_policy_parse", {{"policy", string}}, record_type("TlogPolicy"),
               "Checks a C2SP tlog-policy file and summarises it: log key names, witness and group "
               "names in file order, and the quorum.")>;

extern "C" [[gnu::used]] constexpr auto UNIFFI_META_SILVANTROPE_LOG_FUNC_CHECKPOINT_VERIFY_POLICY =
    exact<func("checkpoint_verify_policy", {{"note_text", string}, {"policy", string}, {"not_before", u64}},
               record_type("VerifiedCheckpoint"),
               "Verifies a checkpoint against a C2SP tlog-policy: signed by a policy log whose key name "
               "is its origin, cosigned as the quorum demands at or after not_before (POSIX seconds). "
               "Returns the head and every verified witness timestamp; keeps no clock.")>;

extern "C" [[gnu::used]] constexpr auto UNIFFI_META_SILVANTROPE_LOG_FUNC_TLOG_PROOF_VERIFY =
    exact<func("tlog_proof_verify",
               {{"proof", string}, {"policy", string}, {"leaf_hash", bytes}, {"not_before", u64}},
               record_type("VerifiedProof"),
               "Verifies a C2SP tlog-proof@v1 file: its checkpoint against the tlog-policy, then the "
               "inclusion of the 32-byte leaf_hash at its index.")>;

extern "C" [[gnu::used]] constexpr auto UNIFFI_META_SILVANTROPE_LOG_FUNC_TLOG_TILES_FOR_INCLUSION =
    exact<func("tlog_tiles_for_inclusion", {{"tree_size", u64}, {"index", u64}}, vec(string),
               "The C2SP tlog-tiles paths of exactly the tiles an RFC 6962 inclusion proof for index in a tree "
               "of tree_size leaves needs, at the widths tree_size implies, sorted by level then index.")>;

extern "C" [[gnu::used]] constexpr auto UNIFFI_META_SILVANTROPE_LOG_FUNC_TLOG_TILES_FOR_CONSISTENCY =
    exact<func("tlog_tiles_for_consistency", {{"old_size", u64}, {"new_size", u64}}, vec(string),
               "The C2SP tlog-tiles paths of exactly the tiles an RFC 6962 consistency proof from old_size to "
               "new_size needs, at the widths new_size implies; equal sizes need none.")>;

extern "C" [[gnu::used]] constexpr auto UNIFFI_META_SILVANTROPE_LOG_FUNC_TLOG_TILES_TREE_HASH =
    exact<func("tlog_tiles_tree_hash", {{"tree_size", u64}, {"tiles", vec(record_type("Tile"))}}, bytes,
               "The 32-byte RFC 6962 root of the tree of tree_size leaves, computed from tiles (untrusted: "
               "paths and lengths checked, duplicates must agree, a missing needed tile is an error).")>;

extern "C" [[gnu::used]] constexpr auto UNIFFI_META_SILVANTROPE_LOG_FUNC_TLOG_TILES_INCLUSION_PROOF =
    exact<func("tlog_tiles_inclusion_proof",
               {{"tree_size", u64}, {"index", u64}, {"tiles", vec(record_type("Tile"))}}, vec(bytes),
               "The RFC 6962 inclusion proof for index in the tree of tree_size leaves, computed from tiles, "
               "byte-identical to what the log serves.")>;

extern "C" [[gnu::used]] constexpr auto UNIFFI_META_SILVANTROPE_LOG_FUNC_TLOG_TILES_CONSISTENCY_PROOF =
    exact<func("tlog_tiles_consistency_proof",
               {{"old_size", u64}, {"new_size", u64}, {"tiles", vec(record_type("Tile"))}}, vec(bytes),
               "The RFC 6962 consistency proof from old_size to new_size, computed from tiles, byte-identical "
               "to what the log serves.")>;

extern "C" [[gnu::used]] constexpr auto UNIFFI_META_SILVANTROPE_LOG_FUNC_TLOG_TILES_VERIFY_INCLUSION =
    exact<func("tlog_tiles_verify_inclusion",
               {{"note_text", string},
                {"policy", string},
                {"index", u64},
                {"leaf_hash", bytes},
                {"tiles", vec(record_type("Tile"))},
                {"not_before", u64}},
               record_type("VerifiedCheckpoint"),
               "Verifies the checkpoint against the C2SP tlog-policy, computes the inclusion proof for index "
               "from tiles, and verifies the 32-byte leaf_hash against the checkpoint's root.")>;

extern "C" [[gnu::used]] constexpr auto UNIFFI_META_SILVANTROPE_LOG_FUNC_TLOG_TILES_LEAF_HASHES =
    exact<func("tlog_tiles_leaf_hashes", {{"bundle", bytes}}, bytes,
               "The level-0 tile data a C2SP tlog-tiles entry bundle implies: the RFC 6962 leaf hash of each "
               "entry, concatenated. A bundle of no entries, more than 256, or trailing bytes is malformed.")>;

// Records: fields in wire order.

extern "C" [[gnu::used]] constexpr auto UNIFFI_META_SILVANTROPE_LOG_RECORD_COSIGNATURE = exact<record(
    "Cosignature",
    {{"witness", string, "The policy name of the witness."},
     {"timestamp", u64, "Its latest verified cosignature time (POSIX seconds)."}},
    "A witness cosignature that verified.")>;

extern "C" [[gnu::used]] constexpr auto UNIFFI_META_SILVANTROPE_LOG_RECORD_VERIFIEDCHECKPOINT = exact<record(
    "VerifiedCheckpoint",
    {{"head", kCheckpointHead, "The verified checkpoint head."},
     {"cosignatures", vec(record_type("Cosignature")),
      "Every policy witness whose cosignature verified, in policy order, older ones included."}},
    "A checkpoint verified against a tlog-policy, with its witness timestamps.")>;

extern "C" [[gnu::used]] constexpr auto UNIFFI_META_SILVANTROPE_LOG_RECORD_VERIFIEDPROOF = exact<record(
    "VerifiedProof",
    {{"index", u64, "The proven entry's index."},
     {"extra", option(bytes), "The proof's extra data, when it has any."},
     {"checkpoint", record_type("VerifiedCheckpoint"), "The checkpoint the entry is included in."}},
    "A tlog-proof@v1 that verified.")>;

extern "C" [[gnu::used]] constexpr auto UNIFFI_META_SILVANTROPE_LOG_RECORD_TILE = exact<record(
    "Tile",
    {{"path", string, "The tile's C2SP tlog-tiles URL path, e.g. tile/0/x001/234.p/5."},
     {"data", bytes, "The tile's bytes as fetched: 32 bytes per hash."}},
    "A hash tile as a client fetched it; untrusted.")>;

extern "C" [[gnu::used]] constexpr auto UNIFFI_META_SILVANTROPE_LOG_RECORD_TLOGPOLICY = exact<record(
    "TlogPolicy",
    {{"logs", vec(string), "The log key names, in file order."},
     {"witnesses", vec(string), "The witness names, in file order."},
     {"groups", vec(string), "The group names, in file order."},
     {"quorum", string, "The quorum: a witness or group name, or none."}},
    "A summary of a checked C2SP tlog-policy file.")>;

extern "C" [[gnu::used]] constexpr auto UNIFFI_META_SILVANTROPE_LOG_RECORD_CHECKPOINTHEAD = exact<record(
    "CheckpointHead",
    {{"origin", string, "The log origin (identity) line."},
     {"size", u64, "The tree size (number of leaves)."},
     {"root", bytes, "The 32-byte RFC 6962 root hash at size."},
     {"extensions", vec(string), "Any extension lines, in order."}},
    "A verified checkpoint head, the trustworthy origin, size, root and extensions of a signed "
    "checkpoint note.")>;

extern "C" [[gnu::used]] constexpr auto UNIFFI_META_SILVANTROPE_LOG_RECORD_SEARCHRESULT = exact<record(
    "SearchResult",
    {{"present", boolean, "true if the label is present in the directory."},
     {"value", option(bytes), "The bound value when present, otherwise absent."}},
    "The outcome of a KEYTRANS search or fixed-version verification: whether the label is present "
    "and, if so, its bound value.")>;

extern "C" [[gnu::used]] constexpr auto UNIFFI_META_SILVANTROPE_LOG_RECORD_POLICYPOSTURE = exact<record(
    "PolicyPosture",
    {{"namespace", string, "The namespace this policy governs."},
     {"policy_schema_version", u32, "The policy schema version."},
     {"security_level", enum_type("SecurityLevel"), "The declared security level."},
     {"checkpoint_suite", enum_type("CheckpointSuite"), "The declared checkpoint-signing suite."},
     {"commitment_hash", enum_type("CommitmentHash"), "The declared commitment hash parameter."},
     {"vrf_mode", enum_type("VrfMode"), "The declared VRF mode."},
     {"directory_mode", enum_type("DirectoryMode"), "The declared directory backend."},
     {"keytrans_suite", enum_type("KeytransSuite"), "The declared KEYTRANS suite."},
     {"effective_from", u64, "Tree position from which this version takes effect."},
     {"created_at", u64, "Creation timestamp (unix ms)."},
     {"policy_hash", bytes, "The 64-byte canonical policy hash."},
     {"rfc6962_leaf_hash", bytes, "The 32-byte RFC 6962 leaf hash of this policy record."}},
    "The verified declared posture of a namespace policy.")>;

// Enumerations: variants in index order (1-based on the wire).

extern "C" [[gnu::used]] constexpr auto UNIFFI_META_SILVANTROPE_LOG_ENUM_SECURITYLEVEL = exact<enumeration(
    "SecurityLevel", {{"Cat3", "Category 3."}, {"Cat5", "Category 5."}},
    "NIST-style security category a namespace declares.")>;

extern "C" [[gnu::used]] constexpr auto UNIFFI_META_SILVANTROPE_LOG_ENUM_CHECKPOINTSUITE = exact<enumeration(
    "CheckpointSuite",
    {{"Hybrid", "Additive hybrid (classical + PQ)."},
     {"HybridMatched", "Hybrid with matched security levels."},
     {"PureCnsa2", "Pure CNSA 2.0 (PQ-only)."}},
    "The checkpoint-signing posture a namespace declares.")>;

extern "C" [[gnu::used]] constexpr auto UNIFFI_META_SILVANTROPE_LOG_ENUM_COMMITMENTHASH = exact<enumeration(
    "CommitmentHash", {{"Sha3_256", "SHA3-256."}, {"Sha3_512", "SHA3-512."}},
    "The commitment hash parameter a namespace declares.")>;

extern "C" [[gnu::used]] constexpr auto UNIFFI_META_SILVANTROPE_LOG_ENUM_VRFMODE = exact<enumeration(
    "VrfMode",
    {{"Classical", "Classical ECVRF-Ed25519."},
     {"HybridOutput", "Hybrid VRF output."},
     {"PurePqExperimental", "Experimental pure-PQ VRF."}},
    "The CONIKS VRF mode a namespace declares.")>;

extern "C" [[gnu::used]] constexpr auto UNIFFI_META_SILVANTROPE_LOG_ENUM_DIRECTORYMODE = exact<enumeration(
    "DirectoryMode",
    {{"Coniks", "CONIKS prefix-tree directory."},
     {"Keytrans", "Experimental KEYTRANS combined-tree directory."}},
    "The directory backend a namespace declares.")>;

extern "C" [[gnu::used]] constexpr auto UNIFFI_META_SILVANTROPE_LOG_ENUM_KEYTRANSSUITE = exact<enumeration(
    "KeytransSuite",
    {{"SilvantropeHybridExp", "Experimental Silvantrope hybrid suite."},
     {"Kt128Sha256Ed25519", "the standard suite KT_128_SHA256_Ed25519."},
     {"Kt128Sha256P256", "the standard suite KT_128_SHA256_P256."}},
    "The KEYTRANS suite a namespace declares (meaningful only in `DirectoryMode::Keytrans`).")>;

// The one error type: flat, the foreign side gets the variant and the message.

extern "C" [[gnu::used]] constexpr auto UNIFFI_META_SILVANTROPE_LOG_ERROR_VERIFYERROR = exact<enumeration(
    "VerifyError",
    {{"Verification",
      "The input did not verify; the message says why (tamper, forgery, posture mismatch, "
      "malformed input or a decode failure)."}},
    "The error every exported function reports: one human-readable message per failure.",
    /*flat_error=*/true)>;
