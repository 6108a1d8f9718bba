/* SPDX-License-Identifier: Apache-2.0 */
/*
 * silvantrope_log: verification of transparency-log proofs, signed notes,
 * checkpoints, commitments, CONIKS proofs, namespace policies and KEYTRANS
 * proofs, behind a C ABI that follows the UniFFI conventions (contract
 * version 30, namespace silvantrope_log).
 *
 * Calling convention
 *   - Scalars are passed as plain integers; every other argument is a
 *     RustBuffer holding the value's serialization (a text argument holds the
 *     raw UTF-8 bytes), made by ffi_silvantrope_log_rustbuffer_alloc or
 *     _from_bytes (or returned by a call): the library frees it with free(3),
 *     so a buffer of any other origin is undefined behaviour. A buffer passed
 *     in is consumed by the call, except one the call rejects as not a buffer
 *     (data NULL with a non-zero len, len above capacity), which it cannot
 *     safely free.
 *   - The last argument is a RustCallStatus the caller has zeroed; it must
 *     not be NULL: a call that fails with nowhere to say so aborts the
 *     process rather than look like a success. On success it is left
 *     untouched. On failure code is 1 (error_buf: i32 variant index 1, then
 *     the length-prefixed UTF-8 message of the VerifyError) or 2 (error_buf:
 *     the bare UTF-8 message of an unexpected failure, such as a malformed
 *     argument), and the function returns its zero value.
 *   - Every returned RustBuffer, including error_buf, belongs to the caller,
 *     who releases it with ffi_silvantrope_log_rustbuffer_free.
 *
 * Every function is re-entrant and may be called from any thread.
 *
 * RustBuffer, ForeignBytes and RustCallStatus are declared here without the
 * UNIFFI_SHARED_H guard of uniffi-bindgen's headers (and the status field is
 * error_buf): include this header apart from another UniFFI library's.
 */
#ifndef SILVANTROPE_LOG_H
#define SILVANTROPE_LOG_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define SILVANTROPE_LOG_API __attribute__((visibility("default")))
#else
#define SILVANTROPE_LOG_API
#endif

typedef struct RustBuffer {
  uint64_t capacity;
  uint64_t len;
  uint8_t* data;
} RustBuffer;

typedef struct ForeignBytes {
  int32_t len;
  const uint8_t* data;
} ForeignBytes;

typedef struct RustCallStatus {
  int8_t code;
  RustBuffer error_buf;
} RustCallStatus;

enum {
  SILVANTROPE_LOG_CALL_SUCCESS = 0,
  SILVANTROPE_LOG_CALL_ERROR = 1,
  SILVANTROPE_LOG_CALL_UNEXPECTED_ERROR = 2,
  SILVANTROPE_LOG_CALL_CANCELLED = 3
};

/* Runtime. alloc returns a buffer of capacity and len size, zeroed; from_bytes
 * copies len bytes; reserve returns buf with room for additional bytes more,
 * its len and contents kept (buf is consumed, also when reserve fails); free
 * releases a buffer, and one of capacity 0 is never freed (its data is not the
 * library's). Each fails with code 2 when memory runs out or the size does not
 * fit, and then returns the all-zero buffer. */

SILVANTROPE_LOG_API uint32_t ffi_silvantrope_log_uniffi_contract_version(void);
SILVANTROPE_LOG_API RustBuffer ffi_silvantrope_log_rustbuffer_alloc(uint64_t size,
                                                                    RustCallStatus* status);
SILVANTROPE_LOG_API RustBuffer ffi_silvantrope_log_rustbuffer_from_bytes(ForeignBytes bytes,
                                                                         RustCallStatus* status);
SILVANTROPE_LOG_API void ffi_silvantrope_log_rustbuffer_free(RustBuffer buf,
                                                             RustCallStatus* status);
SILVANTROPE_LOG_API RustBuffer ffi_silvantrope_log_rustbuffer_reserve(RustBuffer buf,
                                                                      uint64_t additional,
                                                                      RustCallStatus* status);

