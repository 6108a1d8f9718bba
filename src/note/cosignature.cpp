// SPDX-License-Identifier: Apache-2.0
#include "note/cosignature.h"

#include <string>

#include "core/byte_writer.h"
#include "silvantrope-crypto/ed25519.h"
#include "silvantrope-crypto/mldsa44.h"

namespace silvantrope::note {

std::optional<Cosignature> decode_cosignature(ByteView blob, VerifierKeyKind kind) {
  const size_t length = kind == VerifierKeyKind::CosignEd25519 ? 64 : 2420;
  if (blob.size() != 8 + length) return std::nullopt;
  uint64_t timestamp = 0;
  for (size_t i = 0; i < 8; ++i) timestamp = timestamp << 8 | blob[i];
  if (timestamp > kMaxCosignatureTime) return std::nullopt;
  return Cosignature{timestamp, blob.subspan(8)};
}

bool verify_cosignature(const VerifierKey& key, const Cosignature& cs, std::string_view body,
                        const TreeHead& head) {
  if (key.kind == VerifierKeyKind::CosignEd25519) {
    ByteWriter m(32 + body.size());
    m.text("cosignature/v1\ntime " + std::to_string(cs.timestamp) + "\n").text(body);
    return crypto::verify_ed25519_strict(key.key, cs.signature, m.data());
  }
  if (head.origin.size() > 255) return false;  // does not fit its u8 length
  ByteWriter m(64 + key.name.size() + head.origin.size());
  m.text(std::string_view("subtree/v1\n\0", 12));
  m.u8(static_cast<uint8_t>(key.name.size())).text(key.name).u64(cs.timestamp);
  m.u8(static_cast<uint8_t>(head.origin.size())).text(head.origin);
  m.u64(0).u64(head.size).bytes(head.root);
  return crypto::verify_mldsa44(key.key, cs.signature, m.data());
}

}  // namespace silvantrope::note
