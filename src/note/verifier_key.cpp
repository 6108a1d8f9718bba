// SPDX-License-Identifier: Apache-2.0
#include "note/verifier_key.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/quote.h"
#include "core/utf8.h"
#include "encoding/base64.h"
#include "silvantrope-crypto/digest.h"

namespace silvantrope::note {
namespace {

bool is_whitespace(char32_t c) {
  return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
         (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F ||
         c == 0x205F || c == 0x3000;
}

std::string hex8(uint32_t v) {
  char buf[9];
  std::snprintf(buf, sizeof buf, "%08x", v);
  return buf;
}

uint32_t be32(ByteView b) {
  return (uint32_t(b[0]) << 24) | (uint32_t(b[1]) << 16) | (uint32_t(b[2]) << 8) | b[3];
}

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The first four bytes of SHA-256(name || "\n" || data), hashed in one piece
// when that fits on the stack.
uint32_t key_id(std::string_view name, ByteView data) {
  uint8_t message[256];
  if (name.size() + 1 + data.size() <= sizeof message) {
    std::memcpy(message, name.data(), name.size());
    message[name.size()] = '\n';
    std::memcpy(message + name.size() + 1, data.data(), data.size());
    return be32(crypto::sha256({message, name.size() + 1 + data.size()}));
  }
  const uint8_t newline = '\n';
  crypto::Digest sha256(crypto::DigestAlgorithm::Sha256);
  return be32(sha256.update(as_bytes(name)).update({&newline, 1}).update(data).final<32>());
}

}  // namespace

ByteView composite_key_prefix() {
  static const Bytes prefix = [] {
    Bytes p(1 + kCompositeLabel.size(), 0xFF);
    std::copy(kCompositeLabel.begin(), kCompositeLabel.end(), p.begin() + 1);
    return p;
  }();
  return prefix;
}

bool is_valid_key_name(std::string_view name) {
  if (name.empty()) return false;
  size_t i = 0;
  while (i < name.size()) {
    const auto b = static_cast<uint8_t>(name[i]);
    if (b > 0x20 && b < 0x80 && b != '+') {  // the usual case: printable ASCII
      ++i;
      continue;
    }
    if (b < 0x80) {
      if (b == '+' || is_whitespace(b)) return false;
      ++i;
      continue;
    }
    const utf8::Step st = utf8::decode_at(name, i);
    if (st.invalid || is_whitespace(st.code_point)) return false;
    i += st.width;
  }
  return true;
}

Error malformed_verifier_key(std::string_view text) {
  return Error::malformed_signed_note("malformed verifier key: " + quote(text));
}

Error unsupported_key_type(uint8_t lead) {
  char hex[5];
  std::snprintf(hex, sizeof hex, "0x%02x", lead);
  return Error::malformed_signed_note(std::string("unsupported signature type (leading byte ") +
                                      hex + ")");
}

namespace {

// Room for decoded key data: on the stack for every key but the large
// ones (ML-DSA-44, composite).
struct KeyBuffer {
  uint8_t small[64];
  Bytes large;
};

// A key string whose key id checked out; its type is the caller's to read.
struct KeyText {
  std::string_view name;
  uint32_t key_id;
  ByteView data;  // in the KeyBuffer given; type byte or prefix included, never empty
};

// name+XXXXXXXX+base64(key data), the key id being the first four bytes of
// SHA-256(name || "\n" || key data).
Result<KeyText> parse_key_text(std::string_view text, KeyBuffer& buffer) {
  auto malformed = [&] { return malformed_verifier_key(text); };

  const size_t plus1 = text.find('+');
  if (plus1 == std::string_view::npos) return malformed();
  const std::string_view name = text.substr(0, plus1);
  const size_t plus2 = text.find('+', plus1 + 1);
  if (plus2 == std::string_view::npos) return malformed();
  const std::string_view id_text = text.substr(plus1 + 1, plus2 - plus1 - 1);
  const std::string_view data_text = text.substr(plus2 + 1);
  if (id_text.size() != 8) return malformed();

  uint32_t declared = 0;
  for (char c : id_text) {
    const int v = hex_digit(c);
    if (v < 0) return std::move(encoding::hex_decode(id_text)).error();  // its text for a bad digit
    declared = declared << 4 | static_cast<uint32_t>(v);
  }
  uint8_t* out = buffer.small;
  if (data_text.size() / 4 * 3 > sizeof buffer.small) {
    buffer.large.resize(data_text.size() / 4 * 3);
    out = buffer.large.data();
  }
  auto size = encoding::base64_decode_to(data_text, out);
  if (!size) return std::move(size).error();
  if (*size == 0 || !is_valid_key_name(name)) return malformed();
  const ByteView data{out, *size};

  const uint32_t computed = key_id(name, data);
  if (computed != declared) {
    return Error::malformed_signed_note("verifier key id mismatch: declared " + hex8(declared) +
                                        ", computed " + hex8(computed));
  }
  return KeyText{name, declared, data};
}

// The key with the first skip bytes of its data (type byte or prefix) cut.
VerifierKey key_after(const KeyText& parsed, size_t skip, VerifierKeyKind kind) {
  return VerifierKey{InlineName(parsed.name), parsed.key_id, KeyBytes(parsed.data.subspan(skip)), kind};
}

}  // namespace

Result<VerifierKey> parse_verifier_key(std::string_view text) {
  KeyBuffer buffer;
  auto parsed = parse_key_text(text, buffer);
  if (!parsed) return std::move(parsed).error();
  const ByteView d = parsed->data;
  const ByteView prefix = composite_key_prefix();
  if (d[0] == 0x01) {
    if (d.size() != 33) return malformed_verifier_key(text);
    return key_after(*parsed, 1, VerifierKeyKind::Ed25519);
  }
  if (d.size() >= prefix.size() && equal(d.first(prefix.size()), prefix)) {
    if (d.size() == prefix.size()) return malformed_verifier_key(text);
    return key_after(*parsed, prefix.size(), VerifierKeyKind::Composite);
  }
  return unsupported_key_type(d[0]);
}

Result<VerifierKey> parse_cosigner_key(std::string_view text) {
  KeyBuffer buffer;
  auto parsed = parse_key_text(text, buffer);
  if (!parsed) return std::move(parsed).error();
  const ByteView d = parsed->data;
  if (d[0] != 0x04 && d[0] != 0x06) return unsupported_key_type(d[0]);
  const bool ed25519 = d[0] == 0x04;
  if (d.size() != (ed25519 ? 33 : 1313) || (!ed25519 && parsed->name.size() > 255)) {
    return malformed_verifier_key(text);
  }
  return key_after(*parsed, 1, ed25519 ? VerifierKeyKind::CosignEd25519 : VerifierKeyKind::CosignMlDsa44);
}

}  // namespace silvantrope::note
