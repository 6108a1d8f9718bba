// SPDX-License-Identifier: Apache-2.0
#include "policy/enforce.h"

#include <optional>
#include <string>

#include "core/hex_id.h"
#include "policy/signed_policy.h"
#include "silvantrope-crypto/crypto_error.h"
#include "silvantrope-crypto/sign.h"
#include "silvantrope-crypto/token.h"

namespace silvantrope::policy {
namespace {

// The VRF suite of the one admissible vrf_mode, Classical (ECVRF-Ed25519).
constexpr uint8_t kClassicalVrfSuite = 0x03;
constexpr uint16_t kConiksBackend = 0x0001;
constexpr uint16_t kKeytransBackend = 0xF004;  // KEYTRANS_EXP_04

enum class TokenKind { Key, Signature };

// ML-DSA level index 0, 1, 2 as the category it reaches.
const char* level_name(uint8_t level) {
  static const char* const names[] = {"Cat2", "Cat3", "Cat5"};
  return level < 3 ? names[level] : "?";
}

uint8_t level_index(SecurityLevel level) { return level == SecurityLevel::Cat3 ? 1 : 2; }

// What an observed token is, as "Suite/Level", or why it cannot be read.
struct Observed {
  std::optional<crypto::SignatureClass> cls;
  std::string text;
};

Observed observe(std::string_view token, TokenKind kind) {
  const std::string what = kind == TokenKind::Key ? "key" : "signature";
  auto undecodable = [&](const crypto::CryptoError& e) {
    return Observed{std::nullopt, "undecodable checkpoint " + what + " (" + e.message() + ")"};
  };
  auto bytes = crypto::decode_token(token);
  if (!bytes) return undecodable(bytes.error());
  const crypto::SchemeRow* row = bytes->empty() ? nullptr : crypto::scheme_row((*bytes)[0]);
  if (row == nullptr) {
    return undecodable(crypto::CryptoError::missing_version_tag());
  }
  const size_t want = kind == TokenKind::Key ? row->public_key_length() : row->signature_length();
  if (bytes->size() != want) return undecodable(crypto::CryptoError::invalid_length(want, bytes->size()));
  const auto cls = crypto::classify_signature_type(row->type);
  return Observed{cls, std::string(name_of(cls->suite)) + "/" + level_name(cls->level)};
}

Result<void> enforce_token(ByteView envelope, std::string_view token, TokenKind kind) {
  auto record = load_verified_policy(envelope);
  if (!record) return std::move(record).error();
  const std::string declared = std::string(name_of(record->checkpoint_suite)) + "/" +
                               level_name(level_index(record->security_level));
  const Observed observed = observe(token, kind);
  if (observed.cls && observed.cls->suite == record->checkpoint_suite &&
      observed.cls->level == level_index(record->security_level)) {
    return {};
  }
  return Error::posture_mismatch(declared, observed.text);
}

}  // namespace

Result<void> enforce_checkpoint_signing_key(ByteView envelope, std::string_view key_token) {
  return enforce_token(envelope, key_token, TokenKind::Key);
}

Result<void> enforce_checkpoint_signature(ByteView envelope, std::string_view signature_token) {
  return enforce_token(envelope, signature_token, TokenKind::Signature);
}

Result<void> enforce_vrf_suite_id(ByteView envelope, uint8_t observed_suite_id) {
  auto record = load_verified_policy(envelope);
  if (!record) return std::move(record).error();
  // Validation admits no vrf_mode but Classical.
  if (observed_suite_id == kClassicalVrfSuite) return {};
  return Error::posture_mismatch("vrf_mode Classical (suite_id " + hex_id(kClassicalVrfSuite, 2) + ")",
                                 "vrf suite_id " + hex_id(observed_suite_id, 2));
}

Result<void> enforce_commitment_hash(ByteView envelope, CommitmentHash observed) {
  auto record = load_verified_policy(envelope);
  if (!record) return std::move(record).error();
  if (observed == record->commitment_hash) return {};
  return Error::posture_mismatch(std::string("commitment_hash ") + name_of(record->commitment_hash),
                                 std::string("commitment_hash ") + name_of(observed));
}

Result<void> enforce_directory_backend(ByteView envelope, uint16_t observed_backend_id) {
  auto record = load_verified_policy(envelope);
  if (!record) return std::move(record).error();
  const uint16_t declared =
      record->directory_mode == DirectoryMode::Keytrans ? kKeytransBackend : kConiksBackend;
  if (observed_backend_id == declared) return {};
  return Error::posture_mismatch(
      std::string("directory_mode ") + name_of(record->directory_mode) + " (backend " +
          hex_id(declared, 4) + ")",
      "directory backend " + hex_id(observed_backend_id, 4));
}

}  // namespace silvantrope::policy
