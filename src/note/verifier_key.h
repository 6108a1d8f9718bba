#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/bytes.h"
#include "core/error.h"

namespace silvantrope::note {

// The fixed domain of this library's composite note keys and signatures.
inline constexpr std::string_view kCompositeLabel = "silvantrope.dev/composite-mldsa-ed25519/v1";
inline constexpr std::string_view kSignedNoteContext = "silvantrope.dev/signed-note/v1";

// 0xFF followed by the composite label: the start of a composite key's data.
ByteView composite_key_prefix();

// A key name is non-empty and holds no "+" and no whitespace.
bool is_valid_key_name(std::string_view name);

enum class VerifierKeyKind { Ed25519, Composite };

struct VerifierKey {
  std::string name;
  uint32_t key_id;
  Bytes key;  // the Ed25519 key, or the scheme bytes of a composite key token
  VerifierKeyKind kind;
};

// name+XXXXXXXX+base64(key data), the key id being the first four bytes of
// SHA-256(name || "\n" || key data).
Result<VerifierKey> parse_verifier_key(std::string_view text);

}  // namespace silvantrope::note
