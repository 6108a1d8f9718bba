// SPDX-License-Identifier: Apache-2.0
// Signature lines of signed notes and checkpoints against trusted keys, with
// notes signed by the test signers.

#include <gtest/gtest.h>

#include <cstdio>

#include "checkpoint/checkpoint.h"
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
  if (!n) return n.error().message();
  auto r = verify_note_signatures(*n, keys(trusted));
  return r ? std::to_string(*r) : r.error().message();
}

std::string invalid(const NoteKey& k) {
  char id[9];
  std::snprintf(id, sizeof id, "%08x", k.key_id());
  return "invalid signature for known key \"" + k.name + "\" (key id " + id + ")";
}

std::string line(const NoteKey& k, const Bytes& sig, const std::string& name = "") {
  return test_support::signature_line(name.empty() ? k.name : name, k.key_id(), sig);
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

}  // namespace
}  // namespace silvantrope::note
