// SPDX-License-Identifier: Apache-2.0
#pragma once

// C2SP signed notes for fixtures:
//   verifier key    name "+" hex8(key id) "+" base64(key data)
//   key id          SHA-256(name || "\n" || key data)[0:4]
//   signature line  "— " name " " base64(u32be(key id) || signature) "\n"
// Plain Ed25519 key data is 0x01 || public key, signing the text itself;
// composite key data is 0xFF || "silvantrope.dev/composite-mldsa-ed25519/v1" ||
// scheme bytes, signing under the context "silvantrope.dev/signed-note/v1".

#include <string>
#include <variant>

#include "signers.h"

namespace test_support {

inline constexpr std::string_view kNoteSignatureContext = "silvantrope.dev/signed-note/v1";

std::string signature_line(const std::string& name, uint32_t key_id, const Bytes& sig);

struct NoteKey {
  std::string name;  // free to change: the key id follows it
  std::variant<Ed25519Signer, SchemeSigner> signer;

  static NoteKey ed25519(std::string name, uint64_t seed) { return {std::move(name), Ed25519Signer(seed)}; }
  static NoteKey composite(std::string name, SchemeType type, uint64_t seed) {
    return {std::move(name), SchemeSigner(type, seed)};
  }
  Bytes key_data() const;
  std::string verifier_key() const;
  uint32_t key_id() const;
  Bytes sign(const std::string& text) const;  // the signature bytes of a line
};

// A C2SP tlog-cosignature witness: key data 0x04 || Ed25519 key or 0x06 ||
// ML-DSA-44 key. Ed25519 signs "cosignature/v1\ntime T\n" || body; ML-DSA-44
// signs "subtree/v1\n\0", u8-prefixed name, u64 T, u8-prefixed origin,
// u64 0, u64 size and the root.
struct Cosigner {
  std::string name;
  std::variant<Ed25519Signer, MlDsa44Signer> signer;

  Bytes key_data() const;
  std::string verifier_key() const;
  uint32_t key_id() const;
  Bytes message(const std::string& origin, uint64_t size, const Bytes& root,
                const std::vector<std::string>& extensions, uint64_t timestamp) const;
  // The bytes of a cosignature line after the key id: u64be(T) || signature.
  Bytes cosign(const std::string& origin, uint64_t size, const Bytes& root,
               const std::vector<std::string>& extensions, uint64_t timestamp) const;
  std::string line(const Bytes& cosignature) const { return signature_line(name, key_id(), cosignature); }
};

// text (ending in "\n"), a blank line, then one signature line per key.
std::string sign_note(const std::string& text, const std::vector<const NoteKey*>& keys);
std::string checkpoint_body(const std::string& origin, uint64_t size, const Bytes& root,
                            const std::vector<std::string>& extensions = {});

}  // namespace test_support
