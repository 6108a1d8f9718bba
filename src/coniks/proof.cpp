// SPDX-License-Identifier: Apache-2.0
#include "coniks/proof.h"

#include <bit>
#include <cstdio>
#include <string>

#include "core/byte_reader.h"

namespace silvantrope::coniks {
namespace {

constexpr size_t kBitmapSize = 32;
constexpr size_t kSiblingSize = 64;
constexpr size_t kOpeningSize = 32;
constexpr uint8_t kPresenceTag = 0x01;
constexpr uint8_t kAbsenceTag = 0x00;

Error malformed(const std::string& detail) { return Error::malformed_coniks_proof(detail); }

std::string hex_byte(uint8_t b) {
  char buf[5];
  std::snprintf(buf, sizeof buf, "0x%02x", b);
  return buf;
}

// A 4-byte big-endian length and that many bytes.
Result<ByteView> read_field(ByteReader& r, const char* name) {
  auto n = r.u32();
  if (!n) return malformed(std::string(name) + ": missing 4-byte length prefix");
  auto bytes = r.take(*n);
  if (!bytes) {
    return malformed(std::string(name) + ": length prefix " + std::to_string(*n) +
                     " overruns available bytes");
  }
  return *bytes;
}

// The bitmap and the siblings it announces; the path must end the proof.
Result<AuthPath> read_path(ByteReader& r) {
  const size_t available = r.remaining();
  auto bitmap = r.take(kBitmapSize);
  if (!bitmap) return malformed("authentication path shorter than its bitmap");
  size_t n = 0;
  for (uint8_t b : *bitmap) n += static_cast<size_t>(std::popcount(b));
  const size_t needed = kBitmapSize + kSiblingSize * n;
  if (available < needed) {
    return malformed("authentication path: bitmap implies " + std::to_string(n) + " sibling hashes (" +
                     std::to_string(needed) + " bytes), only " + std::to_string(available) + " available");
  }
  AuthPath path{};
  for (size_t i = 0; i < 256; ++i) {
    if (((*bitmap)[i / 8] >> (7 - i % 8)) & 1) path[i] = r.take(kSiblingSize)->data();
  }
  if (!r.empty()) return malformed("trailing bytes after authentication path");
  return path;
}

Result<void> read_tag(ByteReader& r, uint8_t want, const char* kind) {
  auto tag = r.u8();
  if (!tag) return malformed("empty proof");
  if (*tag != want) {
    return malformed(std::string("expected ") + kind + " tag " + hex_byte(want) + ", got " + hex_byte(*tag));
  }
  return {};
}

}  // namespace

Result<LookupProof> parse_lookup_proof(ByteView proof) {
  ByteReader r(proof);
  if (auto t = read_tag(r, kPresenceTag, "presence"); !t) return std::move(t).error();
  LookupProof p{};
  auto vrf = read_field(r, "vrf proof");
  if (!vrf) return std::move(vrf).error();
  p.vrf_proof = *vrf;
  auto value = read_field(r, "value");
  if (!value) return std::move(value).error();
  p.value = *value;
  auto opening = r.take(kOpeningSize);
  if (!opening) return malformed("missing opening");
  p.opening = *opening;
  auto path = read_path(r);
  if (!path) return std::move(path).error();
  p.path = *path;
  return p;
}

Result<AbsenceProof> parse_absence_proof(ByteView proof) {
  ByteReader r(proof);
  if (auto t = read_tag(r, kAbsenceTag, "absence"); !t) return std::move(t).error();
  AbsenceProof p{};
  auto vrf = read_field(r, "vrf proof");
  if (!vrf) return std::move(vrf).error();
  p.vrf_proof = *vrf;
  auto path = read_path(r);
  if (!path) return std::move(path).error();
  p.path = *path;
  return p;
}

}  // namespace silvantrope::coniks
