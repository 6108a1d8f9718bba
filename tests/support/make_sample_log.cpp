// Writes the signed sample data that `slog samples` verifies: a transparency
// log of key-history entries with checkpoints at sizes 5 and 12, signed by the
// log's Ed25519 key and co-signed by a composite ML-DSA-65 + Ed25519 key; a
// CONIKS directory with lookup and absence proofs; signed namespace policies
// (a CONIKS and a KEYTRANS namespace, each a genesis policy and its
// successor, and a tampered copy); and the .sample files that check them. Everything is deterministic, so a rerun reproduces the committed
// files byte for byte.
//
// Usage: make_sample_log SAMPLES_DIR

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "coniks_tree.h"
#include "notes.h"
#include "policies.h"
#include "rfc6962_tree.h"

namespace {

using test_support::Bytes;
using test_support::NoteKey;

std::string hex(const Bytes& b) {
  std::string s;
  for (uint8_t x : b) {
    char buf[3];
    std::snprintf(buf, sizeof buf, "%02x", x);
    s += buf;
  }
  return s;
}

void write(const std::filesystem::path& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary);
  out << content;
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

// A key-history entry's canonical bytes: version 1, seq, ts_ms, then the
// X25519, ML-KEM and signing keys and the previous entry hash, each with a
// 4-byte length.
Bytes entry(uint64_t seq, uint8_t user) {
  Bytes out;
  auto u32 = [&](uint32_t v) { for (int s = 24; s >= 0; s -= 8) out.push_back(uint8_t(v >> s)); };
  auto u64 = [&](uint64_t v) { for (int s = 56; s >= 0; s -= 8) out.push_back(uint8_t(v >> s)); };
  auto field = [&](size_t n, uint8_t fill) { u32(uint32_t(n)); out.insert(out.end(), n, fill); };
  u32(1);
  u64(seq);
  u64(1767225600000 + seq * 3600000);
  field(32, user);
  field(1184, uint8_t(user + 1));
  field(32, uint8_t(user + 2));
  u32(0);
  return out;
}

std::string text_bytes(const std::string& s) { return hex(Bytes(s.begin(), s.end())); }

void write_coniks_samples(const std::filesystem::path& dir) {
  std::filesystem::create_directories(dir / "coniks");
  const std::string ns = "chat.silvantrope.example";
  test_support::ConiksDirectory directory(ns, test_support::VrfProver::from_seed(2028));
  const std::vector<std::pair<std::string, std::string>> users = {
      {"alice@chat.example", "x25519:8f2a...;mlkem768:41c0..."},
      {"bob@chat.example", "x25519:77d1...;mlkem768:0b9e..."},
      {"carol@chat.example", ""},
  };
  for (const auto& [user, value] : users) directory.put(Bytes(user.begin(), user.end()), Bytes(value.begin(), value.end()));

  auto id = [](const std::string& s) { return Bytes(s.begin(), s.end()); };
  write(dir / "coniks/alice.lookup", hex(directory.lookup_proof(id("alice@chat.example"))) + "\n");
  write(dir / "coniks/carol.lookup", hex(directory.lookup_proof(id("carol@chat.example"))) + "\n");
  write(dir / "coniks/mallory.absence", hex(directory.absence_proof(id("mallory@chat.example"))) + "\n");

  const std::string common = "  --namespace " + ns + "\n  --vrf-public " + hex(directory.vrf_public()) +
                             "\n  --root " + hex(directory.root()) + "\n";
  write(dir / "coniks-lookup-alice.sample",
        "# alice's value, proven present in the directory.\n"
        "coniks lookup\n" + common + "  --identity-text alice@chat.example --proof-file coniks/alice.lookup\n"
        "expect: valid: value " + text_bytes(users[0].second) + "\n");
  write(dir / "coniks-lookup-empty-value.sample",
        "# carol is present with an empty value.\n"
        "coniks lookup\n" + common + "  --identity-text carol@chat.example --proof-file coniks/carol.lookup\n"
        "expect: valid: empty value\n");
  write(dir / "coniks-absence-mallory.sample",
        "# mallory is provably not in the directory.\n"
        "coniks absence\n" + common + "  --identity-text mallory@chat.example --proof-file coniks/mallory.absence\n"
        "expect: valid\n");
  write(dir / "coniks-lookup-wrong-identity.sample",
        "# alice's proof does not speak for bob: the VRF proof is bound to the identity.\n"
        "coniks lookup\n" + common + "  --identity-text bob@chat.example --proof-file coniks/alice.lookup\n"
        "expect: invalid: vrf proof did not verify against the namespace public key\n");
  write(dir / "coniks-lookup-old-root.sample",
        "# Checked against the root of the empty directory, the proof does not hold.\n"
        "coniks lookup\n  --namespace " + ns + "\n  --vrf-public " + hex(directory.vrf_public()) +
            "\n  --root " + hex(directory.empty_root()) +
            "\n  --identity-text alice@chat.example --proof-file coniks/alice.lookup\n"
        "expect: invalid: coniks proof root mismatch: recomputed directory root does not match the expected root\n");

  const Bytes opening(32, 0x42);
  const std::string value = "hello";
  Bytes committed = opening;
  committed.insert(committed.end(), value.begin(), value.end());
  const Bytes commitment = test_support::sha3_512_with_context("chat.example/message-commitment/v1", committed);
  write(dir / "commitment-opens.sample",
        "# A commitment opened with its value and opening.\n"
        "commitment --context chat.example/message-commitment/v1\n  --commitment " + hex(commitment) +
            "\n  --value " + text_bytes(value) + "\n  --opening " + hex(opening) + "\nexpect: valid\n");
  write(dir / "commitment-wrong-value.sample",
        "# The same commitment does not open to another value.\n"
        "commitment --context chat.example/message-commitment/v1\n  --commitment " + hex(commitment) +
            "\n  --value " + text_bytes("hellO") + "\n  --opening " + hex(opening) +
            "\nexpect: invalid: commitment did not open to the claimed value\n");
}

// The posture lines `slog policy` prints, with both hashes recomputed here.
std::string posture_lines(const test_support::PolicyFields& f) {
  const Bytes canonical = test_support::canonical_policy_record(f);
  const char* suites[] = {"", "Hybrid", "HybridMatched", "PureCnsa2"};
  const char* kt = f.keytrans == 1 ? "Kt128Sha256P256" : f.keytrans == 2 ? "Kt128Sha256Ed25519" : "SilvantropeHybridExp";
  std::string out = "expect: valid\n";
  for (const std::string& line :
       {"namespace: " + f.ns, "policy_schema_version: " + std::to_string(f.schema),
        std::string("security_level: ") + (f.level == 3 ? "Cat3" : "Cat5"), std::string("checkpoint_suite: ") + suites[f.suite],
        std::string("commitment_hash: ") + (f.hash == 1 ? "Sha3_256" : "Sha3_512"), std::string("vrf_mode: Classical"),
        std::string("directory_mode: ") + (f.mode == 1 ? "Coniks" : "Keytrans"), std::string("keytrans_suite: ") + kt,
        "effective_from: " + std::to_string(f.effective_from), "created_at: " + std::to_string(f.created_at),
        "policy_hash: " + hex(test_support::sha3_512_with_context(test_support::policy_label(f), canonical)),
        "rfc6962_leaf_hash: " + hex(test_support::leaf_hash(canonical))}) {
    out += "expect: " + line + "\n";
  }
  return out;
}

void write_policy_samples(const std::filesystem::path& dir) {
  std::filesystem::create_directories(dir / "policy");
  const test_support::SchemeSigner signer(test_support::SchemeType::Ed448MlDsa65, 2029);
  test_support::PolicyFields coniks;
  coniks.ns = "chat.silvantrope.example", coniks.level = 3, coniks.suite = 1, coniks.hash = 1;
  test_support::PolicyFields keytrans = test_support::PolicyFields::keytrans_p256();
  keytrans.ns = "kt.silvantrope.example", keytrans.suite = 3;
  const auto successor = [](test_support::PolicyFields f, uint8_t suite) {
    f.prev = test_support::sha3_512_with_context(test_support::policy_label(f), test_support::canonical_policy_record(f));
    f.level = 5, f.hash = 2, f.suite = suite, f.effective_from = 4096, f.created_at += 86400000;
    return f;
  };
  const std::pair<std::string, test_support::PolicyFields> policies[] = {
      {"coniks-genesis", coniks}, {"coniks-successor", successor(coniks, 2)},
      {"keytrans-genesis", keytrans}, {"keytrans-successor", successor(keytrans, 2)}};
  for (const auto& [name, f] : policies) {
    const Bytes envelope = test_support::signed_policy(f, signer);
    write(dir / ("policy/" + name + ".policy"), std::string(envelope.begin(), envelope.end()));
    write(dir / ("policy-" + name + ".sample"),
          "# The posture a signed " + name + " policy declares, with its policy hash (what a\n"
          "# successor's prev_policy_hash names) and its RFC 6962 leaf hash in the policy log.\n"
          "policy --envelope policy/" + name + ".policy\n" + posture_lines(f));
  }
  test_support::PolicyFields moved = policies[1].second;
  moved.effective_from = 0;
  const Bytes tampered = test_support::policy_envelope(test_support::policy_record(moved), signer.public_key(),
      signer.sign(test_support::policy_label(policies[1].second), test_support::canonical_policy_record(policies[1].second)));
  write(dir / "policy/coniks-tampered.policy", std::string(tampered.begin(), tampered.end()));
  write(dir / "policy-coniks-tampered.sample",
        "# The successor with effective_from moved back to 0 after signing.\n"
        "policy --envelope policy/coniks-tampered.policy\n"
        "expect: invalid: invalid signature for known key \"" + coniks.ns + "/namespace-policy\" (key id 00000000)\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: make_sample_log SAMPLES_DIR\n";
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  std::filesystem::create_directories(dir / "log");

  const std::string origin = "transparency.silvantrope.example/keys";
  const NoteKey log_key = NoteKey::ed25519(origin, 2026);
  const NoteKey witness = NoteKey::composite("witness.silvantrope.example", test_support::SchemeType::EdMlDsa65, 2027);
  const NoteKey stranger = NoteKey::ed25519("stranger.example", 99);

  std::vector<Bytes> leaves;
  for (uint64_t i = 0; i < 12; ++i) leaves.push_back(entry(i, uint8_t(0x10 * (i % 7) + 1)));
  const test_support::Rfc6962Tree tree(leaves);

  auto checkpoint = [&](size_t n) {
    return test_support::sign_note(test_support::checkpoint_body(origin, n, tree.root(n)), {&log_key, &witness});
  };
  const std::string cp5 = checkpoint(5), cp12 = checkpoint(12);
  write(dir / "log/checkpoint-5.note", cp5);
  write(dir / "log/checkpoint-12.note", cp12);
  write(dir / "log/trusted.keys", "# The log's own key and its co-signing witness.\n" + log_key.verifier_key() + "\n" +
                                      witness.verifier_key() + "\n");
  // The size line changed after signing: both signatures now fail.
  std::string forged = cp12;
  forged.replace(forged.find("\n12\n"), 4, "\n13\n");
  write(dir / "log/forged-13.note", forged);

  char log_id[9];
  std::snprintf(log_id, sizeof log_id, "%08x", log_key.key_id());
  const std::string head = "expect: valid\nexpect: origin: " + origin + "\nexpect: size: 12\nexpect: root: " +
                           hex(tree.root(12)) + "\n";
  std::string proof3;
  for (const Bytes& p : tree.inclusion_proof(3, 12)) proof3 += "  --proof " + hex(p) + "\n";
  std::string proof5;
  for (const Bytes& p : tree.consistency_proof(5, 12)) proof5 += "  --proof " + hex(p) + "\n";

  write(dir / "signed-log-checkpoint.sample",
        "# The signed checkpoint of a log of key-history entries.\n"
        "checkpoint --note log/checkpoint-12.note --key-file log/trusted.keys\n" + head);
  write(dir / "signed-log-note.sample",
        "# Both trusted signatures verify: plain Ed25519 and composite ML-DSA-65 + Ed25519.\n"
        "note --note log/checkpoint-12.note --key-file log/trusted.keys\n"
        "expect: valid: 2 trusted signatures\n");
  write(dir / "signed-log-inclusion.sample",
        "# Entry 3 is in the tree that the size-12 checkpoint signs.\n"
        "checkpoint --note log/checkpoint-12.note --key-file log/trusted.keys --inclusion\n"
        "  --index 3 --leaf " + hex(test_support::leaf_hash(leaves[3])) + "\n" + proof3 +
        "expect: valid\n");
  write(dir / "signed-log-consistency.sample",
        "# The size-12 checkpoint extends the size-5 one.\n"
        "checkpoint --note log/checkpoint-5.note --key-file log/trusted.keys\n"
        "  --consistency log/checkpoint-12.note\n" + proof5 + "expect: valid\n");
  write(dir / "signed-log-forged.sample",
        "# The tree size was changed after signing.\n"
        "checkpoint --note log/forged-13.note --key-file log/trusted.keys\n"
        "expect: invalid: invalid signature for known key \"" + origin + "\" (key id " + log_id + ")\n");
  write(dir / "signed-log-untrusted.sample",
        "# Signatures from keys the caller does not trust do not count.\n"
        "checkpoint --note log/checkpoint-12.note --key " + stranger.verifier_key() + "\n"
        "expect: invalid: note has no verifiable signature from a trusted key\n");
  write_coniks_samples(dir);
  write_policy_samples(dir);
  return 0;
}
