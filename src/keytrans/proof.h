// SPDX-License-Identifier: Apache-2.0
#pragma once

// KEYTRANS search, fixed-version and monitoring proofs: one kind byte, the
// common header, then the kind's own fields. Decoded structures borrow from
// the proof bytes.

#include <cstdint>
#include <optional>
#include <vector>

#include "core/error.h"
#include "keytrans/tls.h"

namespace silvantrope::keytrans {

enum class ProofKind : uint8_t { Search = 1, FixedVersion = 2, Monitor = 3 };

enum class ResultType : uint8_t { Inclusion = 1, NonInclusionLeaf = 2, NonInclusionParent = 3 };

struct PrefixLeaf {
  ByteView vrf_output;  // 32 bytes
  ByteView commitment;  // Nc bytes
};

struct PrefixProof {
  ResultType result_type;
  std::optional<PrefixLeaf> leaf;  // NonInclusionLeaf only
  uint8_t depth;
  HashList elements;  // copath, the root's child first
};

struct LadderStep {
  uint32_t version;
  ByteView vrf_proof;
  PrefixProof prefix;
  std::optional<ByteView> commitment;  // Nc bytes when present
};

struct RevealedValue {
  bool present = false;
  ByteView value;
  ByteView opening;
};

struct ProofHeader {
  uint64_t entry_index;
  uint64_t tree_size;
  uint64_t timestamp;
  ByteView prefix_root;  // 32 bytes
  HashList log_inclusion;
};

struct SearchProof {
  ProofHeader header;
  std::optional<uint32_t> greatest_version;
  std::vector<LadderStep> ladder;
  RevealedValue revealed;
};

struct FixedVersionProof {
  ProofHeader header;
  LadderStep step;
  RevealedValue revealed;
};

struct MonitorProof {
  ProofHeader header;
  uint32_t version;
  std::vector<LadderStep> ladder;
};

// Each checks the kind byte before anything else; commitment_size is the
// suite's Nc.
Result<SearchProof> decode_search_proof(ByteView bytes, size_t commitment_size);
Result<FixedVersionProof> decode_fixed_version_proof(ByteView bytes, size_t commitment_size);
Result<MonitorProof> decode_monitor_proof(ByteView bytes, size_t commitment_size);

}  // namespace silvantrope::keytrans