/* RFC 6962 proofs. leaf_hash, root, root1, root2: byte lists (32 bytes);
 * proof: list of byte lists. */

SILVANTROPE_LOG_API void uniffi_silvantrope_log_fn_func_verify_inclusion(
    uint64_t index, uint64_t size, RustBuffer leaf_hash, RustBuffer proof, RustBuffer root,
    RustCallStatus* status);
SILVANTROPE_LOG_API void uniffi_silvantrope_log_fn_func_verify_consistency(
    uint64_t size1, uint64_t size2, RustBuffer proof, RustBuffer root1, RustBuffer root2,
    RustCallStatus* status);

/* Key-history entries. enc_x25519, enc_pq, signing_pub: byte lists;
 * prev_entry_hash: optional byte list (absent for genesis); context: text.
 * Each returns a byte list. */

SILVANTROPE_LOG_API RustBuffer uniffi_silvantrope_log_fn_func_key_history_v1_canonical_bytes(
    uint64_t seq, uint64_t ts_ms, RustBuffer enc_x25519, RustBuffer enc_pq,
    RustBuffer signing_pub, RustBuffer prev_entry_hash, RustCallStatus* status);
SILVANTROPE_LOG_API RustBuffer uniffi_silvantrope_log_fn_func_key_history_v1_entry_hash(
    uint64_t seq, uint64_t ts_ms, RustBuffer enc_x25519, RustBuffer enc_pq,
    RustBuffer signing_pub, RustBuffer prev_entry_hash, RustCallStatus* status);
SILVANTROPE_LOG_API RustBuffer uniffi_silvantrope_log_fn_func_key_history_entry_hash_with_context(
    RustBuffer context, uint64_t seq, uint64_t ts_ms, RustBuffer enc_x25519, RustBuffer enc_pq,
    RustBuffer signing_pub, RustBuffer prev_entry_hash, RustCallStatus* status);
SILVANTROPE_LOG_API RustBuffer uniffi_silvantrope_log_fn_func_key_history_v1_rfc6962_leaf_hash(
    uint64_t seq, uint64_t ts_ms, RustBuffer enc_x25519, RustBuffer enc_pq,
    RustBuffer signing_pub, RustBuffer prev_entry_hash, RustCallStatus* status);

/* Signed notes and checkpoints. note_text, older_note, newer_note, body_text:
 * text; vkeys: list of strings (verifier keys "name+id+base64"); leaf_hash:
 * byte list; proof: list of byte lists. verify_signed_note returns the number
 * of trusted signature lines that verified; checkpoint_parse and
 * checkpoint_verify return a CheckpointHead record: origin (string), size
 * (u64), root (byte list), extensions (list of strings). */

SILVANTROPE_LOG_API uint32_t uniffi_silvantrope_log_fn_func_verify_signed_note(
    RustBuffer note_text, RustBuffer vkeys, RustCallStatus* status);
SILVANTROPE_LOG_API RustBuffer uniffi_silvantrope_log_fn_func_checkpoint_parse(
    RustBuffer body_text, RustCallStatus* status);
SILVANTROPE_LOG_API RustBuffer uniffi_silvantrope_log_fn_func_checkpoint_verify(
    RustBuffer note_text, RustBuffer vkeys, RustCallStatus* status);
SILVANTROPE_LOG_API void uniffi_silvantrope_log_fn_func_checkpoint_verify_inclusion(
    RustBuffer note_text, RustBuffer vkeys, uint64_t leaf_index, RustBuffer leaf_hash,
    RustBuffer proof, RustCallStatus* status);
SILVANTROPE_LOG_API void uniffi_silvantrope_log_fn_func_checkpoint_verify_consistency(
    RustBuffer older_note, RustBuffer newer_note, RustBuffer vkeys, RustBuffer proof,
    RustCallStatus* status);

