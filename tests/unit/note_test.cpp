// SPDX-License-Identifier: Apache-2.0
// Signature lines of signed notes and checkpoints against trusted keys, with
// notes signed by the test signers.

#include <gtest/gtest.h>

#include <cstdio>

#include "checkpoint/checkpoint.h"
#include "checkpoint/cosigned.h"
#include "core/text_scan.h"
#include "note/signed_note.h"
#include "notes.h"

namespace silvantrope::note {
namespace {

using test_support::NoteKey;
using test_support::SchemeType;

const NoteKey kEd = NoteKey::ed25519("example.com/log", 1);
const NoteKey kWitness = NoteKey::ed25519("witness.example", 2);
const NoteKey kPq = NoteKey::composite("pq.example/log", SchemeType::EdMlDsa65, 3);
const NoteKey kCnsa = NoteKey::composite("cnsa.example/log", SchemeType::P521MlDsa87, 4);
const std::string kText = "example.com/log\n42\nq83vEjRWeJCrze8SNFZ4kKvN7xI0VniQq83vEjRWeJA=\n";
const std::string kNone = "note has no verifiable signature from a trusted key";

std::vector<VerifierKey> keys(const std::vector<const NoteKey*>& ks) {
  std::vector<VerifierKey> out;
  for (const NoteKey* k : ks) out.push_back(*parse_verifier_key(k->verifier_key()));
  return out;
}

// The verified count, or the error message.
std::string verify(const std::string& note_text, const std::vector<const NoteKey*>& trusted) {
  auto n = parse_signed_note(note_text);
  if (!n) return std::string(n.error().message());
  auto r = verify_note_signatures(*n, keys(trusted));
  return r ? std::to_string(*r) : std::string(r.error().message());
}

std::string invalid(const NoteKey& k) {
  char id[9];
  std::snprintf(id, sizeof id, "%08x", k.key_id());
  return "invalid signature for known key \"" + k.name + "\" (key id " + id + ")";
}

std::string line(const NoteKey& k, const Bytes& sig, const std::string& name = "") {
  return test_support::signature_line(name.empty() ? k.name : name, k.key_id(), sig);
}

// The 16-byte passes of the text checks against the checks themselves,
// every byte value in every lane of two blocks and in the tail after them;
// and the byte loops alone, as builds without SSE2 run them.
TEST(TextScan, EveryByteInEveryLane) {
  namespace text = silvantrope::text;
  const std::string_view alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  for (const bool vectors : {true, false}) {
    for (int b = 0; b < 256; ++b) {
      const bool in_alphabet = alphabet.find(static_cast<char>(b)) != std::string_view::npos;
      for (size_t at = 0; at < 37; ++at) {
        std::string s(37, 'A');
        s[at] = static_cast<char>(b);
        const std::string where = "byte " + std::to_string(b) + " at " + std::to_string(at) + (vectors ? "" : ", bytewise");
        ASSERT_EQ(text::all_base64(s, vectors), in_alphabet) << where;
        ASSERT_EQ(text::find_blank(s, 0, vectors), b == ' ' || b == '\t' ? at : s.size()) << where;
        for (const bool tab_ok : {false, true}) {
          const text::Scan r = text::scan(s, tab_ok, vectors);
          ASSERT_EQ(r.control, b < 0x20 && b != '\n' && !(tab_ok && b == '\t')) << where;
          ASSERT_EQ(r.high, b >= 0x80) << where;
          ASSERT_EQ(r.del, b == 0x7F) << where;
        }
      }
    }
  }
}

// The ASCII skips of UTF-8 validation (64 and 16 bytes at a time): a stray
// continuation byte at every offset of 150 bytes is found where it is, and
// an em dash there is taken whole, whichever block boundary it straddles.
TEST(Utf8, SkipsStopAtEveryOffset) {
  for (const bool vectors : {true, false}) {
    for (size_t at = 0; at < 150; ++at) {
      std::string s(150, 'a');
      s[at] = '\x80';
      const auto bad = silvantrope::text::validate_utf8(s, vectors);
      ASSERT_TRUE(bad && bad->valid_up_to == at && bad->error_len == 1) << at;
      s.replace(at, 1, "\xE2\x80\x94");
      ASSERT_FALSE(silvantrope::text::validate_utf8(s, vectors)) << at;
    }
  }
}

TEST(NoteVerify, Cases) {
  const std::string both = test_support::sign_note(kText, {&kEd, &kPq});
  const Bytes good = kEd.sign(kText);
  const Bytes bad = [&] { Bytes b = good; b[10] ^= 1; return b; }();
  const Bytes wrong_context = test_support::SchemeSigner(SchemeType::EdMlDsa65, 3)
                                  .sign("silvantrope.dev/signed-note/v2", Bytes(kText.begin(), kText.end()));
  const struct {
    const char* name;
    std::string note;
    std::vector<const NoteKey*> trusted;
    std::string want;
  } cases[] = {
      {"plain ed25519", test_support::sign_note(kText, {&kEd}), {&kEd}, "1"},
      {"composite 0x02", test_support::sign_note(kText, {&kPq}), {&kPq}, "1"},
      {"composite 0x14", test_support::sign_note(kText, {&kCnsa}), {&kCnsa}, "1"},
      {"two trusted", both, {&kPq, &kEd}, "2"},
      {"one trusted, one unknown", both, {&kPq}, "1"},
      {"the same key twice counts twice", both + line(kEd, good), {&kEd}, "2"},
      {"no trusted keys", both, {}, kNone},
      {"only unknown keys", both, {&kWitness}, kNone},
      {"valid then invalid", kText + "\n" + line(kEd, good) + line(kPq, Bytes(3374, 2)), {&kEd, &kPq}, invalid(kPq)},
      {"63-byte ed25519 signature", kText + "\n" + line(kEd, Bytes(good.begin(), good.end() - 1)), {&kEd}, invalid(kEd)},
      {"flipped bit", kText + "\n" + line(kEd, bad), {&kEd}, invalid(kEd)},
      {"a trusted id under another name is skipped", kText + "\n" + line(kEd, bad, "someone.else") + line(kEd, good),
       {&kEd}, "1"},
      {"text changed after signing", "example.com/log\n43\n" + kText.substr(19) + "\n" + line(kEd, good), {&kEd},
       invalid(kEd)},
      {"composite signature under another context", kText + "\n" + line(kPq, wrong_context), {&kPq}, invalid(kPq)},
  };
  for (const auto& c : cases) EXPECT_EQ(verify(c.note, c.trusted), c.want) << c.name;
}

// A line is verified once per key: a second line with the same bytes under
// another trusted key whose id collides (2^32 work for whoever picks keys)
// is verified under that key, not taken on the first key's word.
TEST(NoteVerify, IdenticalLinesOfTwoKeysVerifiedEach) {
  std::vector<VerifierKey> trusted = keys({&kEd, &kWitness});
  trusted[1].name = silvantrope::InlineName("b.example");
  trusted[1].key_id = kEd.key_id();
  const Bytes good = kEd.sign(kText);
  const std::string text = kText + "\n" + line(kEd, good) + line(kEd, good, "b.example");
  auto n = parse_signed_note(text);
  ASSERT_TRUE(n);
  auto r = verify_note_signatures(*n, trusted);
  char id[9];
  std::snprintf(id, sizeof id, "%08x", kEd.key_id());
  EXPECT_EQ(r ? std::to_string(*r) : r.error().message(),
            std::string("invalid signature for known key \"b.example\" (key id ") + id + ")");
}

// Of trusted keys sharing a name and key id, the first in the caller's order
// is the one a line is checked against, with few keys and with many. The two
// seeds were found by a birthday search over key ids.
TEST(NoteVerify, FirstOfKeysSharingNameAndIdDecides) {
  const NoteKey a = NoteKey::ed25519("twin.example", 60423), b = NoteKey::ed25519("twin.example", 123786);
  ASSERT_EQ(a.key_id(), b.key_id());
  const std::string note = test_support::sign_note(kText, {&a});
  std::vector<NoteKey> others;
  for (int i = 0; i < 10; ++i) others.push_back(NoteKey::ed25519("k" + std::to_string(i) + ".example", 200 + i));
  for (size_t n : {0, 10}) {
    std::vector<const NoteKey*> ab, ba;
    for (size_t i = 0; i < n; ++i) ab.push_back(&others[i]), ba.push_back(&others[i]);
    ab.insert(ab.end(), {&a, &b}), ba.insert(ba.end(), {&b, &a});
    EXPECT_EQ(verify(note, ab), "1") << n;
    EXPECT_EQ(verify(note, ba), invalid(b)) << n;
  }
}

// More trusted keys than a linear scan serves: every line is found by its
// name and key id, in whatever order names and ids happen to sort.
TEST(NoteVerify, ManyTrustedKeys) {
  std::vector<NoteKey> many;
  for (int i = 0; i < 12; ++i) many.push_back(NoteKey::ed25519("k" + std::to_string(10 + i) + ".example", 100 + i));
  std::vector<const NoteKey*> all;
  for (const NoteKey& k : many) all.push_back(&k);
  const std::string note = test_support::sign_note(kText, all);
  EXPECT_EQ(verify(note, all), "12");
  EXPECT_EQ(verify(note, {all.rbegin(), all.rend()}), "12");
  std::vector<const NoteKey*> but_one(all.begin() + 1, all.end());
  EXPECT_EQ(verify(note, but_one), "11");
  const Bytes bad(64, 7);
  EXPECT_EQ(verify(note + line(many[5], bad), all), invalid(many[5]));
}

TEST(Checkpoint, SignaturesBeforeTheBody) {
  const std::string signed_bad_body = test_support::sign_note("origin\n01\nAAAA\n", {&kEd});
  auto r = checkpoint::verify_checkpoint(signed_bad_body, keys({&kEd}));
  EXPECT_EQ(r.error().message(), "malformed checkpoint: tree size has a leading zero: \"01\"");
  EXPECT_EQ(checkpoint::verify_checkpoint(signed_bad_body, keys({&kWitness})).error().message(), kNone);
  const Bytes root(32, 0x5a);
  const std::string body = test_support::checkpoint_body("example.com/log", 7, root, {"ext one"});
  auto head = checkpoint::verify_checkpoint(test_support::sign_note(body, {&kCnsa, &kEd}), keys({&kEd, &kCnsa}));
  ASSERT_TRUE(head) << head.error().message();
  EXPECT_EQ(head->size, 7u);
  EXPECT_EQ(head->root, root);
}

// Witness keys that share a name or a public key are one cosigner, however
// long the chain that joins them: here X, Y and Z are three Ed25519 keys.
TEST(Cosigned, KeysJoinedThroughChains) {
  using W = std::pair<std::string, int>;  // name, key seed
  const std::string body = test_support::checkpoint_body(kEd.name, 7, Bytes(32, 0x5a));
  const int X = 10, Y = 11, Z = 12;
  const struct {
    const char* name;
    std::vector<W> keys, cosigned;
    uint32_t quorum;
    std::string want;
  } cases[] = {
      {"a-X, b-X, b-Y: one", {{"a", X}, {"b", X}, {"b", Y}}, {{"a", X}, {"b", Y}}, 2, "1 of 2"},
      {"a-X, b-X, b-Y, c-Y: one", {{"a", X}, {"b", X}, {"b", Y}, {"c", Y}}, {{"a", X}, {"c", Y}}, 2, "1 of 2"},
      {"joined only by the last key listed", {{"c", Z}, {"b", Y}, {"a", X}, {"c", Y}, {"a", Y}},
       {{"a", X}, {"b", Y}, {"c", Z}}, 2, "1 of 2"},
      {"two chains: two", {{"a", X}, {"b", X}, {"c", Y}, {"d", Y}}, {{"a", X}, {"d", Y}}, 2, ""},
      {"no links: three", {{"a", X}, {"b", Y}, {"c", Z}}, {{"a", X}, {"b", Y}, {"c", Z}}, 3, ""},
      {"two chains, one short", {{"a", X}, {"b", X}, {"c", Y}, {"d", Y}, {"e", Z}}, {{"b", X}, {"c", Y}}, 3, "2 of 3"},
  };
  for (const auto& c : cases) {
    auto cosigner = [](const W& w) { return test_support::Cosigner{w.first, test_support::Ed25519Signer(static_cast<uint8_t>(w.second))}; };
    std::string note = test_support::sign_note(body, {&kEd});
    for (const W& w : c.cosigned) note += cosigner(w).line(cosigner(w).cosign(kEd.name, 7, Bytes(32, 0x5a), {}, 100));
    std::vector<std::string> texts;
    for (const W& w : c.keys) texts.push_back(cosigner(w).verifier_key());
    const std::vector<std::string_view> views(texts.begin(), texts.end());
    auto r = checkpoint::verify_cosigned(note, keys({&kEd}), views, c.quorum, 0);
    const std::string got = r ? "" : std::string(r.error().message());
    EXPECT_EQ(got, c.want.empty() ? "" : "verification failed: cosignature quorum not met: " + c.want + " cosigners")
        << c.name;
  }
}

}  // namespace
}  // namespace silvantrope::note
