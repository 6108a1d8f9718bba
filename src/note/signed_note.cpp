// SPDX-License-Identifier: Apache-2.0
#include "note/signed_note.h"

#include <algorithm>
#include <optional>

#include "core/quote.h"
#include "encoding/base64.h"
#include "silvantrope-crypto/ed25519.h"
#include "silvantrope-crypto/sign.h"

namespace silvantrope::note {
namespace {

constexpr std::string_view kEmDashSpace = "\xE2\x80\x94 ";

Error malformed(std::string_view detail) { return Error::malformed_signed_note(detail); }

uint32_t be32(const Bytes& b) {
  return (uint32_t(b[0]) << 24) | (uint32_t(b[1]) << 16) | (uint32_t(b[2]) << 8) | b[3];
}

Result<NoteSignature> parse_signature_line(std::string_view line) {
  if (line.substr(0, kEmDashSpace.size()) != kEmDashSpace) {
    return malformed("signature line missing '— ' prefix: " + quote(line));
  }
  const std::string_view rest = line.substr(kEmDashSpace.size());
  const size_t space = rest.find(' ');
  if (space == std::string_view::npos) return malformed("signature line missing space");
  const std::string_view name = rest.substr(0, space);
  const std::string_view blob_text = rest.substr(space + 1);
  if (!is_valid_key_name(name) || blob_text.empty()) {
    return malformed("invalid signature line name/blob: " + quote(line));
  }
  auto blob = encoding::base64_decode(blob_text);
  if (!blob) return std::move(blob).error();
  if (blob->size() < 5) return malformed("signature blob too short");
  const uint32_t key_id = be32(*blob);
  blob->erase(blob->begin(), blob->begin() + 4);
  return NoteSignature{name, key_id, std::move(*blob)};
}

}  // namespace

Result<SignedNote> parse_signed_note(std::string_view note_text) {
  const bool forbidden = std::any_of(note_text.begin(), note_text.end(), [](char c) {
    return static_cast<uint8_t>(c) < 0x20 && c != '\n';
  });
  if (forbidden) return malformed("note contains a forbidden control character");

  const size_t sep = note_text.rfind("\n\n");
  if (sep == std::string_view::npos) return malformed("missing blank-line signature separator");
  SignedNote note{note_text.substr(0, sep + 1), {}};
  std::string_view block = note_text.substr(sep + 2);
  if (block.empty() || block.back() != '\n') {
    return malformed("signature block is empty or unterminated");
  }

  while (!block.empty()) {
    const size_t nl = block.find('\n');
    auto sig = parse_signature_line(block.substr(0, nl));
    if (!sig) return std::move(sig).error();
    note.signatures.push_back(std::move(*sig));
    if (note.signatures.size() > kMaxNoteSignatures) return malformed("too many signatures");
    block.remove_prefix(nl + 1);
  }
  return note;
}

Result<uint32_t> verify_note_signatures(const SignedNote& note, const std::vector<VerifierKey>& keys) {
  if (note.signatures.empty()) return Error::no_trusted_signature();
  const ByteView text = as_bytes(note.text);
  const ByteView context = as_bytes(kSignedNoteContext);

  // Each composite key's OpenSSL objects are built once, on first use.
  std::vector<std::optional<crypto::PreparedKey>> prepared(keys.size());

  uint32_t verified = 0;
  for (const NoteSignature& sig : note.signatures) {
    auto trusted = std::find_if(keys.begin(), keys.end(), [&](const VerifierKey& k) {
      return k.key_id == sig.key_id && k.name == sig.name;
    });
    if (trusted == keys.end()) continue;

    bool ok = false;
    if (trusted->kind == VerifierKeyKind::Ed25519) {
      ok = crypto::verify_ed25519_strict(trusted->key, sig.signature, text);
    } else {
      auto& key = prepared[static_cast<size_t>(trusted - keys.begin())];
      if (!key) key.emplace(trusted->key);
      auto r = crypto::verify_signature_bytes(text, context, sig.signature, *key);
      ok = r && *r;
    }
    if (!ok) return Error::invalid_signature(sig.name, sig.key_id);
    ++verified;
  }
  if (verified == 0) return Error::no_trusted_signature();
  return verified;
}

Result<std::vector<VerifierKey>> parse_verifier_keys(const std::vector<std::string_view>& texts) {
  return parse_each_key(texts, parse_verifier_key);
}

}  // namespace silvantrope::note