/* Witness cosignatures (C2SP tlog-cosignature). log_vkeys: as vkeys above;
 * cosigner_vkeys: list of strings "name+id+base64(type || key)", type 0x04
 * (Ed25519) or 0x06 (ML-DSA-44). Verifies the checkpoint as
 * checkpoint_verify does, then every cosignature line from a listed
 * cosigner, and requires quorum distinct cosigners with a cosignature
 * timestamped at or after not_before (POSIX seconds). The library keeps no
 * clock: rejecting timestamps in the future is the caller's concern. Returns
 * a CheckpointHead record. At most 100000 cosigner keys are accepted; more
 * fail with "limit exceeded: cosigner_vkeys holds N keys, at most 100000". */

SILVANTROPE_LOG_API RustBuffer uniffi_silvantrope_log_fn_func_checkpoint_verify_cosigned(
    RustBuffer note_text, RustBuffer log_vkeys, RustBuffer cosigner_vkeys, uint32_t quorum,
    uint64_t not_before, RustCallStatus* status);

/* C2SP tlog-policy files and tlog-proof@v1. policy: text, a tlog-policy
 * file; proof: text, a tlog-proof@v1 file; leaf_hash: byte list (32 bytes,
 * the RFC 6962 leaf hash); not_before: POSIX seconds. tlog_policy_parse
 * returns a TlogPolicy record: logs, witnesses, groups (lists of strings:
 * log key names, witness and group names in file order), quorum (string).
 * checkpoint_verify_policy returns a VerifiedCheckpoint record: head (a
 * CheckpointHead) and cosignatures (list of Cosignature records: witness
 * (string), timestamp (u64)), every policy witness whose cosignature
 * verified, in policy order, with its latest timestamp. tlog_proof_verify
 * returns a VerifiedProof record: index (u64), extra (optional byte list),
 * checkpoint (a VerifiedCheckpoint). Only cosignatures at or after
 * not_before count toward the quorum; the library keeps no clock. */

SILVANTROPE_LOG_API RustBuffer uniffi_silvantrope_log_fn_func_tlog_policy_parse(
    RustBuffer policy, RustCallStatus* status);
SILVANTROPE_LOG_API RustBuffer uniffi_silvantrope_log_fn_func_checkpoint_verify_policy(
    RustBuffer note_text, RustBuffer policy, uint64_t not_before, RustCallStatus* status);
SILVANTROPE_LOG_API RustBuffer uniffi_silvantrope_log_fn_func_tlog_proof_verify(
    RustBuffer proof, RustBuffer policy, RustBuffer leaf_hash, uint64_t not_before,
    RustCallStatus* status);

/* C2SP tlog-tiles. tree_size, index, old_size, new_size: u64; tiles: a list
 * of Tile records (path: string, a tile path such as "tile/0/x001/234.p/5";
 * data: byte list, 32 bytes per hash), untrusted: every path must parse,
 * every length be 32 x width, duplicates must agree; a wider tile of the same
 * level and index stands in for a narrower one; a missing needed tile fails
 * naming its path; unneeded tiles are ignored. tlog_tiles_for_inclusion and
 * tlog_tiles_for_consistency return lists of strings (the needed paths,
 * sorted by level then index); tlog_tiles_tree_hash a byte list (32 bytes);
 * the two proofs lists of byte lists (RFC 6962 proofs);
 * tlog_tiles_verify_inclusion a VerifiedCheckpoint record (as
 * checkpoint_verify_policy, then the inclusion of leaf_hash, 32 bytes);
 * tlog_tiles_leaf_hashes, given an entry bundle (byte list), the leaf hashes
 * concatenated (byte list). */

SILVANTROPE_LOG_API RustBuffer uniffi_silvantrope_log_fn_func_tlog_tiles_for_inclusion(
    uint64_t tree_size, uint64_t index, RustCallStatus* status);
SILVANTROPE_LOG_API RustBuffer uniffi_silvantrope_log_fn_func_tlog_tiles_for_consistency(
    uint64_t old_size, uint64_t new_size, RustCallStatus* status);
