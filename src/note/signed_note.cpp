// SPDX-License-Identifier: Apache-2.0
#include "note/signed_note.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "core/quote.h"
#include "core/text_scan.h"
#include "core/utf8.h"
#include "encoding/base64.h"
#include "silvantrope-crypto/ed25519.h"
#include "silvantrope-crypto/sign.h"

namespace silvantrope::note {
namespace {

constexpr std::string_view kEmDashSpace = "\xE2\x80\x94 ";

Error malformed(std::string_view detail) { return Error::malformed_signed_note(detail); }

Result<NoteSignature> parse_signature_line(std::string_view line) {
  if (line.substr(0, kEmDashSpace.size()) != kEmDashSpace) {
    return malformed("signature line missing '— ' prefix: " + quote(line));
  }
  const std::string_view rest = line.substr(kEmDashSpace.size());
  const size_t space = rest.find(' ');
  if (space == std::string_view::npos) return malformed("signature line missing space");
  const std::string_view name = rest.substr(0, space);
  const std::string_view blob = rest.substr(space + 1);
  if (!is_valid_key_name(name) || blob.empty()) {
    return malformed("invalid signature line name/blob: " + quote(line));
  }
  auto size = encoding::base64_check(blob);
  if (!size) return std::move(size).error();
  if (*size < 5) return malformed("signature blob too short");
  uint8_t id[4];
  encoding::base64_prefix(blob, id, 4);
  const uint32_t key_id = (uint32_t(id[0]) << 24) | (uint32_t(id[1]) << 16) | (uint32_t(id[2]) << 8) | id[3];
  return NoteSignature{name, key_id, blob};
}

// Finds the first key, in list order, with a line's name and key id.
class KeyIndex {
 public:
  explicit KeyIndex(const std::vector<VerifierKey>& keys) : keys_(keys) {
    if (keys.size() <= kLinear) return;
    order_.resize(keys.size());
    for (size_t i = 0; i < keys.size(); ++i) order_[i] = i;
    std::stable_sort(order_.begin(), order_.end(), [&](size_t a, size_t b) { return less(keys[a], keys[b]); });
  }

  std::optional<size_t> find(const NoteSignature& sig) const {
    const auto match = [&](const VerifierKey& k) { return k.key_id == sig.key_id && k.name == sig.name; };
    if (order_.empty()) {
      auto it = std::find_if(keys_.begin(), keys_.end(), match);
      if (it == keys_.end()) return std::nullopt;
      return static_cast<size_t>(it - keys_.begin());
    }
    auto it = std::lower_bound(order_.begin(), order_.end(), sig, [&](size_t i, const NoteSignature& s) {
      const VerifierKey& k = keys_[i];
      return k.key_id != s.key_id ? k.key_id < s.key_id : std::string_view(k.name) < s.name;
    });
    if (it == order_.end() || !match(keys_[*it])) return std::nullopt;
    return *it;
  }

