// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <string_view>

#include "core/bytes.h"
#include "core/enums.h"
#include "core/error.h"

namespace silvantrope::policy {

// Each check verifies the envelope (nothing is cached between calls), then
// requires that one property observed in the namespace's traffic equals the
// declared one. A difference, an unreadable observed token included, is a
// PostureMismatch naming both sides.

// A checkpoint public-key token (standard base64 of the scheme bytes).
Result<void> enforce_checkpoint_signing_key(ByteView envelope, std::string_view key_token);
// A checkpoint signature token; only its type byte and length are examined.
Result<void> enforce_checkpoint_signature(ByteView envelope, std::string_view signature_token);
Result<void> enforce_vrf_suite_id(ByteView envelope, uint8_t observed_suite_id);
Result<void> enforce_commitment_hash(ByteView envelope, CommitmentHash observed);
Result<void> enforce_directory_backend(ByteView envelope, uint16_t observed_backend_id);

}  // namespace silvantrope::policy
