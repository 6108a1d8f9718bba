#include <gtest/gtest.h>

#include <vector>

#include "core/error.h"

namespace silvantrope {
namespace {

TEST(Error, MessagesOfEveryKind) {
  using K = Error::Kind;
  const std::vector<std::tuple<Error, K, std::string>> cases = {
      {Error::verification_failed("x"), K::VerificationFailed, "verification failed: x"},
      {Error::leaf_index_beyond_tree_size(8, 8), K::LeafIndexBeyondTreeSize, "leaf index 8 is beyond tree size 8"},
      {Error::wrong_proof_size(2, 3), K::WrongProofSize, "wrong proof size: got 2, want 3"},
      {Error::invalid_hash_length(31, 32), K::InvalidHashLength, "invalid hash length: got 31 bytes, want 32"},
      {Error::root_mismatch(), K::RootMismatch, "root mismatch: recomputed root does not match the expected root"},
      {Error::empty_tree_consistency(), K::EmptyTreeConsistency, "consistency proof from an empty tree is meaningless"},
      {Error::tree_size_regression(10, 7), K::TreeSizeRegression, "tree size regression: size2 (7) < size1 (10)"},
      {Error::non_empty_equal_size_proof(), K::NonEmptyEqualSizeProof, "consistency proof between equal sizes must be empty"},
      {Error::malformed_canonical_leaf("m"), K::MalformedCanonicalLeaf, "malformed canonical leaf: m"},
      {Error::malformed_tile("m"), K::MalformedTile, "malformed tile: m"},
      {Error::malformed_checkpoint("missing origin line"), K::MalformedCheckpoint, "malformed checkpoint: missing origin line"},
      {Error::malformed_signed_note("m"), K::MalformedSignedNote, "malformed signed note: m"},
      {Error::invalid_signature("witness-a", 1), K::InvalidSignature, "invalid signature for known key \"witness-a\" (key id 00000001)"},
      {Error::invalid_signature("w\"x", 0xffffffff), K::InvalidSignature, "invalid signature for known key \"w\\\"x\" (key id ffffffff)"},
      {Error::no_trusted_signature(), K::NoTrustedSignature, "note has no verifiable signature from a trusted key"},
      {Error::hybrid_signature("m"), K::HybridSignature, "hybrid composite signature error: m"},
      {Error::malformed_namespace("m"), K::MalformedNamespace, "malformed namespace: m"},
      {Error::vrf_failure("m"), K::VrfFailure, "vrf error: m"},
      {Error::vrf_proof_invalid(), K::VrfProofInvalid, "vrf proof did not verify against the namespace public key"},
      {Error::commitment_mismatch(), K::CommitmentMismatch, "commitment did not open to the claimed value"},
      {Error::malformed_coniks_proof("m"), K::MalformedConiksProof, "malformed coniks proof: m"},
      {Error::coniks_root_mismatch(), K::ConiksRootMismatch, "coniks proof root mismatch: recomputed directory root does not match the expected root"},
      {Error::malformed_policy("m"), K::MalformedPolicy, "malformed namespace policy: m"},
      {Error::policy_migration_rejected("m"), K::PolicyMigrationRejected, "policy migration rejected: m"},
      {Error::posture_mismatch("Hybrid", "PureCnsa2"), K::PostureMismatch, "posture mismatch: declared Hybrid, observed PureCnsa2"},
      {Error::no_policy_in_force("m"), K::NoPolicyInForce, "no namespace policy in force: m"},
      {Error::sequence_regression("acme", 5, 4), K::SequenceRegression, "sequence regression for namespace \"acme\": current 5, requested 4"},
      {Error::malformed_anchor("m"), K::MalformedAnchor, "malformed anchor record: m"},
      {Error::anchor_mismatch("m"), K::AnchorMismatch, "anchor mismatch: m"},
      {Error::malformed_keytrans("m"), K::MalformedKeytrans, "malformed keytrans structure: m"},
      {Error::keytrans_root_mismatch(), K::KeytransRootMismatch, "keytrans proof root mismatch: recomputed root does not match the expected root"},
      {Error::sequence_position_overflow("acme"), K::SequencePositionOverflow, "sequence position overflow for namespace \"acme\""},
      {Error::leaf_index_beyond_tree_size(UINT64_MAX, 0), K::LeafIndexBeyondTreeSize, "leaf index 18446744073709551615 is beyond tree size 0"},
  };
  for (const auto& [error, kind, message] : cases) {
    EXPECT_EQ(error.kind(), kind);
    EXPECT_EQ(error.message(), message);
  }
}

TEST(Error, StoredTextsAreNotEscaped) {
  EXPECT_EQ(Error::malformed_checkpoint("a\"b\n").message(), "malformed checkpoint: a\"b\n");
}

}  // namespace
}  // namespace silvantrope
