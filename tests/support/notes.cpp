#include "notes.h"

#include <openssl/evp.h>

#include <algorithm>
#include <stdexcept>

namespace test_support {
namespace {

// Overload set for std::visit.
template <typename... F>
struct Overloaded : F... {
  using F::operator()...;
};
template <typename... F>
Overloaded(F...) -> Overloaded<F...>;

Bytes to_bytes(std::string_view s) { return Bytes(s.begin(), s.end()); }

}  // namespace

Bytes composite_key_prefix() {
  Bytes out(1 + kCompositeKeyLabel.size());
  out[0] = kCompositeKeyType;
  std::copy(kCompositeKeyLabel.begin(), kCompositeKeyLabel.end(), out.begin() + 1);
  return out;
}

uint32_t note_key_id(std::string_view name, const Bytes& key_data) {
  Bytes input = to_bytes(name);
  input.push_back('\n');
  input.insert(input.end(), key_data.begin(), key_data.end());
  uint8_t digest[32];
  if (EVP_Digest(input.data(), input.size(), digest, nullptr, EVP_sha256(), nullptr) != 1) {
    throw std::runtime_error("SHA-256 failed");
  }
  return uint32_t{digest[0]} << 24 | uint32_t{digest[1]} << 16 | uint32_t{digest[2]} << 8 |
         digest[3];
}

std::string verifier_key_string(std::string_view name, const Bytes& key_data) {
  static const char kHex[] = "0123456789abcdef";
  const uint32_t id = note_key_id(name, key_data);
  std::string out(name);
  out += '+';
  for (int shift = 28; shift >= 0; shift -= 4) out += kHex[(id >> shift) & 15];
  out += '+';
  out += base64(key_data);
  return out;
}

NoteKey NoteKey::ed25519(std::string name, uint64_t seed) {
  return NoteKey{std::move(name), Ed25519Signer(seed)};
}

NoteKey NoteKey::composite(std::string name, SchemeType type, uint64_t seed) {
  return NoteKey{std::move(name), SchemeSigner(type, seed)};
}

Bytes NoteKey::key_data() const {
  return std::visit(Overloaded{
                        [](const Ed25519Signer& s) {
                          Bytes out{kEd25519KeyType};
                          const Bytes pub = s.public_key();
                          out.insert(out.end(), pub.begin(), pub.end());
                          return out;
                        },
                        [](const SchemeSigner& s) {
                          Bytes out = composite_key_prefix();
                          const Bytes pub = s.public_key();
                          out.insert(out.end(), pub.begin(), pub.end());
                          return out;
                        },
                    },
                    signer);
}

std::string NoteKey::verifier_key() const { return verifier_key_string(name, key_data()); }

uint32_t NoteKey::key_id() const { return note_key_id(name, key_data()); }

Bytes NoteKey::sign(const std::string& text) const {
  const Bytes message = to_bytes(text);
  return std::visit(Overloaded{
                        [&](const Ed25519Signer& s) { return s.sign(message); },
                        [&](const SchemeSigner& s) {
                          return s.sign(kNoteSignatureContext, message);
                        },
                    },
                    signer);
}

std::string signature_line(const std::string& name, uint32_t key_id, const Bytes& sig) {
  Bytes blob{static_cast<uint8_t>(key_id >> 24), static_cast<uint8_t>(key_id >> 16),
             static_cast<uint8_t>(key_id >> 8), static_cast<uint8_t>(key_id)};
  blob.insert(blob.end(), sig.begin(), sig.end());
  std::string out(kSignatureLinePrefix);
  out += name;
  out += ' ';
  out += base64(blob);
  out += '\n';
  return out;
}

std::string sign_note(const std::string& text, const std::vector<const NoteKey*>& keys) {
  if (text.empty() || text.back() != '\n') {
    throw std::invalid_argument("note text must end in a newline");
  }
  std::string out = text + "\n";
  for (const NoteKey* key : keys) out += signature_line(key->name, key->key_id(), key->sign(text));
  return out;
}

std::string checkpoint_body(const std::string& origin, uint64_t size, const Bytes& root,
                            const std::vector<std::string>& extensions) {
  std::string out = origin + "\n" + std::to_string(size) + "\n" + base64(root) + "\n";
  for (const std::string& ext : extensions) out += ext + "\n";
  return out;
}

}  // namespace test_support