SILVANTROPE_LOG_API RustBuffer uniffi_silvantrope_log_fn_func_tlog_tiles_tree_hash(
    uint64_t tree_size, RustBuffer tiles, RustCallStatus* status);
SILVANTROPE_LOG_API RustBuffer uniffi_silvantrope_log_fn_func_tlog_tiles_inclusion_proof(
    uint64_t tree_size, uint64_t index, RustBuffer tiles, RustCallStatus* status);
SILVANTROPE_LOG_API RustBuffer uniffi_silvantrope_log_fn_func_tlog_tiles_consistency_proof(
    uint64_t old_size, uint64_t new_size, RustBuffer tiles, RustCallStatus* status);
SILVANTROPE_LOG_API RustBuffer uniffi_silvantrope_log_fn_func_tlog_tiles_verify_inclusion(
    RustBuffer note_text, RustBuffer policy, uint64_t index, RustBuffer leaf_hash, RustBuffer tiles,
    uint64_t not_before, RustCallStatus* status);
SILVANTROPE_LOG_API RustBuffer uniffi_silvantrope_log_fn_func_tlog_tiles_leaf_hashes(
    RustBuffer bundle, RustCallStatus* status);

/* Commitments. context: text; commitment (64 bytes), value, opening (32
 * bytes): byte lists. */

SILVANTROPE_LOG_API void uniffi_silvantrope_log_fn_func_verify_commitment(
    RustBuffer context, RustBuffer commitment, RustBuffer value, RustBuffer opening,
    RustCallStatus* status);

/* CONIKS directories. namespace: text; vrf_public (32 bytes), root (64
 * bytes), identity, proof (canonical LookupProof or AbsenceProof bytes): byte
 * lists. coniks_verify_lookup returns the proven value as a byte list. */

SILVANTROPE_LOG_API RustBuffer uniffi_silvantrope_log_fn_func_coniks_verify_lookup(
    RustBuffer ns, RustBuffer vrf_public, RustBuffer root, RustBuffer identity, RustBuffer proof,
    RustCallStatus* status);
SILVANTROPE_LOG_API void uniffi_silvantrope_log_fn_func_coniks_verify_absence(
    RustBuffer ns, RustBuffer vrf_public, RustBuffer root, RustBuffer identity, RustBuffer proof,
    RustCallStatus* status);

/* Namespace policies. envelope: byte list holding a SignedPolicy envelope
 * (format 1: the policy record, the public key and the signature, each with
 * a 4-byte big-endian length). signed_policy_verify checks the signature,
 * made with the key the envelope carries, over the record's canonical bytes,
 * and returns a PolicyPosture record: namespace (string),
 * policy_schema_version (u32), security_level, checkpoint_suite,
 * commitment_hash, vrf_mode, directory_mode, keytrans_suite (enumerations,
 * i32 1-based indexes), effective_from, created_at (u64), policy_hash (64
 * bytes), rfc6962_leaf_hash (32 bytes). The envelope's key is trusted only
 * once the caller has found rfc6962_leaf_hash in a policy log it trusts.
 *
 * Each policy_enforce_* verifies the envelope the same way, then requires one
 * observed property to equal the declared one. public_key, signature: text
 * (a token, standard base64 of the scheme bytes); observed: CommitmentHash
 * (i32 index: 1 Sha3_256, 2 Sha3_512); observed_backend_id: 0x0001 CONIKS,
 * 0xF004 KEYTRANS. */

SILVANTROPE_LOG_API RustBuffer uniffi_silvantrope_log_fn_func_signed_policy_verify(
    RustBuffer envelope, RustCallStatus* status);
SILVANTROPE_LOG_API void uniffi_silvantrope_log_fn_func_policy_enforce_checkpoint_signing_key(
    RustBuffer envelope, RustBuffer public_key, RustCallStatus* status);
SILVANTROPE_LOG_API void uniffi_silvantrope_log_fn_func_policy_enforce_checkpoint_signature(
    RustBuffer envelope, RustBuffer signature, RustCallStatus* status);
