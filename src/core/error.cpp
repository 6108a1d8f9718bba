// SPDX-License-Identifier: Apache-2.0
#include "core/error.h"

#include <charconv>
#include <cstdio>
#include <cstring>

#include "core/quote.h"

namespace silvantrope {
namespace {

// A decimal rendering on the stack, for join.
struct Dec {
  char digits[20];
  size_t size;
  explicit Dec(uint64_t v) : size(std::to_chars(digits, digits + sizeof digits, v).ptr - digits) {}
  operator std::string_view() const { return {digits, size}; }
};

Dec dec(uint64_t v) { return Dec(v); }

// The pieces written once into the message's own block: failing calls on
// short inputs are cheap. Expanded at each use, so the fixed texts are
// copied with their lengths known.
template <class... Pieces>
[[gnu::always_inline]] inline Message join(const Pieces&... pieces) {
  const size_t n = (std::string_view(pieces).size() + ...);
  Message m = Message::of_size(n);
  char* at = m.data();
  const auto put = [&at](std::string_view p) {
    if (!p.empty()) std::memcpy(at, p.data(), p.size());
    at += p.size();
  };
  (put(pieces), ...);
  return m;
}

Message cat(std::string_view a, std::string_view b) { return join(a, b); }

std::string key_id_hex(uint32_t id) {
  char buf[9];
  std::snprintf(buf, sizeof buf, "%08x", id);
  return buf;
}

}  // namespace

using K = Error::Kind;

Error Error::verification_failed(std::string_view msg) {
  return {K::VerificationFailed, cat("verification failed: ", msg)};
}
Error Error::leaf_index_beyond_tree_size(uint64_t index, uint64_t size) {
  return {K::LeafIndexBeyondTreeSize, join("leaf index ", dec(index), " is beyond tree size ", dec(size))};
}
Error Error::wrong_proof_size(uint64_t got, uint64_t want) {
  return {K::WrongProofSize, join("wrong proof size: got ", dec(got), ", want ", dec(want))};
}
Error Error::invalid_hash_length(uint64_t got, uint64_t want) {
  return {K::InvalidHashLength, join("invalid hash length: got ", dec(got), " bytes, want ", dec(want))};
}
Error Error::root_mismatch() {
  return {K::RootMismatch, "root mismatch: recomputed root does not match the expected root"};
}
Error Error::empty_tree_consistency() {
  return {K::EmptyTreeConsistency, "consistency proof from an empty tree is meaningless"};
}
Error Error::tree_size_regression(uint64_t size1, uint64_t size2) {
  return {K::TreeSizeRegression,
          join("tree size regression: size2 (", dec(size2), ") < size1 (", dec(size1), ")")};
}
Error Error::non_empty_equal_size_proof() {
  return {K::NonEmptyEqualSizeProof, "consistency proof between equal sizes must be empty"};
}
Error Error::malformed_canonical_leaf(std::string_view msg) {
  return {K::MalformedCanonicalLeaf, cat("malformed canonical leaf: ", msg)};
}
Error Error::malformed_tile(std::string_view msg) {
  return {K::MalformedTile, cat("malformed tile: ", msg)};
}
Error Error::malformed_checkpoint(std::string_view msg) {
  return {K::MalformedCheckpoint, cat("malformed checkpoint: ", msg)};
}
Error Error::malformed_signed_note(std::string_view msg) {
  return {K::MalformedSignedNote, cat("malformed signed note: ", msg)};
}
Error Error::invalid_signature(std::string_view name, uint32_t key_id) {
  return {K::InvalidSignature, "invalid signature for known key " + quote(name) + " (key id " +
                                   key_id_hex(key_id) + ")"};
}
Error Error::no_trusted_signature() {
  return {K::NoTrustedSignature, "note has no verifiable signature from a trusted key"};
}
Error Error::hybrid_signature(std::string_view msg) {
  return {K::HybridSignature, cat("hybrid composite signature error: ", msg)};
}
Error Error::malformed_namespace(std::string_view msg) {
  return {K::MalformedNamespace, cat("malformed namespace: ", msg)};
}
Error Error::vrf_failure(std::string_view msg) { return {K::VrfFailure, cat("vrf error: ", msg)}; }
Error Error::vrf_proof_invalid() {
  return {K::VrfProofInvalid, "vrf proof did not verify against the namespace public key"};
}
Error Error::commitment_mismatch() {
  return {K::CommitmentMismatch, "commitment did not open to the claimed value"};
}
Error Error::malformed_coniks_proof(std::string_view msg) {
  return {K::MalformedConiksProof, cat("malformed coniks proof: ", msg)};
}
Error Error::coniks_root_mismatch() {
  return {K::ConiksRootMismatch,
          "coniks proof root mismatch: recomputed directory root does not match the expected "
          "root"};
}
Error Error::malformed_policy(std::string_view msg) {
  return {K::MalformedPolicy, cat("malformed namespace policy: ", msg)};
}
Error Error::policy_migration_rejected(std::string_view msg) {
  return {K::PolicyMigrationRejected, cat("policy migration rejected: ", msg)};
}
Error Error::posture_mismatch(std::string_view declared, std::string_view observed) {
  return {K::PostureMismatch,
          join("posture mismatch: declared ", declared, ", observed ", observed)};
}
Error Error::no_policy_in_force(std::string_view msg) {
  return {K::NoPolicyInForce, cat("no namespace policy in force: ", msg)};
}
Error Error::sequence_regression(std::string_view ns, uint64_t current, uint64_t requested) {
  return {K::SequenceRegression, join("sequence regression for namespace ", quote(ns), ": current ",
                                           dec(current), ", requested ", dec(requested))};
}
Error Error::malformed_anchor(std::string_view msg) {
  return {K::MalformedAnchor, cat("malformed anchor record: ", msg)};
}
Error Error::anchor_mismatch(std::string_view msg) {
  return {K::AnchorMismatch, cat("anchor mismatch: ", msg)};
}
Error Error::malformed_keytrans(std::string_view msg) {
  return {K::MalformedKeytrans, cat("malformed keytrans structure: ", msg)};
}
Error Error::keytrans_root_mismatch() {
  return {K::KeytransRootMismatch,
          "keytrans proof root mismatch: recomputed root does not match the expected root"};
}
Error Error::sequence_position_overflow(std::string_view ns) {
  return {K::SequencePositionOverflow, "sequence position overflow for namespace " + quote(ns)};
}
Error Error::malformed_tlog_policy(uint64_t line, std::string_view msg) {
  return {K::MalformedTlogPolicy, join("malformed tlog policy: line ", dec(line), ": ", msg)};
}
Error Error::malformed_tlog_proof(std::string_view msg) {
  return {K::MalformedTlogProof, cat("malformed tlog proof: ", msg)};
}
Error Error::untrusted_origin(std::string_view origin) {
  return {K::UntrustedOrigin, "no policy log for checkpoint origin " + quote(origin)};
}
Error Error::witness_quorum_not_met(std::string_view msg) {
  return {K::WitnessQuorumNotMet, cat("witness quorum not met: ", msg)};
}
Error Error::limit_exceeded(std::string_view msg) {
  return {K::LimitExceeded, cat("limit exceeded: ", msg)};
}

}  // namespace silvantrope
