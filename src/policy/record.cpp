// SPDX-License-Identifier: Apache-2.0
#include "policy/record.h"

#include <cstring>
#include <initializer_list>
#include <limits>
#include <utility>

#include "context/namespace.h"
#include "core/byte_writer.h"
#include "core/fault.h"
#include "core/utf8.h"
#include "core/hex_id.h"
#include "policy/reader.h"

namespace silvantrope::policy {
namespace {

constexpr uint32_t kConiksFormat = 1;
constexpr uint32_t kKeytransFormat = 2;
constexpr size_t kHashSize = 64;

template <class E, class Tag>
using TagTable = std::initializer_list<std::pair<Tag, E>>;

// Wire tags. Security levels are tagged by their category number, and the
// standard KEYTRANS suites by their registry ids (P-256 is 0x0001).
const TagTable<SecurityLevel, uint8_t> kSecurityLevels = {
    {3, SecurityLevel::Cat3}, {5, SecurityLevel::Cat5}};
const TagTable<CheckpointSuite, uint8_t> kCheckpointSuites = {
    {1, CheckpointSuite::Hybrid}, {2, CheckpointSuite::HybridMatched}, {3, CheckpointSuite::PureCnsa2}};
const TagTable<CommitmentHash, uint8_t> kCommitmentHashes = {
    {1, CommitmentHash::Sha3_256}, {2, CommitmentHash::Sha3_512}};
const TagTable<VrfMode, uint8_t> kVrfModes = {
    {1, VrfMode::Classical}, {2, VrfMode::HybridOutput}, {3, VrfMode::PurePqExperimental}};
const TagTable<DirectoryMode, uint8_t> kDirectoryModes = {
    {1, DirectoryMode::Coniks}, {2, DirectoryMode::Keytrans}};
const TagTable<KeytransSuite, uint16_t> kKeytransSuites = {
    {0x0001, KeytransSuite::Kt128Sha256P256},
    {0x0002, KeytransSuite::Kt128Sha256Ed25519},
    {0xF000, KeytransSuite::SilvantropeHybridExp}};

template <class E, class Tag>
Tag tag_of(const TagTable<E, Tag>& table, E value) {
  for (const auto& [tag, v] : table) {
    if (v == value) return tag;
  }
  throw InternalFault("enumeration value without a wire tag");
}

Error malformed(const std::string& detail) { return Error::malformed_policy(detail); }

// Reads one tag of the table's width and decodes it. An unknown tag is
// reported as "unknown {what} 0x{tag}".
template <class E, class Tag>
Result<E> read_tag(PolicyReader& r, const TagTable<E, Tag>& table, const char* what) {
  Result<Tag> tag = [&]() -> Result<Tag> {
    if constexpr (sizeof(Tag) == 1) {
      return r.u8();
    } else {
      return r.u16();
    }
  }();
  if (!tag) return std::move(tag).error();
  for (const auto& [t, v] : table) {
    if (t == *tag) return v;
  }
  return malformed(std::string("unknown ") + what + " " + hex_id(*tag, 2 * sizeof(Tag)));
}

Result<std::string> read_namespace(PolicyReader& r) {
  auto field = r.field();
  if (!field) return std::move(field).error();
  const std::string_view text = as_text(*field);
  if (utf8::validate(text)) return malformed("namespace is not valid UTF-8");
  auto ns = context::validate_namespace(text);
  if (!ns) return std::move(ns).error();
  return std::string(text);
}

Result<std::optional<Hash64>> read_prev_policy_hash(PolicyReader& r) {
  auto field = r.field();
  if (!field) return std::move(field).error();
  if (field->empty()) return std::optional<Hash64>{};
  if (field->size() != kHashSize) {
    return malformed("prev_policy_hash is " + std::to_string(field->size()) +
                     " bytes, want 0 (genesis) or 64");
  }
  Hash64 h;
  std::memcpy(h.data(), field->data(), kHashSize);
  return std::optional<Hash64>{h};
}

}  // namespace

// Each step reads one field and stops at the first failure; the macro keeps
// the field order readable.
#define POLICY_READ(target, expr)                 \
  do {                                            \
    auto v_ = (expr);                             \
    if (!v_) return std::move(v_).error();        \
    target = std::move(*v_);                      \
  } while (0)

Result<PolicyRecord> parse_policy_record(ByteView bytes) {
  PolicyReader r(bytes);
  uint32_t format = 0;
  POLICY_READ(format, r.u32());
  if (format != kConiksFormat && format != kKeytransFormat) {
    return malformed("unknown policy format version " + std::to_string(format));
  }
  PolicyRecord p;
  POLICY_READ(p.namespace_, read_namespace(r));
  POLICY_READ(p.policy_schema_version, r.u32());
  POLICY_READ(p.security_level, read_tag(r, kSecurityLevels, "security_level tag"));
  POLICY_READ(p.checkpoint_suite, read_tag(r, kCheckpointSuites, "checkpoint_suite tag"));
  POLICY_READ(p.commitment_hash, read_tag(r, kCommitmentHashes, "commitment_hash tag"));
  POLICY_READ(p.vrf_mode, read_tag(r, kVrfModes, "vrf_mode tag"));
  POLICY_READ(p.effective_from, r.u64());
  POLICY_READ(p.created_at, r.u64());
  POLICY_READ(p.prev_policy_hash, read_prev_policy_hash(r));
  if (format == kKeytransFormat) {
    POLICY_READ(p.directory_mode, read_tag(r, kDirectoryModes, "directory_mode tag"));
    POLICY_READ(p.keytrans_suite, read_tag(r, kKeytransSuites, "keytrans_suite id"));
  }
  if (!r.empty()) return malformed("trailing bytes after policy record");
  if (auto valid = validate_policy_record(p); !valid) return std::move(valid).error();
  return p;
}

#undef POLICY_READ

Result<void> validate_policy_record(const PolicyRecord& p) {
  if (p.policy_schema_version == 0) return malformed("policy_schema_version must be >= 1");
  const CommitmentHash derived =
      p.security_level == SecurityLevel::Cat3 ? CommitmentHash::Sha3_256 : CommitmentHash::Sha3_512;
  if (p.commitment_hash != derived) {
    return malformed(std::string("commitment_hash ") + name_of(p.commitment_hash) +
                     " does not match the one derived from security_level " +
                     name_of(p.security_level));
  }
  if (p.vrf_mode != VrfMode::Classical) {
    return malformed(std::string("vrf_mode ") + name_of(p.vrf_mode) +
                     " is not legal in v0.1 (only Classical)");
  }
  if (p.checkpoint_suite == CheckpointSuite::PureCnsa2 && p.security_level == SecurityLevel::Cat3) {
    return malformed("PureCnsa2 checkpoint_suite requires security_level Cat5");
  }
  if (p.directory_mode == DirectoryMode::Coniks &&
      p.keytrans_suite != KeytransSuite::SilvantropeHybridExp) {
    return malformed(std::string("keytrans_suite ") + name_of(p.keytrans_suite) +
                     " is only meaningful on the Keytrans route");
  }
  return {};
}

Bytes encode_policy_record(const PolicyRecord& p) {
  const bool keytrans = p.directory_mode == DirectoryMode::Keytrans;
  if (p.namespace_.size() > std::numeric_limits<uint32_t>::max()) {
    throw InternalFault("policy namespace longer than 4294967295 bytes");
  }
  ByteWriter w(128 + p.namespace_.size());
  w.u32(keytrans ? kKeytransFormat : kConiksFormat);
  w.u32(static_cast<uint32_t>(p.namespace_.size())).text(p.namespace_);
  w.u32(p.policy_schema_version);
  w.u8(tag_of(kSecurityLevels, p.security_level));
  w.u8(tag_of(kCheckpointSuites, p.checkpoint_suite));
  w.u8(tag_of(kCommitmentHashes, p.commitment_hash));
  w.u8(tag_of(kVrfModes, p.vrf_mode));
  w.u64(p.effective_from).u64(p.created_at);
  if (p.prev_policy_hash) {
    w.u32(kHashSize).bytes(*p.prev_policy_hash);
  } else {
    w.u32(0);
  }
  if (keytrans) {
    w.u8(tag_of(kDirectoryModes, p.directory_mode));
    w.u16(tag_of(kKeytransSuites, p.keytrans_suite));
  }
  return std::move(w).take();
}

}  // namespace silvantrope::policy