SILVANTROPE_LOG_API void uniffi_silvantrope_log_fn_func_policy_enforce_vrf_suite_id(
    RustBuffer envelope, uint8_t observed_suite_id, RustCallStatus* status);
SILVANTROPE_LOG_API void uniffi_silvantrope_log_fn_func_policy_enforce_commitment_hash(
    RustBuffer envelope, RustBuffer observed, RustCallStatus* status);
SILVANTROPE_LOG_API void uniffi_silvantrope_log_fn_func_policy_enforce_directory_backend(
    RustBuffer envelope, uint16_t observed_backend_id, RustCallStatus* status);

/* Key transparency (KEYTRANS) proofs against a combined-tree root. context:
 * text (binds SilvantropeHybridExp commitments); vrf_public, root (32
 * bytes), label, proof (one TLS-encoded search, fixed-version or monitor
 * proof): byte lists. The exports without suite_id run under the
 * experimental suite 0xF000 (SilvantropeHybridExp); the _suite ones take
 * 0x0001 (KT_128_SHA256_P256), 0x0002 (KT_128_SHA256_Ed25519) or 0xF000.
 * search and fixed_version return a SearchResult record: present (u8 0/1),
 * then value (optional byte list: tag 0, or tag 1 and the bytes). */

SILVANTROPE_LOG_API RustBuffer uniffi_silvantrope_log_fn_func_keytrans_verify_search(
    RustBuffer context, RustBuffer vrf_public, RustBuffer root, RustBuffer label, RustBuffer proof,
    RustCallStatus* status);
SILVANTROPE_LOG_API RustBuffer uniffi_silvantrope_log_fn_func_keytrans_verify_fixed_version(
    RustBuffer context, RustBuffer vrf_public, RustBuffer root, RustBuffer label, RustBuffer proof,
    RustCallStatus* status);
SILVANTROPE_LOG_API void uniffi_silvantrope_log_fn_func_keytrans_verify_monitor(
    RustBuffer context, RustBuffer vrf_public, RustBuffer root, RustBuffer label, RustBuffer proof,
    RustCallStatus* status);
SILVANTROPE_LOG_API RustBuffer uniffi_silvantrope_log_fn_func_keytrans_verify_search_suite(
    uint16_t suite_id, RustBuffer context, RustBuffer vrf_public, RustBuffer root, RustBuffer label,
    RustBuffer proof, RustCallStatus* status);
SILVANTROPE_LOG_API RustBuffer uniffi_silvantrope_log_fn_func_keytrans_verify_fixed_version_suite(
    uint16_t suite_id, RustBuffer context, RustBuffer vrf_public, RustBuffer root, RustBuffer label,
    RustBuffer proof, RustCallStatus* status);
SILVANTROPE_LOG_API void uniffi_silvantrope_log_fn_func_keytrans_verify_monitor_suite(
    uint16_t suite_id, RustBuffer context, RustBuffer vrf_public, RustBuffer root, RustBuffer label,
    RustBuffer proof, RustCallStatus* status);

/* Interface checksums: bindings compare these with the values they were
 * generated with. */

