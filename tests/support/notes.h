#pragma once

// Signed notes in the C2SP signed-note format, for fixtures.
//
//   verifier key   <name>+<8 lowercase hex key id>+<base64(key data)>
//   key id         SHA-256(name || 0x0A || key data)[0:4], big-endian
//   note           text (ending in "\n") || "\n" || signature lines
//   signature line "— " <name> " " base64(u32be(key id) || signature) "\n"
//
// Plain Ed25519 keys: key data = 0x01 || public key, and the signature is
// Ed25519 over the note text. Composite keys: key data = 0xFF ||
// "silvantrope.dev/composite-mldsa-ed25519/v1" || scheme bytes of the public
// key, and the signature is the scheme bytes of SchemeSigner::sign with
// ctx = "silvantrope.dev/signed-note/v1" over the note text.

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "signers.h"

namespace test_support {

inline constexpr uint8_t kEd25519KeyType = 0x01;
inline constexpr uint8_t kCompositeKeyType = 0xFF;
inline constexpr std::string_view kCompositeKeyLabel = "silvantrope.dev/composite-mldsa-ed25519/v1";
inline constexpr std::string_view kNoteSignatureContext = "silvantrope.dev/signed-note/v1";
// U+2014 EM DASH followed by a space.
inline constexpr std::string_view kSignatureLinePrefix = "\xE2\x80\x94 ";

// 0xFF || "silvantrope.dev/composite-mldsa-ed25519/v1".
Bytes composite_key_prefix();

// SHA-256(name || 0x0A || key_data)[0:4] as a big-endian integer.
uint32_t note_key_id(std::string_view name, const Bytes& key_data);
// name + "+" + hex key id + "+" + base64(key_data).
std::string verifier_key_string(std::string_view name, const Bytes& key_data);

struct NoteKey {
  // Free to change: the key id and verifier key follow the name, so a test can
  // make a key that signs under another name.
  std::string name;
  std::variant<Ed25519Signer, SchemeSigner> signer;

  static NoteKey ed25519(std::string name, uint64_t seed);
  static NoteKey composite(std::string name, SchemeType type, uint64_t seed);

  Bytes key_data() const;
  std::string verifier_key() const;
  uint32_t key_id() const;
  // The signature bytes of a signature line (without the key id).
  Bytes sign(const std::string& text) const;
};

// "— " + name + " " + base64(u32be(key_id) || sig) + "\n".
std::string signature_line(const std::string& name, uint32_t key_id, const Bytes& sig);

// text + "\n" + one signature line per key, in order. Throws
// std::invalid_argument if text does not end in "\n".
std::string sign_note(const std::string& text, const std::vector<const NoteKey*>& keys);

// origin "\n" decimal size "\n" base64(root) "\n", then each extension line
// followed by "\n".
std::string checkpoint_body(const std::string& origin, uint64_t size, const Bytes& root,
                            const std::vector<std::string>& extensions = {});

}  // namespace test_support
