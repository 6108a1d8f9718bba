// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "core/bytes.h"
#include "core/error.h"
#include "core/inline_array.h"

namespace silvantrope::note {

// The fixed domain of this library's composite note keys and signatures.
inline constexpr std::string_view kCompositeLabel = "silvantrope.dev/composite-mldsa-ed25519/v1";
inline constexpr std::string_view kSignedNoteContext = "silvantrope.dev/signed-note/v1";

// 0xFF followed by the composite label: the start of a composite key's data.
ByteView composite_key_prefix();

// A key name is non-empty UTF-8 and holds no "+" and no whitespace.
bool is_valid_key_name(std::string_view name);

// Every key a note line can be checked against: the log keys of signed
// notes (Ed25519 type 0x01, composite) and the C2SP tlog-cosignature witness
// keys (Ed25519 type 0x04, ML-DSA-44 type 0x06).
enum class VerifierKeyKind { Ed25519, Composite, CosignEd25519, CosignMlDsa44 };

// Public key bytes, inline up to 32 (every Ed25519 key).
class KeyBytes : public InlineArray<uint8_t, 32> {
 public:
  explicit KeyBytes(ByteView b) : InlineArray(b.data(), b.size()) {}
};

struct VerifierKey {
  InlineName name;
  uint32_t key_id;
  KeyBytes key;  // the raw public key, or the scheme bytes of a composite key token
  VerifierKeyKind kind;

  // The same public key: the same kind and key bytes, whatever the name.
  bool same_public_key(const VerifierKey& o) const {
    if (kind != o.kind || key.size() != o.key.size()) return false;
    return std::memcmp(key.data(), o.key.data(), key.size()) == 0;
  }
};

Error malformed_verifier_key(std::string_view text);
Error unsupported_key_type(uint8_t lead);

// A note key: Ed25519 (type 0x01) or composite.
Result<VerifierKey> parse_verifier_key(std::string_view text);

// A witness key: 0x04 and 32 bytes, or 0x06 and 1312 bytes. An ML-DSA-44
// cosigner's name is at most 255 bytes, the most its signed message can
// carry.
Result<VerifierKey> parse_cosigner_key(std::string_view text);

// Parses each key string in order; the first failure wins.
template <class Parse>
auto parse_each_key(const std::vector<std::string_view>& texts, Parse parse)
    -> Result<std::vector<typename decltype(parse(std::string_view{}))::value_type>> {
  std::vector<typename decltype(parse(std::string_view{}))::value_type> keys;
  keys.reserve(texts.size());
  for (std::string_view t : texts) {
    auto k = parse(t);
    if (!k) return std::move(k).error();
    keys.push_back(std::move(*k));
  }
  return keys;
}

}  // namespace silvantrope::note