#define SILVANTROPE_LOG_CHECKSUMS(X)         \
  X(verify_inclusion, 0x5d09)                \
  X(verify_consistency, 0x11ad)              \
  X(key_history_v1_canonical_bytes, 0x18ea)  \
  X(key_history_v1_entry_hash, 0x63e0)       \
  X(key_history_entry_hash_with_context, 0x9ec4) \
  X(key_history_v1_rfc6962_leaf_hash, 0x6fff) \
  X(verify_signed_note, 0x9603)              \
  X(checkpoint_verify, 0xdc15)               \
  X(checkpoint_parse, 0xfcbf)                \
  X(checkpoint_verify_inclusion, 0x5787)     \
  X(checkpoint_verify_consistency, 0x13c9)   \
  X(coniks_verify_lookup, 0xf72b)            \
  X(coniks_verify_absence, 0x534e)           \
  X(verify_commitment, 0xfa0a)               \
  X(signed_policy_verify, 0x18a0)            \
  X(policy_enforce_checkpoint_signing_key, 0x719e) \
  X(policy_enforce_checkpoint_signature, 0x9ad7) \
  X(policy_enforce_vrf_suite_id, 0x9546)     \
  X(policy_enforce_commitment_hash, 0x412c)  \
  X(policy_enforce_directory_backend, 0xfdfb) \
  X(keytrans_verify_search, 0xcfa5)          \
  X(keytrans_verify_fixed_version, 0x8a54)   \
  X(keytrans_verify_monitor, 0x37de)         \
  X(keytrans_verify_search_suite, 0xe8ec)    \
  X(keytrans_verify_fixed_version_suite, 0x1e22) \
  X(keytrans_verify_monitor_suite, 0xf697)    \
  X(checkpoint_verify_cosigned, 0x3486)     \
  X(tlog_policy_parse, 0x50a1)               \
  X(checkpoint_verify_policy, 0x68f0)        \
  X(tlog_proof_verify, 0xed16)               \
  X(tlog_tiles_for_inclusion, 0x59ab)        \
  X(tlog_tiles_for_consistency, 0x3a0b)      \
  X(tlog_tiles_tree_hash, 0x5522)            \
  X(tlog_tiles_inclusion_proof, 0x0f25)      \
  X(tlog_tiles_consistency_proof, 0xd084)    \
  X(tlog_tiles_verify_inclusion, 0x9fd7)     \
  X(tlog_tiles_leaf_hashes, 0x584a)

#define SILVANTROPE_LOG_DECLARE_CHECKSUM(name, value) \
  SILVANTROPE_LOG_API uint16_t uniffi_silvantrope_log_checksum_func_##name(void);
SILVANTROPE_LOG_CHECKSUMS(SILVANTROPE_LOG_DECLARE_CHECKSUM)
#undef SILVANTROPE_LOG_DECLARE_CHECKSUM

/* Async futures. No function of this library is asynchronous, so no call
 * issues a handle; the family is here for bindings that resolve every symbol
 * of the convention at load. The continuation callback gets poll_code 0
 * (ready: call complete) or 1 (wake: poll again); complete sets status code 3
 * for a future that was cancelled or has not finished. A handle is the
 * address of the library's future: any value it did not issue is undefined
 * behaviour. */

typedef void (*UniffiRustFutureContinuationCallback)(uint64_t callback_data, int8_t poll_code);

#define SILVANTROPE_LOG_FUTURE_TYPES(X)                                                        \
  X(u8, uint8_t) X(i8, int8_t) X(u16, uint16_t) X(i16, int16_t) X(u32, uint32_t)               \
  X(i32, int32_t) X(u64, uint64_t) X(i64, int64_t) X(f32, float) X(f64, double)                \
  X(rust_buffer, RustBuffer) X(void, void)

#define SILVANTROPE_LOG_DECLARE_FUTURE(suffix, type)                                           \
  SILVANTROPE_LOG_API void ffi_silvantrope_log_rust_future_poll_##suffix(                      \
      uint64_t handle, UniffiRustFutureContinuationCallback callback, uint64_t callback_data); \
  SILVANTROPE_LOG_API void ffi_silvantrope_log_rust_future_cancel_##suffix(uint64_t handle);   \
  SILVANTROPE_LOG_API type ffi_silvantrope_log_rust_future_complete_##suffix(                  \
      uint64_t handle, RustCallStatus* status);                                                \
  SILVANTROPE_LOG_API void ffi_silvantrope_log_rust_future_free_##suffix(uint64_t handle);
SILVANTROPE_LOG_FUTURE_TYPES(SILVANTROPE_LOG_DECLARE_FUTURE)
#undef SILVANTROPE_LOG_DECLARE_FUTURE

#ifdef __cplusplus
}
#endif

#endif /* SILVANTROPE_LOG_H */
