// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/expected.h"
#include "core/message.h"

namespace silvantrope {

// The one error type every verifier returns. Each kind has a named
// constructor that renders the final message; the message is all that ever
// crosses the foreign-call boundary.
class Error {
 public:
  enum class Kind : uint8_t {
    VerificationFailed,
    LeafIndexBeyondTreeSize,
    WrongProofSize,
    InvalidHashLength,
    RootMismatch,
    EmptyTreeConsistency,
    TreeSizeRegression,
    NonEmptyEqualSizeProof,
    MalformedCanonicalLeaf,
    MalformedTile,
    MalformedCheckpoint,
    MalformedSignedNote,
    InvalidSignature,
    NoTrustedSignature,
    HybridSignature,
    MalformedNamespace,
    VrfFailure,
    VrfProofInvalid,
    CommitmentMismatch,
    MalformedConiksProof,
    ConiksRootMismatch,
    MalformedPolicy,
    PolicyMigrationRejected,
    PostureMismatch,
    NoPolicyInForce,
    SequenceRegression,
    MalformedAnchor,
    AnchorMismatch,
    MalformedKeytrans,
    KeytransRootMismatch,
    SequencePositionOverflow,
    // Beyond the table above: C2SP tlog-policy files and tlog-proof@v1.
    MalformedTlogPolicy,
    MalformedTlogProof,
    UntrustedOrigin,
    WitnessQuorumNotMet,
    LimitExceeded,
  };

  static Error verification_failed(std::string_view msg);
  static Error leaf_index_beyond_tree_size(uint64_t index, uint64_t size);
  static Error wrong_proof_size(uint64_t got, uint64_t want);
  static Error invalid_hash_length(uint64_t got, uint64_t want);
  static Error root_mismatch();
  static Error empty_tree_consistency();
  static Error tree_size_regression(uint64_t size1, uint64_t size2);
  static Error non_empty_equal_size_proof();
  static Error malformed_canonical_leaf(std::string_view msg);
  static Error malformed_tile(std::string_view msg);
  static Error malformed_checkpoint(std::string_view msg);
  static Error malformed_signed_note(std::string_view msg);
  static Error invalid_signature(std::string_view name, uint32_t key_id);
  static Error no_trusted_signature();
  static Error hybrid_signature(std::string_view msg);
  static Error malformed_namespace(std::string_view msg);
  static Error vrf_failure(std::string_view msg);
  static Error vrf_proof_invalid();
  static Error commitment_mismatch();
  static Error malformed_coniks_proof(std::string_view msg);
  static Error coniks_root_mismatch();
  static Error malformed_policy(std::string_view msg);
  static Error policy_migration_rejected(std::string_view msg);
  static Error posture_mismatch(std::string_view declared, std::string_view observed);
  static Error no_policy_in_force(std::string_view msg);
  static Error sequence_regression(std::string_view ns, uint64_t current, uint64_t requested);
  static Error malformed_anchor(std::string_view msg);
  static Error anchor_mismatch(std::string_view msg);
  static Error malformed_keytrans(std::string_view msg);
  static Error keytrans_root_mismatch();
  static Error sequence_position_overflow(std::string_view ns);
  static Error malformed_tlog_policy(uint64_t line, std::string_view msg);
  static Error malformed_tlog_proof(std::string_view msg);
  static Error untrusted_origin(std::string_view origin);
  static Error witness_quorum_not_met(std::string_view msg);
  static Error limit_exceeded(std::string_view msg);

  Kind kind() const { return kind_; }
  std::string_view message() const { return message_.view(); }
  Message take_message() && { return std::move(message_); }

 private:
  Error(Kind kind, Message message) : kind_(kind), message_(std::move(message)) {}
  Error(Kind kind, std::string_view message) : kind_(kind), message_(message) {}

  Kind kind_;
  Message message_;
};

template <class T>
using Result = Expected<T, Error>;

}  // namespace silvantrope
