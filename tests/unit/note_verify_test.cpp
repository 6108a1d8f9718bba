#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "checkpoint/checkpoint.h"
#include "notes.h"
#include "note/signed_note.h"

namespace silvantrope::note {
namespace {

using test_support::NoteKey;
using test_support::SchemeType;

const NoteKey& ed_key() {
  static const NoteKey k = NoteKey::ed25519("example.com/log", 1);
  return k;
}
const NoteKey& ed_witness() {
  static const NoteKey k = NoteKey::ed25519("witness.example", 2);
  return k;
}
const NoteKey& pq_key() {
  static const NoteKey k = NoteKey::composite("pq.example/log", SchemeType::EdMlDsa65, 3);
  return k;
}
const NoteKey& cnsa_key() {
  static const NoteKey k = NoteKey::composite("cnsa.example/log", SchemeType::P521MlDsa87, 4);
  return k;
}

std::vector<VerifierKey> keys(const std::vector<const NoteKey*>& ks) {
  std::vector<VerifierKey> out;
  for (const NoteKey* k : ks) {
    auto v = parse_verifier_key(k->verifier_key());
    EXPECT_TRUE(v) << v.error().message();
    out.push_back(*v);
  }
  return out;
}

// The verified count, or the error message.
std::string verify(const std::string& note_text, const std::vector<VerifierKey>& trusted) {
  auto n = parse_signed_note(note_text);
  if (!n) return n.error().message();
  auto r = verify_note_signatures(*n, trusted);
  return r ? std::to_string(*r) : r.error().message();
}

std::string invalid(const NoteKey& k) {
  char id[9];
  std::snprintf(id, sizeof id, "%08x", k.key_id());
  return "invalid signature for known key \"" + k.name + "\" (key id " + id + ")";
}

const std::string kText = "example.com/log\n42\nq83vEjRWeJCrze8SNFZ4kKvN7xI0VniQq83vEjRWeJA=\n";
const std::string kNone = "note has no verifiable signature from a trusted key";

TEST(NoteVerify, CountsTrustedSignatures) {
  const std::string both = test_support::sign_note(kText, {&ed_key(), &pq_key()});
  struct Case {
    const char* name;
    std::string note;
    std::vector<const NoteKey*> trusted;
    std::string want;
  };
  const std::string twice = both + test_support::signature_line(ed_key().name, ed_key().key_id(), ed_key().sign(kText));
  const std::vector<Case> cases = {
      {"plain ed25519", test_support::sign_note(kText, {&ed_key()}), {&ed_key()}, "1"},
      {"composite 0x02", test_support::sign_note(kText, {&pq_key()}), {&pq_key()}, "1"},
      {"composite 0x14", test_support::sign_note(kText, {&cnsa_key()}), {&cnsa_key()}, "1"},
      {"two trusted", both, {&pq_key(), &ed_key()}, "2"},
      {"one trusted, one unknown", both, {&pq_key()}, "1"},
      {"same key twice counts twice", twice, {&ed_key()}, "2"},
      {"no trusted keys", both, {}, kNone},
      {"only unknown keys", both, {&ed_witness()}, kNone},
  };
  for (const Case& c : cases) EXPECT_EQ(verify(c.note, keys(c.trusted)), c.want) << c.name;
}

TEST(NoteVerify, ABadTrustedSignatureFailsTheNote) {
  const Bytes good = ed_key().sign(kText);
  Bytes bad = good;
  bad[10] ^= 1;
  const std::string good_line = test_support::signature_line(ed_key().name, ed_key().key_id(), good);
  const std::string bad_pq = test_support::signature_line(pq_key().name, pq_key().key_id(), Bytes(3374, 2));
  const std::string short_sig = test_support::signature_line(ed_key().name, ed_key().key_id(), Bytes(good.begin(), good.end() - 1));
  const std::string unknown_name = test_support::signature_line("someone.else", ed_key().key_id(), bad);
  struct Case {
    const char* name;
    std::string note;
    std::string want;
  };
  const std::vector<Case> cases = {
      {"valid then invalid", kText + "\n" + good_line + bad_pq, invalid(pq_key())},
      {"63-byte ed25519 signature", kText + "\n" + short_sig, invalid(ed_key())},
      {"flipped bit",
       kText + "\n" + test_support::signature_line(ed_key().name, ed_key().key_id(), bad), invalid(ed_key())},
      {"trusted id under another name is skipped", kText + "\n" + unknown_name + good_line, "1"},
      {"text changed after signing",
       "example.com/log\n43\nq83vEjRWeJCrze8SNFZ4kKvN7xI0VniQq83vEjRWeJA=\n\n" + good_line, invalid(ed_key())},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(verify(c.note, keys({&ed_key(), &pq_key()})), c.want) << c.name;
  }
}

TEST(NoteVerify, CompositeSignatureUnderPlainContextFails) {
  // A composite signature made under another context does not verify.
  test_support::SchemeSigner s(SchemeType::EdMlDsa65, 3);
  const Bytes text(kText.begin(), kText.end());
  const Bytes wrong = s.sign("silvantrope.dev/signed-note/v2", text);
  const std::string note = kText + "\n" + test_support::signature_line(pq_key().name, pq_key().key_id(), wrong);
  EXPECT_EQ(verify(note, keys({&pq_key()})), invalid(pq_key()));
}

TEST(Checkpoint, VerifiesSignaturesBeforeTheBody) {
  const std::string bad_body = "origin\n01\nAAAA\n";
  const std::string signed_bad_body = test_support::sign_note(bad_body, {&ed_key()});
  auto trusted = keys({&ed_key()});
  auto r = checkpoint::verify_checkpoint(signed_bad_body, trusted);
  ASSERT_FALSE(r);
  EXPECT_EQ(r.error().message(), "malformed checkpoint: tree size has a leading zero: \"01\"");

  auto untrusted = checkpoint::verify_checkpoint(signed_bad_body, keys({&ed_witness()}));
  ASSERT_FALSE(untrusted);
  EXPECT_EQ(untrusted.error().message(), kNone);

  const Bytes root(32, 0x5a);
  const std::string body = test_support::checkpoint_body("example.com/log", 7, root, {"ext one"});
  auto head = checkpoint::verify_checkpoint(test_support::sign_note(body, {&cnsa_key(), &ed_key()}),
                                            keys({&ed_key(), &cnsa_key()}));
  ASSERT_TRUE(head) << head.error().message();
  EXPECT_EQ(head->origin, "example.com/log");
  EXPECT_EQ(head->size, 7u);
  EXPECT_EQ(head->root, root);
  EXPECT_EQ(head->extensions, std::vector<std::string>{"ext one"});
}

}  // namespace
}  // namespace silvantrope::note
