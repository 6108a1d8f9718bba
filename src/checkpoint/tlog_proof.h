// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "checkpoint/tlog_policy.h"
#include "core/bytes.h"

namespace silvantrope::checkpoint {

// The most proof hashes a tlog-proof may hold: an inclusion proof in a tree
// of at most 2^64 - 1 leaves has at most 64.
inline constexpr size_t kMaxProofHashes = 64;

// A C2SP tlog-proof@v1 file: "c2sp.org/tlog-proof@v1", an optional
// "extra <base64>", "index <n>", one base64 hash per line, an empty line,
// then the checkpoint, a signed note, verbatim to its end.
struct TlogProof {
  std::optional<Bytes> extra;
  uint64_t index = 0;
  std::vector<Bytes> hashes;
  std::string_view checkpoint;  // views the proof text
};

Result<TlogProof> parse_tlog_proof(std::string_view text);
Result<TlogProof> parse_tlog_proof(std::string&&) = delete;

struct VerifiedProof {
  uint64_t index;
  std::optional<Bytes> extra;
  VerifiedCheckpoint checkpoint;
};

// Parses the proof, then the policy; verifies the proof's checkpoint
// against the policy, then the inclusion of leaf_hash at the proof's index
// under the checkpoint's size and root.
Result<VerifiedProof> verify_tlog_proof(std::string_view proof, std::string_view policy, ByteView leaf_hash,
                                        uint64_t not_before);

}  // namespace silvantrope::checkpoint
