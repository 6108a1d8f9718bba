// SPDX-License-Identifier: Apache-2.0
#include "keytrans/verify.h"

#include <string>

#include "keytrans/ladder.h"
#include "keytrans/log_tree.h"
#include "keytrans/prefix_tree.h"
#include "keytrans/proof.h"

namespace silvantrope::keytrans {
namespace {

using crypto::Digest;
using crypto::DigestAlgorithm;

Result<void> check_root(ByteView root) {
  if (root.size() == kHashSize) return {};
  return Error::malformed_keytrans("combined root must be 32 bytes, got " + std::to_string(root.size()));
}

// The opening every kind shares: the root's length, then decoding, then
// binding the proof's log leaf, and with it the prefix root, to the root.
template <class P>
Result<P> open_proof(Digest& sha256, ByteView root, ByteView proof, size_t commitment_size,
                     Result<P> (*decode)(ByteView, size_t)) {
  SILVANTROPE_CHECK(check_root(root));
  P p = SILVANTROPE_TRY(decode(proof, commitment_size));
  const ProofHeader& h = p.header;
  SILVANTROPE_CHECK(verify_log_inclusion(sha256, root, h.entry_index, h.tree_size, h.timestamp, h.prefix_root,
                                         h.log_inclusion));
  return p;
}

// The revealed value opens the commitment the proof included for version.
Result<SearchResult> open_commitment(const KeytransContext& ctx, ByteView label, uint32_t version,
                                     const RevealedValue& revealed, const std::optional<ByteView>& commitment,
                                     const char* missing_commitment) {
  const Bytes computed = SILVANTROPE_TRY(commit(ctx, label, version, revealed.value, revealed.opening));
  if (!commitment) return Error::malformed_keytrans(missing_commitment);
  if (!equal(computed, *commitment)) return Error::commitment_mismatch();
  return SearchResult{true, Bytes(revealed.value.begin(), revealed.value.end())};
}

std::string claimed(const std::optional<uint32_t>& g) {
  return g ? "Some(" + std::to_string(*g) + ")" : "None";
}

}  // namespace

Result<SearchResult> verify_search_proof(const KeytransContext& ctx, ByteView root, ByteView label,
                                         ByteView proof) {
  Digest sha256(DigestAlgorithm::Sha256);
  const SearchProof p = SILVANTROPE_TRY(open_proof(sha256, root, proof, ctx.commitment_size(), decode_search_proof));

  const std::optional<uint32_t>& g = p.greatest_version;
  if (!ladder_matches(p.ladder, g ? search_ladder(*g) : std::vector<uint64_t>{0})) {
    return Error::malformed_keytrans("search ladder versions do not match the canonical binary ladder");
  }
  for (const LadderStep& step : p.ladder) {
    const bool included = SILVANTROPE_TRY(evaluate_rung(sha256, ctx, label, step, p.header.prefix_root));
    if (included != (g && step.version <= *g)) {
      return Error::malformed_keytrans("ladder rung version " + std::to_string(step.version) + " inclusion " +
                                       (included ? "true" : "false") + " contradicts claimed greatest " +
                                       claimed(g));
    }
  }
  if (!g) return SearchResult{};
  if (!p.revealed.present) return Error::malformed_keytrans("present label is missing its revealed value");
  // A canonical ladder names g exactly once.
  std::optional<ByteView> commitment;
  for (const LadderStep& step : p.ladder) {
    if (step.version == *g) {
      commitment = step.commitment;
      break;
    }
  }
  return open_commitment(ctx, label, *g, p.revealed, commitment,
                         "greatest version is missing its inclusion commitment");
}

Result<SearchResult> verify_fixed_version_proof(const KeytransContext& ctx, ByteView root, ByteView label,
                                                ByteView proof) {
  Digest sha256(DigestAlgorithm::Sha256);
  const FixedVersionProof p =
      SILVANTROPE_TRY(open_proof(sha256, root, proof, ctx.commitment_size(), decode_fixed_version_proof));
  if (!SILVANTROPE_TRY(evaluate_rung(sha256, ctx, label, p.step, p.header.prefix_root))) return SearchResult{};
  if (!p.revealed.present) {
    return Error::malformed_keytrans("present fixed version is missing its revealed value");
  }
  return open_commitment(ctx, label, p.step.version, p.revealed, p.step.commitment,
                         "inclusion is missing its commitment");
}

Result<void> verify_monitor_proof(const KeytransContext& ctx, ByteView root, ByteView label, ByteView proof) {
  Digest sha256(DigestAlgorithm::Sha256);
  const MonitorProof p = SILVANTROPE_TRY(open_proof(sha256, root, proof, ctx.commitment_size(), decode_monitor_proof));
  if (!ladder_matches(p.ladder, monitoring_ladder(p.version))) {
    return Error::malformed_keytrans("monitor ladder versions do not match the canonical monitoring ladder");
  }
  for (const LadderStep& step : p.ladder) {
    if (!SILVANTROPE_TRY(evaluate_rung(sha256, ctx, label, step, p.header.prefix_root))) {
      return Error::keytrans_root_mismatch();
    }
  }
  return {};
}

}  // namespace silvantrope::keytrans
