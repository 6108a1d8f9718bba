// SPDX-License-Identifier: Apache-2.0
#include "note/cosignature.h"

#include "note/verifier_key.h"

namespace silvantrope::note {

Result<CosignerKey> parse_cosigner_key(std::string_view text) {
  auto parsed = parse_key_text(text);
  if (!parsed) return std::move(parsed).error();
  const ByteView d = parsed->data;
  const auto kind = static_cast<CosignerKind>(d[0]);
  if (kind != CosignerKind::Ed25519 && kind != CosignerKind::MlDsa44) return unsupported_key_type(d[0]);
  const bool ed25519 = kind == CosignerKind::Ed25519;
  if (d.size() != (ed25519 ? 33 : 1313) || (!ed25519 && parsed->name.size() > 255)) {
    return malformed_verifier_key(text);
  }
  return CosignerKey{std::string(parsed->name), parsed->key_id, Bytes(d.begin() + 1, d.end()), kind};
}

Result<std::vector<CosignerKey>> parse_cosigner_keys(const std::vector<std::string_view>& texts) {
  return parse_each_key(texts, parse_cosigner_key);
}

std::optional<Cosignature> decode_cosignature(ByteView blob, CosignerKind kind) {
  const size_t length = kind == CosignerKind::Ed25519 ? 64 : 2420;
  if (blob.size() != 8 + length) return std::nullopt;
  uint64_t timestamp = 0;
  for (size_t i = 0; i < 8; ++i) timestamp = timestamp << 8 | blob[i];
  if (timestamp > kMaxCosignatureTime) return std::nullopt;
  return Cosignature{timestamp, blob.subspan(8)};
}

}  // namespace silvantrope::note
