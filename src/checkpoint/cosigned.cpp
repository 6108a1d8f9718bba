// SPDX-License-Identifier: Apache-2.0
#include "checkpoint/cosigned.h"

#include <algorithm>
#include <numeric>
#include <string>

#include "note/signed_note.h"
#include "silvantrope-crypto/ed25519.h"
#include "silvantrope-crypto/mldsa44.h"

namespace silvantrope::checkpoint {
namespace {

using note::CosignerKey;
using note::CosignerKind;

void append(Bytes& out, std::string_view s) { out.insert(out.end(), s.begin(), s.end()); }
void append_u64(Bytes& out, uint64_t v) {
  for (int shift = 56; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

// Ed25519: "cosignature/v1\ntime <decimal>\n" and the whole body, extension
// lines included.
Bytes ed25519_message(uint64_t timestamp, std::string_view body) {
  Bytes m;
  m.reserve(32 + body.size());
  append(m, "cosignature/v1\ntime " + std::to_string(timestamp) + "\n");
  append(m, body);
  return m;
}

// ML-DSA-44: the TLS-encoded subtree [0, size) with the root, under the
// cosigner's name and the origin; extension lines are not covered. Empty
// when the origin does not fit its 1..255-byte field.
Bytes mldsa44_message(const CosignerKey& key, uint64_t timestamp, const CheckpointHead& head) {
  if (head.origin.size() > 255) return {};
  Bytes m;
  append(m, std::string_view("subtree/v1\n\0", 12));
  m.push_back(static_cast<uint8_t>(key.name.size()));
  append(m, key.name);
  append_u64(m, timestamp);
  m.push_back(static_cast<uint8_t>(head.origin.size()));
  append(m, head.origin);
  append_u64(m, 0);
  append_u64(m, head.size);
  m.insert(m.end(), head.root.begin(), head.root.end());
  return m;
}

bool verify(const CosignerKey& key, const note::Cosignature& cs, std::string_view body,
            const CheckpointHead& head) {
  if (key.kind == CosignerKind::Ed25519) {
    return crypto::verify_ed25519_strict(key.key, cs.signature, ed25519_message(cs.timestamp, body));
  }
  const Bytes message = mldsa44_message(key, cs.timestamp, head);
  return !message.empty() && crypto::verify_mldsa44(key.key, cs.signature, message);
}

// Keys joined by a shared name or public key, however transitively, are one
// cosigner; each counts once if any of its keys gave a fresh cosignature.
uint32_t count_cosigners(const std::vector<CosignerKey>& keys, const std::vector<bool>& fresh) {
  std::vector<size_t> parent(keys.size());
  std::iota(parent.begin(), parent.end(), size_t{0});
  auto root = [&](size_t i) {
    while (parent[i] != i) i = parent[i];
    return i;
  };
  for (size_t i = 0; i < keys.size(); ++i) {
    for (size_t j = i + 1; j < keys.size(); ++j) {
      const bool same_key = keys[i].kind == keys[j].kind && keys[i].key == keys[j].key;
      if (keys[i].name == keys[j].name || same_key) parent[root(j)] = root(i);
    }
  }
  std::vector<bool> counted(keys.size());
  uint32_t n = 0;
  for (size_t i = 0; i < keys.size(); ++i) {
    if (fresh[i] && !counted[root(i)]) counted[root(i)] = true, ++n;
  }
  return n;
}

}  // namespace

Result<CheckpointHead> verify_cosigned(std::string_view note_text,
                                       const std::vector<note::VerifierKey>& log_keys,
                                       const std::vector<std::string_view>& cosigner_texts,
                                       uint32_t quorum, uint64_t not_before) {
  auto parsed = note::parse_signed_note(note_text);
  if (!parsed) return std::move(parsed).error();
  auto head = verify_checkpoint(*parsed, log_keys);
  if (!head) return head;
  auto keys = note::parse_cosigner_keys(cosigner_texts);
  if (!keys) return std::move(keys).error();

  std::vector<bool> fresh(keys->size());
  for (const note::NoteSignature& sig : parsed->signatures) {
    auto key = std::find_if(keys->begin(), keys->end(), [&](const CosignerKey& k) {
      return k.key_id == sig.key_id && k.name == sig.name;
    });
    if (key == keys->end()) continue;
    const auto cs = note::decode_cosignature(sig.signature, key->kind);
    if (!cs || !verify(*key, *cs, parsed->text, *head)) {
      return Error::invalid_signature(sig.name, sig.key_id);
    }
    if (cs->timestamp >= not_before) fresh[static_cast<size_t>(key - keys->begin())] = true;
  }
  const uint32_t counted = count_cosigners(*keys, fresh);
  if (counted < quorum) {
    return Error::verification_failed("cosignature quorum not met: " + std::to_string(counted) +
                                      " of " + std::to_string(quorum) + " cosigners");
  }
  return head;
}

}  // namespace silvantrope::checkpoint
