// SPDX-License-Identifier: Apache-2.0
// Verifier keys, signed notes and checkpoint bodies; input layout in README.md.

#include <sstream>

#include "checkpoint/checkpoint.h"
#include "encoding/base64.h"
#include "note/cosignature.h"
#include "note/signed_note.h"
#include "silvantrope-crypto/digest.h"
#include "support.h"

namespace note = silvantrope::note;

static std::string key_text(std::string_view name, uint32_t id, std::string_view data) {
  char hex[9];
  return std::snprintf(hex, sizeof hex, "%08x", id), std::string(name) + "+" + hex + "+" + std::string(data);
}

static uint32_t key_id(std::string_view name, silvantrope::ByteView data) {
  const std::string m = std::string(name) + "\n" + std::string(silvantrope::as_text(data));
  return fuzz::be32(silvantrope::crypto::sha256(silvantrope::as_bytes(m)).data());
}

// An accepted cosigner key has the SHA-256 id and its type's key length.
static void check_cosigner_key(std::string_view t) {
  const auto k = fuzz::twice([&] { return note::parse_cosigner_key(t); });
  if (!k) return;
  fuzz::Bytes data{static_cast<uint8_t>(k->kind)};
  data.insert(data.end(), k->key.begin(), k->key.end());
  FUZZ_CHECK(k->key_id == key_id(k->name, data) && data.size() == (data[0] == 0x04 ? 33u : 1313u));
}

// A decoded cosignature is the blob's whole tail after a timestamp below 2^63.
static void check_cosignature(silvantrope::ByteView blob) {
  for (const auto kind : {note::CosignerKind::Ed25519, note::CosignerKind::MlDsa44}) {
    const auto c = note::decode_cosignature(blob, kind);
    const bool fits = blob.size() == (kind == note::CosignerKind::Ed25519 ? 72u : 2428u) && blob[0] < 0x80;
    FUZZ_CHECK(c.has_value() == fits && (!c || (c->signature.data() == blob.data() + 8 && c->timestamp >> 63 == 0)));
  }
}

// An accepted key has the SHA-256 id, and written back from its fields parses the same.
static bool check_key(std::string_view t) {
  check_cosigner_key(t);
  const auto k = fuzz::twice([&] { return note::parse_verifier_key(t); });
  if (!k) return false;
  const bool ed = k->kind == note::VerifierKeyKind::Ed25519;
  fuzz::Bytes data = ed ? fuzz::Bytes{1} : fuzz::Bytes(note::composite_key_prefix().begin(), note::composite_key_prefix().end());
  data.insert(data.end(), k->key.begin(), k->key.end());
  const auto again = note::parse_verifier_key(key_text(k->name, k->key_id, silvantrope::encoding::base64_encode(data)));
  FUZZ_CHECK(note::is_valid_key_name(k->name) && k->key_id == key_id(k->name, data) && (!ed || k->key.size() == 32));
  return FUZZ_CHECK(again && again->name == k->name && again->key_id == k->key_id && again->key == k->key), true;
}

static void check_body(std::string_view t) {
  const auto h = fuzz::twice([&] { return silvantrope::checkpoint::parse_checkpoint_body(t); });
  FUZZ_CHECK(!h || (!h->origin.empty() && h->root.size() == 32 && t.starts_with(h->origin) &&
                    t.substr(t.find('\n') + 1).starts_with(std::to_string(h->size))));
}

static void check_note(std::string_view t) {
  static const auto trusted = [] {  // the sample log's keys
    std::vector<note::VerifierKey> keys;
    std::istringstream in(fuzz::sample("log/trusted.keys"));
    for (std::string l; std::getline(in, l);) l.starts_with('#') ? void() : keys.push_back(*note::parse_verifier_key(l));
    return keys;
  }();
  const auto n = fuzz::twice([&] { return note::parse_signed_note(t); });
  if (!n) return;
  const size_t count = n->signatures.size();
  FUZZ_CHECK(count >= 1 && count <= note::kMaxNoteSignatures && t.starts_with(n->text) && n->text.ends_with('\n'));
  for (const auto& s : n->signatures) FUZZ_CHECK(s.name.data() > t.data() && s.name.data() + s.name.size() < t.data() + t.size());
  for (const auto& s : n->signatures) check_cosignature(s.signature);
  const auto none = note::verify_note_signatures(*n, {});
  const auto verified = fuzz::twice([&] { return note::verify_note_signatures(*n, trusted); });
  FUZZ_CHECK(trusted.size() == 2 && !none && none.error().kind() == silvantrope::Error::Kind::NoTrustedSignature);
  FUZZ_CHECK(!verified || (*verified >= 1 && *verified <= count));
  check_body(n->text);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const uint8_t selector = size ? data[0] % 5 : 0, flags = size > 1 ? data[1] : 0;
  const std::string_view rest(reinterpret_cast<const char*>(data) + !!size, size - !!size), t = rest.substr(!rest.empty());
  if (selector == 0) check_key(rest);
  if (selector == 1) {  // the key id computed here goes between name and data (flags bit 1: one bit off)
    const std::string_view name = t.substr(0, t.find('+')), body = t.substr(std::min(t.size(), name.size() + 1));
    const auto bytes = silvantrope::encoding::base64_decode(body);
    const uint32_t flip = flags & 2 ? 1u << (flags >> 3) : 0;
    FUZZ_CHECK(!check_key(key_text(name, key_id(name, bytes ? *bytes : fuzz::Bytes{}) ^ flip, body)) || !flip);
  }
  if (selector == 2 || selector == 3) check_note(rest);
  if (selector == 4) check_body(rest);
  return 0;
}
