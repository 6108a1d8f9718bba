// SPDX-License-Identifier: Apache-2.0
#pragma once

// KEYTRANS search, fixed-version and monitoring proofs against a combined
// (log-and-prefix) tree root the caller trusts. The caller keeps the root and
// the VRF key; freshness and rollback are its concern.

#include <optional>

#include "core/error.h"
#include "keytrans/suite.h"

namespace silvantrope::keytrans {

struct SearchResult {
  bool present = false;
  std::optional<Bytes> value;
};

// The greatest version of the label and its value, or absent.
Result<SearchResult> verify_search_proof(const KeytransContext& ctx, ByteView root, ByteView label,
                                         ByteView proof);
// The value of the step's version of the label, or absent.
Result<SearchResult> verify_fixed_version_proof(const KeytransContext& ctx, ByteView root, ByteView label,
                                                ByteView proof);
// The monitored version and every version its ladder depends on are present.
Result<void> verify_monitor_proof(const KeytransContext& ctx, ByteView root, ByteView label, ByteView proof);

}  // namespace silvantrope::keytrans
