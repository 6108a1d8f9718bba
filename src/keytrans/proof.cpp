// SPDX-License-Identifier: Apache-2.0
#include "keytrans/proof.h"

#include <string>

namespace silvantrope::keytrans {
namespace {

const char* kind_name(ProofKind kind) {
  switch (kind) {
    case ProofKind::Search: return "search";
    case ProofKind::FixedVersion: return "fixed-version";
    case ProofKind::Monitor: return "monitor";
  }
  return "";
}

Result<void> expect_kind(TlsReader& r, ProofKind want) {
  const uint8_t got = SILVANTROPE_TRY(r.u8("Proof.kind"));
  if (got == static_cast<uint8_t>(want)) return {};
  return Error::malformed_keytrans(std::string("expected ") + kind_name(want) + " proof (kind " +
                                   std::to_string(static_cast<unsigned>(want)) + "), got kind " +
                                   std::to_string(got));
}

Result<ProofHeader> decode_header(TlsReader& r) {
  ProofHeader h;
  h.entry_index = SILVANTROPE_TRY(r.u64("Proof.entry_index"));
  h.tree_size = SILVANTROPE_TRY(r.u64("Proof.tree_size"));
  h.timestamp = SILVANTROPE_TRY(r.u64("Proof.timestamp"));
  h.prefix_root = SILVANTROPE_TRY(r.take(kHashSize, "Proof.prefix_root"));
  h.log_inclusion = SILVANTROPE_TRY(r.hash_list("Proof.log_inclusion"));
  return h;
}

Result<PrefixProof> decode_prefix_proof(ByteView bytes, size_t commitment_size) {
  TlsReader r(bytes);
  TlsReader results(SILVANTROPE_TRY(r.opaque8("PrefixProof.results")));
  PrefixProof p;
  const uint8_t type = SILVANTROPE_TRY(results.u8("PrefixSearchResult.result_type"));
  if (type < 1 || type > 3) {
    return Error::malformed_keytrans("unknown PrefixSearchResultType " + std::to_string(type));
  }
  p.result_type = static_cast<ResultType>(type);
  if (p.result_type == ResultType::NonInclusionLeaf) {
    PrefixLeaf leaf;
    leaf.vrf_output = SILVANTROPE_TRY(results.take(kHashSize, "PrefixLeaf.vrf_output"));
    leaf.commitment = SILVANTROPE_TRY(results.take(commitment_size, "PrefixLeaf.commitment"));
    p.leaf = leaf;
  }
  p.depth = SILVANTROPE_TRY(results.u8("PrefixSearchResult.depth"));
  SILVANTROPE_CHECK(results.finish("PrefixProof.results (expected exactly one result)"));
  p.elements = SILVANTROPE_TRY(r.hash_list("PrefixProof.elements"));
  SILVANTROPE_CHECK(r.finish("PrefixProof"));
  return p;
}

Result<LadderStep> decode_ladder_step(TlsReader& r, size_t commitment_size) {
  LadderStep s;
  s.version = SILVANTROPE_TRY(r.u32("LadderStep.version"));
  s.vrf_proof = SILVANTROPE_TRY(r.opaque16("LadderStep.vrf_proof"));
  const ByteView prefix_proof = SILVANTROPE_TRY(r.opaque16("LadderStep.prefix_proof"));
  s.prefix = SILVANTROPE_TRY(decode_prefix_proof(prefix_proof, commitment_size));
  if (SILVANTROPE_TRY(r.flag("LadderStep.has_commitment"))) {
    s.commitment = SILVANTROPE_TRY(r.take(commitment_size, "LadderStep.commitment"));
  }
  return s;
}

Result<std::vector<LadderStep>> decode_ladder(TlsReader& r, size_t commitment_size) {
  const uint16_t count = SILVANTROPE_TRY(r.u16("Ladder.count"));
  std::vector<LadderStep> ladder;
  for (uint16_t i = 0; i < count; ++i) {
    ladder.push_back(SILVANTROPE_TRY(decode_ladder_step(r, commitment_size)));
  }
  return ladder;
}

Result<RevealedValue> decode_revealed(TlsReader& r) {
  RevealedValue v;
  v.present = SILVANTROPE_TRY(r.flag("RevealedValue.present"));
  if (v.present) {
    v.value = SILVANTROPE_TRY(r.opaque32("RevealedValue.value"));
    v.opening = SILVANTROPE_TRY(r.opaque8("RevealedValue.opening"));
  }
  return v;
}

}  // namespace

Result<SearchProof> decode_search_proof(ByteView bytes, size_t commitment_size) {
  TlsReader r(bytes);
  SILVANTROPE_CHECK(expect_kind(r, ProofKind::Search));
  SearchProof p;
  p.header = SILVANTROPE_TRY(decode_header(r));
  const uint8_t present = SILVANTROPE_TRY(r.u8("SearchProof.greatest_version"));
  if (present > 1) {
    return Error::malformed_keytrans("SearchProof.greatest_version.present must be 0 or 1, got " +
                                     std::to_string(present));
  }
  if (present == 1) p.greatest_version = SILVANTROPE_TRY(r.u32("SearchProof.greatest_version"));
  p.ladder = SILVANTROPE_TRY(decode_ladder(r, commitment_size));
  p.revealed = SILVANTROPE_TRY(decode_revealed(r));
  SILVANTROPE_CHECK(r.finish("KeytransSearchProof"));
  return p;
}

Result<FixedVersionProof> decode_fixed_version_proof(ByteView bytes, size_t commitment_size) {
  TlsReader r(bytes);
  SILVANTROPE_CHECK(expect_kind(r, ProofKind::FixedVersion));
  ProofHeader header = SILVANTROPE_TRY(decode_header(r));
  LadderStep step = SILVANTROPE_TRY(decode_ladder_step(r, commitment_size));
  RevealedValue revealed = SILVANTROPE_TRY(decode_revealed(r));
  SILVANTROPE_CHECK(r.finish("KeytransFixedVersionProof"));
  return FixedVersionProof{header, step, revealed};
}

Result<MonitorProof> decode_monitor_proof(ByteView bytes, size_t commitment_size) {
  TlsReader r(bytes);
  SILVANTROPE_CHECK(expect_kind(r, ProofKind::Monitor));
  MonitorProof p;
  p.header = SILVANTROPE_TRY(decode_header(r));
  p.version = SILVANTROPE_TRY(r.u32("MonitorProof.version"));
  p.ladder = SILVANTROPE_TRY(decode_ladder(r, commitment_size));
  SILVANTROPE_CHECK(r.finish("KeytransMonitorProof"));
  return p;
}

}  // namespace silvantrope::keytrans