 private:
  static constexpr size_t kLinear = 8;
  static bool less(const VerifierKey& a, const VerifierKey& b) {
    return a.key_id != b.key_id ? a.key_id < b.key_id : a.name < b.name;
  }
  const std::vector<VerifierKey>& keys_;
  std::vector<size_t> order_;
};

// Checks one decoded line (key id removed) against its key; the timestamp of
// a cosignature that verified, 0 for a note signature, nothing on failure.
std::optional<uint64_t> check(const VerifierKey& key, ByteView sig, std::string_view text,
                              std::optional<crypto::PreparedKey>& prepared, const TreeHead* head) {
  switch (key.kind) {
    case VerifierKeyKind::Ed25519:
      if (!crypto::verify_ed25519_strict(key.key, sig, as_bytes(text))) return std::nullopt;
      return 0;
    case VerifierKeyKind::Composite: {
      if (!prepared) prepared.emplace(key.key);
      auto r = crypto::verify_signature_bytes(as_bytes(text), as_bytes(kSignedNoteContext), sig, *prepared);
      if (!r || !*r) return std::nullopt;
      return 0;
    }
    case VerifierKeyKind::CosignEd25519:
    case VerifierKeyKind::CosignMlDsa44: {
      const auto cs = decode_cosignature(sig, key.kind);
      if (!cs || head == nullptr || !verify_cosignature(key, *cs, text, *head)) return std::nullopt;
      return cs->timestamp;
    }
  }
  return std::nullopt;
}

// The position of the last "\n\n", found from newline to newline backwards
// (memrchr runs at memory speed where rfind compares at every byte).
size_t last_blank_line(std::string_view s) {
  size_t end = s.size();
  while (const void* p = end ? memrchr(s.data(), '\n', end) : nullptr) {
    const size_t i = static_cast<size_t>(static_cast<const char*>(p) - s.data());
    if (i + 1 < s.size() && s[i + 1] == '\n') return i;
    end = i;
  }
  return std::string_view::npos;
}

}  // namespace

Result<SignedNote> parse_signed_note(std::string_view note_text) {
  const text::Scan scan = text::scan(note_text);
  if (scan.control) return malformed("note contains a forbidden control character");
  // A C caller may hand raw bytes: text arguments are not checked at the boundary.
  if (scan.high && text::validate_utf8(note_text)) return malformed("note contains invalid UTF-8");

  const size_t sep = last_blank_line(note_text);
  if (sep == std::string_view::npos) return malformed("missing blank-line signature separator");
  SignedNote note{note_text.substr(0, sep + 1), {}};
  std::string_view block = note_text.substr(sep + 2);
  if (block.empty() || block.back() != '\n') {
    return malformed("signature block is empty or unterminated");
  }

  note.signatures.reserve(8);  // a log's line and a few witnesses' without regrowing
  while (!block.empty()) {
    const size_t nl = block.find('\n');
    auto sig = parse_signature_line(block.substr(0, nl));
    if (!sig) return std::move(sig).error();
    note.signatures.push_back(*sig);
    if (note.signatures.size() > kMaxNoteSignatures) return malformed("too many signatures");
    block.remove_prefix(nl + 1);
  }
  return note;
}

Result<std::vector<VerifiedLine>> verify_lines(const SignedNote& note, const std::vector<VerifierKey>& keys,
                                               const TreeHead* head) {
  const KeyIndex index(keys);
  // Each composite key's OpenSSL objects are built once, on first use.
  std::vector<std::optional<crypto::PreparedKey>> prepared(keys.size());
  struct Done {
    size_t key;
    std::string_view blob;
    uint64_t timestamp;
  };
  std::vector<Done> done;
  std::vector<VerifiedLine> verified;
  for (const NoteSignature& sig : note.signatures) {
    const auto k = index.find(sig);
    if (!k) continue;
    auto same = std::find_if(done.begin(), done.end(), [&](const Done& d) { return d.key == *k && d.blob == sig.blob; });
    if (same != done.end()) {
      verified.push_back({*k, same->timestamp});
      continue;
    }
    auto blob = encoding::base64_decode(sig.blob);  // checked when the note was parsed
    const auto ts = blob ? check(keys[*k], ByteView(*blob).subspan(4), note.text, prepared[*k], head) : std::nullopt;
    if (!ts) return Error::invalid_signature(sig.name, sig.key_id);
    done.push_back({*k, sig.blob, *ts});
    verified.push_back({*k, *ts});
  }
  return verified;
}

Result<uint32_t> verify_note_signatures(const SignedNote& note, const std::vector<VerifierKey>& keys) {
  auto lines = verify_lines(note, keys);
  if (!lines) return std::move(lines).error();
  if (lines->empty()) return Error::no_trusted_signature();
  return static_cast<uint32_t>(lines->size());
}

Result<std::vector<VerifierKey>> parse_verifier_keys(const std::vector<std::string_view>& texts) {
  return parse_each_key(texts, parse_verifier_key);
}

}  // namespace silvantrope::note
