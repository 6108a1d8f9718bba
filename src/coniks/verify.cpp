// SPDX-License-Identifier: Apache-2.0
#include "coniks/verify.h"

#include <algorithm>

#include "commitment/commitment.h"
#include "coniks/proof.h"
#include "coniks/tree.h"
#include "silvantrope-crypto/vrf.h"

namespace silvantrope::coniks {
namespace {

// The identity's tree index: the first half of the VRF output for
// BE32(len(ns)) || ns || identity.
Result<Index> vrf_index(context::Namespace ns, ByteView vrf_public, ByteView identity,
                        ByteView vrf_proof) {
  Bytes alpha;
  alpha.reserve(4 + ns.text.size() + identity.size());
  const uint32_t n = static_cast<uint32_t>(ns.text.size());
  for (int s = 24; s >= 0; s -= 8) alpha.push_back(static_cast<uint8_t>(n >> s));
  alpha.insert(alpha.end(), ns.text.begin(), ns.text.end());
  alpha.insert(alpha.end(), identity.begin(), identity.end());

  auto outcome = crypto::edwards25519_vrf().verify(vrf_public, alpha, vrf_proof);
  if (!outcome) return Error::vrf_failure(outcome.error().message());
  if (!outcome->valid) return Error::vrf_proof_invalid();
  Index index;
  std::copy_n(outcome->beta.begin(), index.size(), index.begin());
  return index;
}

}  // namespace

Result<Bytes> verify_lookup(context::Namespace ns, ByteView vrf_public, const Hash64& root,
                            ByteView identity, ByteView proof_bytes) {
  auto proof = parse_lookup_proof(proof_bytes);
  if (!proof) return std::move(proof).error();
  auto index = vrf_index(ns, vrf_public, identity, proof->vrf_proof);
  if (!index) return std::move(index).error();

  const Labels labels(ns);
  commitment::Opening opening;
  std::copy(proof->opening.begin(), proof->opening.end(), opening.begin());
  const Hash64 commitment =
      commitment::compute_commitment(as_bytes(labels.commitment), proof->value, opening);
  Tree tree(labels);
  const Hash64 leaf = tree.leaf(*index, commitment);
  if (tree.root(leaf, *index, proof->path) != root) return Error::coniks_root_mismatch();
  return Bytes(proof->value.begin(), proof->value.end());
}

Result<void> verify_absence(context::Namespace ns, ByteView vrf_public, const Hash64& root,
                            ByteView identity, ByteView proof_bytes) {
  auto proof = parse_absence_proof(proof_bytes);
  if (!proof) return std::move(proof).error();
  auto index = vrf_index(ns, vrf_public, identity, proof->vrf_proof);
  if (!index) return std::move(index).error();

  const Labels labels(ns);
  Tree tree(labels);
  if (tree.root(tree.empty(256), *index, proof->path) != root) return Error::coniks_root_mismatch();
  return {};
}

}  // namespace silvantrope::coniks
