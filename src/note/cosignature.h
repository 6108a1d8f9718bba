// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "core/bytes.h"
#include "note/verifier_key.h"

namespace silvantrope::note {

inline constexpr uint64_t kMaxCosignatureTime = (uint64_t{1} << 63) - 1;

struct Cosignature {
  uint64_t timestamp;  // POSIX seconds; 0 makes no freshness statement
  ByteView signature;
};

// A signature line's bytes after the key id: u64be timestamp (at most
// 2^63 - 1), then exactly 64 (Ed25519) or 2420 (ML-DSA-44) signature bytes.
// The result views the blob.
std::optional<Cosignature> decode_cosignature(ByteView blob, VerifierKeyKind kind);

// What an ML-DSA-44 cosignature signs beside the witness's name and the
// timestamp: the checkpoint's origin, size and root.
struct TreeHead {
  std::string_view origin;
  uint64_t size;
  ByteView root;
};

// Ed25519: "cosignature/v1\ntime <decimal>\n" and the whole checkpoint
// body. ML-DSA-44: the TLS-encoded subtree [0, size) with its root, under
// the witness's name and the origin; extension lines are not covered.
bool verify_cosignature(const VerifierKey& key, const Cosignature& cs, std::string_view body,
                        const TreeHead& head);

}  // namespace silvantrope::note
