// Writes the signed sample log that `slog samples` verifies: a transparency
// log of key-history entries with checkpoints at sizes 5 and 12, signed by the
// log's Ed25519 key and co-signed by a composite ML-DSA-65 + Ed25519 key,
// plus the .sample files that check them. Everything is deterministic, so a
// rerun reproduces the committed files byte for byte.
//
// Usage: make_sample_log SAMPLES_DIR

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "notes.h"
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
  return 0;
}
