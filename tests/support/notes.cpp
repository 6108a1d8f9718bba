// SPDX-License-Identifier: Apache-2.0
#include "notes.h"

#include <openssl/evp.h>

#include <cstdio>

namespace test_support {

Bytes NoteKey::key_data() const {
  if (auto* ed = std::get_if<Ed25519Signer>(&signer)) {
    Bytes out{0x01};
    const Bytes pub = ed->public_key();
    out.insert(out.end(), pub.begin(), pub.end());
    return out;
  }
  const std::string_view label = "\xff" "silvantrope.dev/composite-mldsa-ed25519/v1";
  Bytes out(label.begin(), label.end());
  const Bytes pub = std::get<SchemeSigner>(signer).public_key();
  out.insert(out.end(), pub.begin(), pub.end());
  return out;
}

namespace {

uint32_t key_id_of(const std::string& name, const Bytes& data) {
  Bytes input(name.begin(), name.end());
  input.push_back('\n');
  input.insert(input.end(), data.begin(), data.end());
  uint8_t digest[32];
  EVP_Digest(input.data(), input.size(), digest, nullptr, EVP_sha256(), nullptr);
  return uint32_t{digest[0]} << 24 | uint32_t{digest[1]} << 16 | uint32_t{digest[2]} << 8 | digest[3];
}

std::string verifier_key_of(const std::string& name, const Bytes& data) {
  char id[9];
  std::snprintf(id, sizeof id, "%08x", key_id_of(name, data));
  return name + "+" + id + "+" + base64(data);
}

void put_u64be(Bytes& out, uint64_t v) {
  for (int shift = 56; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}
void put(Bytes& out, std::string_view s) { out.insert(out.end(), s.begin(), s.end()); }

}  // namespace

uint32_t NoteKey::key_id() const { return key_id_of(name, key_data()); }

std::string NoteKey::verifier_key() const { return verifier_key_of(name, key_data()); }

Bytes Cosigner::key_data() const {
  const bool ed = std::holds_alternative<Ed25519Signer>(signer);
  Bytes out{uint8_t(ed ? 0x04 : 0x06)};
  const Bytes pub = ed ? std::get<Ed25519Signer>(signer).public_key() : std::get<MlDsa44Signer>(signer).public_key();
  out.insert(out.end(), pub.begin(), pub.end());
  return out;
}

uint32_t Cosigner::key_id() const { return key_id_of(name, key_data()); }

std::string Cosigner::verifier_key() const { return verifier_key_of(name, key_data()); }

Bytes Cosigner::message(const std::string& origin, uint64_t size, const Bytes& root,
                        const std::vector<std::string>& extensions, uint64_t timestamp) const {
  Bytes m;
  if (std::holds_alternative<Ed25519Signer>(signer)) {
    put(m, "cosignature/v1\ntime " + std::to_string(timestamp) + "\n" + checkpoint_body(origin, size, root, extensions));
    return m;
  }
  put(m, std::string_view("subtree/v1\n\0", 12));
  m.push_back(uint8_t(name.size()));
  put(m, name);
  put_u64be(m, timestamp);
  m.push_back(uint8_t(origin.size()));
  put(m, origin);
  put_u64be(m, 0);
  put_u64be(m, size);
  m.insert(m.end(), root.begin(), root.end());
  return m;
}

Bytes Cosigner::cosign(const std::string& origin, uint64_t size, const Bytes& root,
                       const std::vector<std::string>& extensions, uint64_t timestamp) const {
  const Bytes m = message(origin, size, root, extensions, timestamp);
  Bytes out;
  put_u64be(out, timestamp);
  const Bytes sig = std::visit([&](const auto& s) { return s.sign(m); }, signer);
  out.insert(out.end(), sig.begin(), sig.end());
  return out;
}

Bytes NoteKey::sign(const std::string& text) const {
  const Bytes message(text.begin(), text.end());
  if (auto* ed = std::get_if<Ed25519Signer>(&signer)) return ed->sign(message);
  return std::get<SchemeSigner>(signer).sign(kNoteSignatureContext, message);
}

std::string signature_line(const std::string& name, uint32_t key_id, const Bytes& sig) {
  Bytes blob{static_cast<uint8_t>(key_id >> 24), static_cast<uint8_t>(key_id >> 16),
             static_cast<uint8_t>(key_id >> 8), static_cast<uint8_t>(key_id)};
  blob.insert(blob.end(), sig.begin(), sig.end());
  return "\xe2\x80\x94 " + name + " " + base64(blob) + "\n";
}

std::string sign_note(const std::string& text, const std::vector<const NoteKey*>& keys) {
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
