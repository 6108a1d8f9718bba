// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "checkpoint/checkpoint.h"
#include "note/verifier_key.h"

namespace silvantrope::checkpoint {

// The checkpoint as verify_checkpoint checks it, then its C2SP
// tlog-cosignature lines: every line from a listed cosigner must verify, and
// at least quorum distinct cosigners must have a cosignature timestamped at
// or after not_before. Cosigner keys that share a name or a public key are
// one cosigner. At most kMaxCosignerKeys keys are accepted. No clock is read: a timestamp in the future is the caller's
// concern.
inline constexpr size_t kMaxCosignerKeys = 100000;

Result<CheckpointHead> verify_cosigned(std::string_view note_text,
                                       const std::vector<note::VerifierKey>& log_keys,
                                       const std::vector<std::string_view>& cosigner_texts,
                                       uint32_t quorum, uint64_t not_before);

}  // namespace silvantrope::checkpoint
