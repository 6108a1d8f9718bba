// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/bytes.h"
#include "core/error.h"

namespace silvantrope::note {

// C2SP tlog-cosignature witness keys, by their type byte.
enum class CosignerKind : uint8_t { Ed25519 = 0x04, MlDsa44 = 0x06 };

struct CosignerKey {
  std::string name;
  uint32_t key_id;
  Bytes key;  // the raw public key, after the type byte
  CosignerKind kind;
};

// name+XXXXXXXX+base64(type || public key): 0x04 and 32 bytes, or 0x06 and
// 1312 bytes. An ML-DSA-44 cosigner's name is at most 255 bytes, the most
// its signed message can carry.
Result<CosignerKey> parse_cosigner_key(std::string_view text);
Result<std::vector<CosignerKey>> parse_cosigner_keys(const std::vector<std::string_view>& texts);

inline constexpr uint64_t kMaxCosignatureTime = (uint64_t{1} << 63) - 1;

struct Cosignature {
  uint64_t timestamp;  // POSIX seconds; 0 makes no freshness statement
  ByteView signature;
};

// A signature line's bytes after the key id: u64be timestamp (at most
// 2^63 - 1), then exactly 64 (Ed25519) or 2420 (ML-DSA-44) signature bytes.
// The result views the blob.
std::optional<Cosignature> decode_cosignature(ByteView blob, CosignerKind kind);

}  // namespace silvantrope::note
