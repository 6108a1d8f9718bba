#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "encoding/base64.h"
#include "note/signed_note.h"
#include "note/verifier_key.h"
#include "rfc6962_tree.h"

namespace silvantrope::note {
namespace {

uint32_t key_id_of(const std::string& name, const Bytes& data) {
  Bytes m(name.begin(), name.end());
  m.push_back('\n');
  m.insert(m.end(), data.begin(), data.end());
  const Bytes h = test_support::sha256(m);
  return (uint32_t(h[0]) << 24) | (uint32_t(h[1]) << 16) | (uint32_t(h[2]) << 8) | h[3];
}

std::string hex8(uint32_t v, bool upper = false) {
  char buf[9];
  std::snprintf(buf, sizeof buf, upper ? "%08X" : "%08x", v);
  return buf;
}

// A key string with the right id for its name and data.
std::string key_string(const std::string& name, const Bytes& data, bool upper = false) {
  return name + "+" + hex8(key_id_of(name, data), upper) + "+" + encoding::base64_encode(data);
}

Bytes ed25519_data(uint8_t fill = 7) {
  Bytes d(33, fill);
  d[0] = 0x01;
  return d;
}

Bytes composite_data(const Bytes& body) {
  Bytes d(composite_key_prefix().begin(), composite_key_prefix().end());
  d.insert(d.end(), body.begin(), body.end());
  return d;
}

TEST(VerifierKey, ParsesBothKinds) {
  auto ed = parse_verifier_key(key_string("example.com/log", ed25519_data()));
  ASSERT_TRUE(ed) << ed.error().message();
  EXPECT_EQ(ed->name, "example.com/log");
  EXPECT_EQ(ed->kind, VerifierKeyKind::Ed25519);
  EXPECT_EQ(ed->key, Bytes(32, 7));
  EXPECT_EQ(ed->key_id, key_id_of("example.com/log", ed25519_data()));

  auto upper = parse_verifier_key(key_string("w", ed25519_data(), true));
  ASSERT_TRUE(upper);

  auto comp = parse_verifier_key(key_string("pq", composite_data({0x02, 1, 2, 3})));
  ASSERT_TRUE(comp) << comp.error().message();
  EXPECT_EQ(comp->kind, VerifierKeyKind::Composite);
  EXPECT_EQ(comp->key, (Bytes{0x02, 1, 2, 3}));
}

TEST(VerifierKey, Failures) {
  const std::string m = "malformed signed note: ";
  const std::string good = key_string("a", ed25519_data());
  const std::string data64 = encoding::base64_encode(ed25519_data());
  const uint32_t id = key_id_of("a", ed25519_data());
  Bytes type2 = ed25519_data();
  type2[0] = 0x02;
  Bytes other_label = composite_data({1});
  other_label[5] ^= 1;
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"nope", m + "malformed verifier key: \"nope\""},
      {"a+" + hex8(id), m + "malformed verifier key: \"a+" + hex8(id) + "\""},
      {"a+" + hex8(id).substr(1) + "+" + data64, m + "malformed verifier key: \"a+" + hex8(id).substr(1) + "+" + data64 + "\""},
      {"a+0" + hex8(id) + "+" + data64, m + "malformed verifier key: \"a+0" + hex8(id) + "+" + data64 + "\""},
      {"a+0000000g+" + data64, m + "invalid hex character"},
      {"a+" + hex8(id) + "+AB==", m + "non-canonical base64"},
      {"a+" + hex8(id) + "+", m + "malformed verifier key: \"a+" + hex8(id) + "+\""},
      {"+" + hex8(id) + "+" + data64, m + "malformed verifier key: \"+" + hex8(id) + "+" + data64 + "\""},
      {"a b+" + hex8(id) + "+" + data64, m + "malformed verifier key: \"a b+" + hex8(id) + "+" + data64 + "\""},
      {"a+" + hex8(id ^ 1) + "+" + data64,
       m + "verifier key id mismatch: declared " + hex8(id ^ 1) + ", computed " + hex8(id)},
      {"a+" + hex8(id ^ 0x10000000, true) + "+" + data64,
       m + "verifier key id mismatch: declared " + hex8(id ^ 0x10000000) + ", computed " + hex8(id)},
      {key_string("a", type2), m + "unsupported signature type (leading byte 0x02)"},
      {key_string("a", Bytes{0x01, 1, 2}), m + "malformed verifier key: \"" + key_string("a", Bytes{0x01, 1, 2}) + "\""},
      {key_string("a", composite_data({})), m + "malformed verifier key: \"" + key_string("a", composite_data({})) + "\""},
      {key_string("a", other_label), m + "unsupported signature type (leading byte 0xff)"},
      {key_string("a", Bytes{0xff}), m + "unsupported signature type (leading byte 0xff)"},
  };
  for (const auto& [text, want] : cases) {
    auto r = parse_verifier_key(text);
    ASSERT_FALSE(r) << text;
    EXPECT_EQ(r.error().message(), want) << text;
  }
  EXPECT_TRUE(parse_verifier_key(good));
}

