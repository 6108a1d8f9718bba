// SPDX-License-Identifier: Apache-2.0
#include "keytrans/tls.h"

#include <limits>

namespace silvantrope::keytrans {

Result<HashList> TlsReader::hash_list(std::string_view field) {
  ByteView bytes = SILVANTROPE_TRY(opaque16(field));
  if (bytes.size() % kHashSize != 0) {
    return Error::malformed_keytrans(std::string(field) + ": " + std::to_string(bytes.size()) +
                                     " bytes is not a multiple of the 32-byte hash size");
  }
  return HashList(bytes);
}

Result<bool> TlsReader::flag(std::string_view field) {
  const uint8_t v = SILVANTROPE_TRY(u8(field));
  if (v > 1) {
    return Error::malformed_keytrans(std::string(field) + " must be 0 or 1, got " + std::to_string(v));
  }
  return v == 1;
}

Result<void> TlsReader::finish(std::string_view name) const {
  if (r_.empty()) return {};
  return Error::malformed_keytrans(std::string(name) + ": " + std::to_string(r_.remaining()) +
                                   " trailing byte(s) after struct");
}

Result<void> TlsWriter::opaque8(ByteView bytes, std::string_view field) {
  if (bytes.size() > std::numeric_limits<uint8_t>::max()) {
    return Error::malformed_keytrans(std::string(field) + ": " + std::to_string(bytes.size()) +
                                     " bytes exceeds the <0..2^8-1> vector bound (255)");
  }
  w_.u8(static_cast<uint8_t>(bytes.size())).bytes(bytes);
  return {};
}

Result<void> TlsWriter::opaque32(ByteView bytes, std::string_view field) {
  if (bytes.size() > std::numeric_limits<uint32_t>::max()) {
    return Error::malformed_keytrans(std::string(field) + ": " + std::to_string(bytes.size()) +
                                     " bytes exceeds the <0..2^32-1> vector bound");
  }
  w_.u32(static_cast<uint32_t>(bytes.size())).bytes(bytes);
  return {};
}

Result<Bytes> encode_vrf_input(ByteView label, uint32_t version) {
  TlsWriter w(label.size() + 5);
  SILVANTROPE_CHECK(w.opaque8(label, "VrfInput.label"));
  w.u32(version);
  return std::move(w).take();
}

Result<Bytes> encode_commitment_value(ByteView label, uint32_t version, ByteView value) {
  TlsWriter w(label.size() + value.size() + 9);
  SILVANTROPE_CHECK(w.opaque8(label, "CommitmentValue.label"));
  w.u32(version);
  SILVANTROPE_CHECK(w.opaque32(value, "UpdateValue.value"));
  return std::move(w).take();
}

}  // namespace silvantrope::keytrans
