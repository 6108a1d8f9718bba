// SPDX-License-Identifier: Apache-2.0
// Verifier keys, signed notes and checkpoint bodies; input layout in README.md.

#include <algorithm>
#include <sstream>

#include "checkpoint/checkpoint.h"
#include "checkpoint/tlog_proof.h"
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
  fuzz::Bytes data{static_cast<uint8_t>(k->kind == note::VerifierKeyKind::CosignEd25519 ? 0x04 : 0x06)};
  data.insert(data.end(), k->key.begin(), k->key.end());
  FUZZ_CHECK(k->key_id == key_id(k->name, data) && data.size() == (data[0] == 0x04 ? 33u : 1313u));
}

// A decoded cosignature is the blob's whole tail after a timestamp below 2^63.
static void check_cosignature(silvantrope::ByteView blob) {
  for (const auto kind : {note::VerifierKeyKind::CosignEd25519, note::VerifierKeyKind::CosignMlDsa44}) {
    const auto c = note::decode_cosignature(blob, kind);
    const bool fits = blob.size() == (kind == note::VerifierKeyKind::CosignEd25519 ? 72u : 2428u) && blob[0] < 0x80;
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
  return FUZZ_CHECK(again && again->name == k->name && again->key_id == k->key_id && std::ranges::equal(again->key, k->key)), true;
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
  for (const auto& s : n->signatures) {
    const auto blob = silvantrope::encoding::base64_decode(s.blob);  // checked by the parser
    FUZZ_CHECK(blob && blob->size() >= 5 && fuzz::be32(blob->data()) == s.key_id);
    check_cosignature(silvantrope::ByteView(*blob).subspan(4));
  }
  const auto none = note::verify_note_signatures(*n, {});
  const auto verified = fuzz::twice([&] { return note::verify_note_signatures(*n, trusted); });
  FUZZ_CHECK(trusted.size() == 2 && !none && none.error().kind() == silvantrope::Error::Kind::NoTrustedSignature);
  FUZZ_CHECK(!verified || (*verified >= 1 && *verified <= count));
  check_body(n->text);
}

namespace cp = silvantrope::checkpoint;

// An accepted policy keeps its limits and thresholds, and its quorum names a line of it.
static void check_tlog_policy(std::string_view t) {
  const auto p = fuzz::twice([&] { return cp::parse_tlog_policy(t); });
  if (!p) return;
  const auto& w = p->witnesses;
  FUZZ_CHECK(p->logs.size() <= cp::kMaxPolicyLogs && w.witnesses.size() <= cp::kMaxPolicyWitnesses &&
             w.groups.size() <= cp::kMaxPolicyGroups && w.keys.size() == w.witnesses.size());
  for (const auto& g : w.groups) FUZZ_CHECK(g.k >= 1 && g.k <= g.count && g.first + g.count <= w.members.size());
  FUZZ_CHECK(cp::quorum_name(*p) == "none" || t.find(cp::quorum_name(*p)) != std::string_view::npos);
}

// An accepted proof holds 32-byte hashes and ends in its checkpoint, which is
// then verified against the bundled tlog policy.
static void check_tlog_proof(std::string_view t) {
  static const auto policy = *cp::parse_tlog_policy(fuzz::sample("tlog/policy.txt"));
  const auto p = fuzz::twice([&] { return cp::parse_tlog_proof(t); });
  if (!p) return;
  FUZZ_CHECK(p->hashes.size() <= cp::kMaxProofHashes && t.ends_with(p->checkpoint) && !p->checkpoint.empty());
  for (const auto& h : p->hashes) FUZZ_CHECK(h.size() == 32);
  FUZZ_CHECK(!p->extra || !p->extra->empty());
  const auto v = cp::verify_with_policy(p->checkpoint, policy, 0);
  FUZZ_CHECK(!v || v->cosignatures.size() <= policy.witnesses.witnesses.size());
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Lead bytes 0xf0 and up: a tlog policy (even) or a tlog proof (odd).
  if (size && data[0] >= 0xf0) {
    const std::string_view t(reinterpret_cast<const char*>(data) + 1, size - 1);
    data[0] % 2 ? check_tlog_proof(t) : check_tlog_policy(t);
    return 0;
  }
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