TEST(KeyName, WhitespaceAndPlus) {
  for (std::string ok : {"a", "example.com/log", "\x01", "caf\xc3\xa9", "\xe2\x80\x8b"}) {
    EXPECT_TRUE(is_valid_key_name(ok)) << ok;
  }
  for (std::string bad : {"", "a+b", "a b", "a\tb", "a\nb", "\xc2\x85", "\xc2\xa0", "\xe1\x9a\x80",
                          "\xe2\x80\x8a", "\xe2\x80\xa8", "\xe2\x80\xaf", "\xe2\x81\x9f", "\xe3\x80\x80"}) {
    EXPECT_FALSE(is_valid_key_name(bad)) << bad;
  }
}

const std::string kBlob = encoding::base64_encode(Bytes{0, 0, 0, 1, 9});
const std::string kLine = "\xe2\x80\x94 k " + kBlob + "\n";

TEST(SignedNote, Splits) {
  const std::string text = "a\n\n\n" + kLine;
  auto n = parse_signed_note(text);
  ASSERT_TRUE(n) << n.error().message();
  EXPECT_EQ(n->text, "a\n\n");
  ASSERT_EQ(n->signatures.size(), 1u);
  EXPECT_EQ(n->signatures[0].name, "k");
  EXPECT_EQ(n->signatures[0].key_id, 1u);
  EXPECT_EQ(n->signatures[0].signature, Bytes{9});

  std::string hundred = "t\n\n";
  for (int i = 0; i < 100; ++i) hundred += kLine;
  auto h = parse_signed_note(hundred);
  ASSERT_TRUE(h);
  EXPECT_EQ(h->signatures.size(), 100u);
  const std::string hundred_one = hundred + kLine;
  auto too_many = parse_signed_note(hundred_one);
  ASSERT_FALSE(too_many);
  EXPECT_EQ(too_many.error().message(), "malformed signed note: too many signatures");
}

TEST(SignedNote, Failures) {
  const std::string m = "malformed signed note: ";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"a\tb\n\n" + kLine, m + "note contains a forbidden control character"},
      {"a\n\n" + kLine.substr(0, kLine.size() - 1) + "\r\n", m + "note contains a forbidden control character"},
      {"a\n" + kLine, m + "missing blank-line signature separator"},
      {"a\n\n", m + "signature block is empty or unterminated"},
      {"a\n\n" + kLine + "\n", m + "signature block is empty or unterminated"},
      {"a\n\n" + kLine.substr(0, kLine.size() - 1), m + "signature block is empty or unterminated"},
      {"a\n\n- k " + kBlob + "\n", m + "signature line missing '— ' prefix: \"- k " + kBlob + "\""},
      {"a\n\n\xe2\x80\x94 k\n", m + "signature line missing space"},
      {"a\n\n\xe2\x80\x94  " + kBlob + "\n", m + "invalid signature line name/blob: \"\xe2\x80\x94  " + kBlob + "\""},
      {"a\n\n\xe2\x80\x94 a+b " + kBlob + "\n", m + "invalid signature line name/blob: \"\xe2\x80\x94 a+b " + kBlob + "\""},
      {"a\n\n\xe2\x80\x94 k \n", m + "invalid signature line name/blob: \"\xe2\x80\x94 k \""},
      {"a\n\n\xe2\x80\x94 k AAAA\n", m + "signature blob too short"},
      {"a\n\n\xe2\x80\x94 k AAAAAA\n", m + "base64 length is not a multiple of 4"},
      {"a\n\n\xe2\x80\x94 k " + kBlob + " x\n", m + "base64 length is not a multiple of 4"},
      {"a\n\n" + kLine + "- x y\n", m + "signature line missing '— ' prefix: \"- x y\""},
  };
  for (const auto& [text, want] : cases) {
    auto r = parse_signed_note(text);
    ASSERT_FALSE(r) << text;
    EXPECT_EQ(r.error().message(), want) << text;
  }
}

}  // namespace
}  // namespace silvantrope::note
