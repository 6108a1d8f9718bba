// SPDX-License-Identifier: Apache-2.0
// Writes the signed sample data under samples/ that the .sample files there
// check: a transparency log of key-history entries with checkpoints at sizes 5
// and 12, signed by the log's Ed25519 key and co-signed by a composite
// ML-DSA-65 + Ed25519 witness (log/); a CONIKS directory's lookup and absence
// proofs (coniks/); signed namespace policies, a CONIKS and a KEYTRANS
// namespace, each a genesis policy and its successor, and a tampered copy
// (policy/); a KEYTRANS directory under each of the three suites, with its
// search, fixed-version and monitoring proofs and a tampered one
// (keytrans/, and the keytrans-*.sample files that check them); a C2SP
// tlog-policy and tlog-proof@v1 files against it (tlog/, tlog-*.sample); a
// C2SP tlog-tiles mirror of 3,405 entries, partial tiles at levels 0 and 1,
// with a cosigned checkpoint, an older one, and a corrupted copy (tiles/,
// tiles-corrupted/, tiles-*.sample).
// Deterministic: a rerun reproduces the committed files.
//
// Usage: make_sample_log SAMPLES_DIR

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <stdexcept>

#include "coniks_tree.h"
#include "keytrans_directory.h"
#include "notes.h"
#include "policies.h"
#include "rfc6962_tree.h"
#include "tile_mirror.h"

namespace {

using namespace test_support;
namespace fs = std::filesystem;

std::string hex(const Bytes& b) {
  std::string s;
  for (uint8_t x : b) s += "0123456789abcdef"[x >> 4], s += "0123456789abcdef"[x & 15];
  return s + "\n";
}

std::string hex8(uint32_t v) {
  char s[9];
  std::snprintf(s, sizeof s, "%08x", v);
  return s;
}

void write(const fs::path& path, const std::string& content) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << content;
}
void write(const fs::path& path, const Bytes& content) { write(path, std::string(content.begin(), content.end())); }

// A key-history entry's canonical bytes: version 1, seq, ts_ms, the X25519,
// ML-KEM and signing keys, and no previous entry hash.
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

void write_log(const fs::path& dir) {
  const std::string origin = "transparency.silvantrope.example/keys";
  const NoteKey log_key = NoteKey::ed25519(origin, 2026);
  const NoteKey witness = NoteKey::composite("witness.silvantrope.example", SchemeType::EdMlDsa65, 2027);
  std::vector<Bytes> leaves;
  for (uint64_t i = 0; i < 12; ++i) leaves.push_back(entry(i, uint8_t(0x10 * (i % 7) + 1)));
  const Rfc6962Tree tree(leaves);
  auto checkpoint = [&](size_t n) { return sign_note(checkpoint_body(origin, n, tree.root(n)), {&log_key, &witness}); };
  const std::string cp12 = checkpoint(12);
  write(dir / "log/checkpoint-5.note", checkpoint(5));
  write(dir / "log/checkpoint-12.note", cp12);
  write(dir / "log/trusted.keys",
        "# The log's own key and its co-signing witness.\n" + log_key.verifier_key() + "\n" + witness.verifier_key() + "\n");
  std::string forged = cp12;  // the size changed after signing
  write(dir / "log/forged-13.note", forged.replace(forged.find("\n12\n"), 4, "\n13\n"));
}

// The size-12 checkpoint cosigned by two Ed25519 witnesses and one ML-DSA-44
// witness (cosigned/, and the cosigned-*.sample files), and notes with one
// cosignature line each, made or altered to show every rule of the
// cosignature check (cosigned/cases/, which tests/data/cases/cosigned.sample
// runs).
void write_cosigned(const fs::path& dir) {
  const std::string origin = "transparency.silvantrope.example/keys";
  const NoteKey log_key = NoteKey::ed25519(origin, 2026);
  std::vector<Bytes> leaves;
  for (uint64_t i = 0; i < 12; ++i) leaves.push_back(entry(i, uint8_t(0x10 * (i % 7) + 1)));
  const Bytes root = Rfc6962Tree(leaves).root(12);
  const Cosigner a{"witness-a.silvantrope.example", Ed25519Signer(2030)};
  const Cosigner b{"witness-b.example.org", Ed25519Signer(2031)};
  const Cosigner pq{"witness-pq.example.net", MlDsa44Signer(2032)};
  const Cosigner a_pq{a.name, MlDsa44Signer(2033)};  // witness a's post-quantum key
  const uint64_t t = 1767225600;
  auto note = [&](const std::string& lines, const std::vector<std::string>& ext = {}) {
    return sign_note(checkpoint_body(origin, 12, root, ext), {&log_key}) + lines;
  };
  auto line = [&](const Cosigner& c, uint64_t time, const std::vector<std::string>& ext = {}) {
    return c.line(c.cosign(origin, 12, root, ext, time));
  };
  write(dir / "cosigned/log.keys", log_key.verifier_key() + "\n");
  write(dir / "cosigned/witnesses.keys", "# Two Ed25519 witnesses and an ML-DSA-44 one.\n" + a.verifier_key() + "\n" +
                                             b.verifier_key() + "\n" + pq.verifier_key() + "\n");
  write(dir / "cosigned/checkpoint-12.note", note(line(a, t) + line(b, t) + line(pq, t)));
  Bytes forged = b.cosign(origin, 12, root, {}, t - 1);  // then restamped t
  for (int i = 0; i < 8; ++i) forged[i] = uint8_t(t >> (56 - 8 * i));
  write(dir / "cosigned/forged-12.note", note(line(a, t) + b.line(forged) + line(pq, t)));
  write(dir / "cosigned-checkpoint.sample",
        "# The sample log's checkpoint, cosigned by three witnesses.\n"
        "checkpoint --note cosigned/checkpoint-12.note --key-file cosigned/log.keys\n"
        "  --cosigner-key-file cosigned/witnesses.keys --quorum 3 --not-before " + std::to_string(t) +
        "\nexpect: valid\nexpect: origin: " + origin + "\nexpect: size: 12\nexpect: root: " + hex(root) +
        "expect: signed by: " + origin + "\nexpect: cosigned by: " + a.name +
        " at 1767225600 (2026-01-01T00:00:00Z)\nexpect: cosigned by: " + b.name +
        " at 1767225600 (2026-01-01T00:00:00Z)\nexpect: cosigned by: " + pq.name + " at 1767225600 (2026-01-01T00:00:00Z)\n");
  write(dir / "cosigned-forged.sample",
        "# Witness b's cosignature carries a timestamp other than the one it signed.\n"
        "checkpoint --note cosigned/forged-12.note --key-file cosigned/log.keys\n"
        "  --cosigner-key-file cosigned/witnesses.keys --quorum 2\n"
        "expect: invalid: invalid signature for known key \"" + b.name + "\" (key id " + hex8(b.key_id()) + ")\n");

  const fs::path cases = dir / "cosigned/cases";
  write(cases / "a.key", a.verifier_key() + "\n");
  write(cases / "a-pq.key", a_pq.verifier_key() + "\n");
  write(cases / "pq.key", pq.verifier_key() + "\n");
  const Bytes good = a.cosign(origin, 12, root, {}, t);
  auto altered = [&](size_t at) {
    Bytes c = good;
    c[at] ^= 1;
    return c;
  };
  Bytes longer = good;
  longer.push_back(0);
  const Cosigner renamed{a.name + "x", Ed25519Signer(2030)};
  const std::vector<std::pair<std::string, std::string>> lines = {
      {"a-and-a-pq", line(a, t) + line(a_pq, t)},
      {"unlisted", line(b, t) + signature_line(b.name + "x", b.key_id(), altered(70)) + line(a, t)},
      {"renamed", signature_line(renamed.name, a.key_id(), good)},
      // b's key id under another name, another timestamp, before b's own line.
      {"impostor", signature_line(b.name + "x", b.key_id(), altered(7)) + line(b, t)},
      {"key-id", signature_line(a.name, a.key_id() ^ 1, good)},
      {"time", a.line(altered(7))},
      {"signature", a.line(altered(40))},
      {"short", a.line(Bytes(good.begin(), good.end() - 1))},
      {"long", a.line(longer)},
      {"max-time", line(a, (uint64_t{1} << 63) - 1)},
      {"over-time", line(a, uint64_t{1} << 63)},
      {"year-9999", line(a, 253402300799)},  // 9999-12-31T23:59:59Z, the last second slog dates
      {"year-10000", line(a, 253402300800)},
      {"pq-time-0", line(pq, 0)},
      {"pq-signature", pq.line([&] { Bytes c = pq.cosign(origin, 12, root, {}, t); c[100] ^= 1; return c; }())},
      {"pq-time", pq.line([&] { Bytes c = pq.cosign(origin, 12, root, {}, t); c[7] ^= 1; return c; }())},
  };
  for (const auto& [name, l] : lines) write(cases / (name + ".note"), note(l));
  // Extension lines added after the witnesses signed: Ed25519 covers them, ML-DSA-44 does not.
  write(cases / "ext-ed25519.note", note(line(a, t), {"ext"}));
  write(cases / "ext-pq.note", note(line(pq, t), {"ext"}));
}

std::string replaced(std::string s, const std::string& from, const std::string& to) {
  const size_t at = s.find(from);
  if (at == std::string::npos) throw std::runtime_error("no " + from);
  return s.replace(at, from.size(), to);
}

// A C2SP tlog-policy with a composite-signed log and two nested witness
// groups over Ed25519 and ML-DSA-44 witnesses, tlog-proof@v1 files against
// it (valid, failing its quorum, tampered), and the variants that
// tests/data/cases/tlog.sample runs (tlog/cases/).
void write_tlog(const fs::path& dir) {
  const std::string origin = "tlog.silvantrope.example/entries";
  const NoteKey log_key = NoteKey::composite(origin, SchemeType::EdMlDsa44, 2040);
  const NoteKey other_log = NoteKey::ed25519("other.silvantrope.example/log", 2041);
  const Cosigner ed1{"ed1.witness.example", Ed25519Signer(2042)}, ed2{"ed2.witness.example", Ed25519Signer(2043)},
      ed3{"ed3.witness.example", Ed25519Signer(2044)}, pq1{"pq1.witness.example", MlDsa44Signer(2045)},
      pq2{"pq2.witness.example", MlDsa44Signer(2046)};
  const uint64_t t = 1767225600;
  auto leaves = [](size_t n) {
    std::vector<Bytes> out;
    for (size_t i = 0; i < n; ++i) {
      const std::string e = "entry " + std::to_string(i) + "\n";
      out.emplace_back(e.begin(), e.end());
    }
    return out;
  };
  const Rfc6962Tree tree(leaves(7)), one(leaves(1));
  auto checkpoint = [&](size_t size, const Bytes& root, const std::vector<std::pair<const Cosigner*, uint64_t>>& by) {
    std::string note = sign_note(checkpoint_body(origin, size, root), {&log_key});
    for (const auto& [c, time] : by) note += c->line(c->cosign(origin, size, root, {}, time));
    return note;
  };
  auto proof = [&](const std::string& extra, uint64_t index, const std::vector<Bytes>& hashes, const std::string& cp) {
    std::string p = "c2sp.org/tlog-proof@v1\n" + (extra.empty() ? "" : "extra " + extra + "\n") +
                    "index " + std::to_string(index) + "\n";
    for (const Bytes& h : hashes) p += base64(h) + "\n";
    return p + "\n" + cp;
  };
  auto policy = [&](const std::string& groups) {
    return "# Trust for " + origin + ": its composite key, and witnesses.\n"
           "log " + log_key.verifier_key() + " https://tlog.silvantrope.example/\n"
           "log " + other_log.verifier_key() + "\n\n"
           "witness ed1 " + ed1.verifier_key() + "\nwitness ed2 " + ed2.verifier_key() + "\nwitness ed3 " +
           ed3.verifier_key() + "\nwitness pq1 " + pq1.verifier_key() + " https://pq1.witness.example/\n"
           "witness pq2 " + pq2.verifier_key() + "\n\n" + groups;
  };
  const std::string main_groups = "group classic 2 ed1 ed2 ed3\ngroup pq any pq1 pq2\ngroup both all classic pq\nquorum both\n";
  // ed1 cosigned twice, pq2 long ago.
  const std::string cp7 = checkpoint(7, tree.root(7), {{&ed1, t - 10}, {&ed2, t}, {&pq1, t}, {&ed1, t}, {&pq2, t - 100}});
  const std::string cp7_short = checkpoint(7, tree.root(7), {{&ed1, t}, {&pq1, t}});
  const std::vector<Bytes> path = tree.inclusion_proof(4, 7);
  const std::string extra = base64(Bytes{'s', 'e', 'q', ' ', '4'});
  const std::string valid = proof(extra, 4, path, cp7);
  std::vector<Bytes> tampered_path = path;
  tampered_path[1][0] ^= 1;

  write(dir / "tlog/policy.txt", policy(main_groups));
  write(dir / "tlog/entry-4.txt", "entry 4\n");
  write(dir / "tlog/checkpoint-7.note", cp7);
  write(dir / "tlog/proof-4.txt", valid);
  write(dir / "tlog/proof-4-quorum.txt", proof(extra, 4, path, cp7_short));
  write(dir / "tlog/proof-4-tampered.txt", proof(extra, 4, tampered_path, cp7));
  const std::string common = "  --policy tlog/policy.txt ";
  write(dir / "tlog-proof.sample",
        "# Entry 4 of a composite-signed log, cosigned by two of three Ed25519 and one of two\n"
        "# ML-DSA-44 witnesses, as the policy's nested groups demand.\n"
        "tlog-proof" + common + "--entry tlog/entry-4.txt --not-before " + std::to_string(t - 50) +
        " tlog/proof-4.txt\nexpect: valid\nexpect: index: 4\nexpect: extra (not signed): 7365712034\nexpect: origin: " + origin +
        "\nexpect: size: 7\nexpect: root: " + hex(tree.root(7)) + "expect: signed by: " + origin +
        "\nexpect: cosigned by: ed1 at " + std::to_string(t) + " (2026-01-01T00:00:00Z)\nexpect: cosigned by: ed2 at " +
        std::to_string(t) + " (2026-01-01T00:00:00Z)\nexpect: cosigned by: pq1 at " + std::to_string(t) +
        " (2026-01-01T00:00:00Z)\nexpect: cosigned by: pq2 at " + std::to_string(t - 100) +
        " (2025-12-31T23:58:20Z), before --not-before: not counted\n");
  write(dir / "tlog-proof-quorum.sample",
        "# Only one of the Ed25519 witnesses cosigned: the group of classic witnesses fails.\n"
        "tlog-proof" + common + "--entry tlog/entry-4.txt tlog/proof-4-quorum.txt\n"
        "expect: invalid: witness quorum not met: group \"both\" has 1 of the 2 members it needs\n");
  write(dir / "tlog-proof-tampered.sample",
        "# A proof hash changed after the proof was made.\n"
        "tlog-proof" + common + "--entry tlog/entry-4.txt tlog/proof-4-tampered.txt\n"
        "expect: invalid: root mismatch: recomputed root does not match the expected root\n");

  // Variants: quorums, proofs with one field changed, the one-leaf tree.
  const fs::path cases = dir / "tlog/cases";
  write(cases / "classic-3.policy", policy("group classic 3 ed1 ed2 ed3\ngroup pq any pq1 pq2\ngroup both all classic pq\nquorum both\n"));
  write(cases / "none.policy", policy("quorum none\n"));
  // A Latin-1 comment: C2SP tlog-policy lets octets of 0x80 and above stand opaque.
  write(cases / "pq2.policy", policy("# pq2 witnesses from Z\xfcrich\nquorum pq2\n"));
  write(cases / "other-log.policy", "log " + other_log.verifier_key() + "\nquorum none\n");
  write(cases / "one-leaf.txt", proof("", 0, {}, checkpoint(1, one.root(1), {{&ed1, t}, {&ed2, t}, {&pq2, t}})));
  write(cases / "bad-cosignature.note",
        replaced(cp7, ed2.line(ed2.cosign(origin, 7, tree.root(7), {}, t)),
                 ed2.line(ed2.cosign(origin, 7, tree.root(7), {}, t - 1)).substr(0, 40) +
                     ed2.line(ed2.cosign(origin, 7, tree.root(7), {}, t)).substr(40)));
  const std::string hash1 = base64(path[1]) + "\n";
  const std::vector<std::pair<std::string, std::string>> mutated = {
      {"header", replaced(valid, "tlog-proof@v1", "tlog-proof@v2")},
      {"extra-base64", replaced(valid, "extra " + extra, "extra " + extra.substr(1) + "!")},
      {"extra-empty", replaced(valid, "extra " + extra, "extra ")},
      {"no-extra", replaced(valid, "extra " + extra + "\n", "")},
      {"index-zero", replaced(valid, "index 4\n", "index 04\n")},
      {"index-decimal", replaced(valid, "index 4\n", "index 0x4\n")},
      {"index-overflow", replaced(valid, "index 4\n", "index 18446744073709551616\n")},
      {"index-5", replaced(valid, "index 4\n", "index 5\n")},
      {"index-7", replaced(valid, "index 4\n", "index 7\n")},
      {"no-index", replaced(valid, "index 4\n", "")},
      {"cut-after-extra", valid.substr(0, valid.find("index 4\n"))},
      {"cut-after-hashes", valid.substr(0, valid.find("\n\n") + 1)},
      {"cut-after-blank", valid.substr(0, valid.find("\n\n") + 2)},
      {"hash-base64", replaced(valid, hash1, "!" + hash1.substr(1))},
      {"hash-short", replaced(valid, hash1, base64(Bytes(path[1].begin(), path[1].end() - 1)) + "\n")},
      {"hash-dropped", replaced(valid, hash1, "")},
      {"hash-added", replaced(valid, hash1, hash1 + hash1)},
      {"no-blank", replaced(valid, "\n\n" + origin, "\n" + origin)},
      {"checkpoint-size", replaced(valid, origin + "\n7\n", origin + "\n8\n")},
      {"trailing", valid + "junk\n"},
  };
  for (const auto& [name, text] : mutated) write(cases / (name + ".txt"), text);
}

void write_coniks(const fs::path& dir) {
  ConiksDirectory directory("chat.silvantrope.example", VrfProver::from_seed(2028));
  auto id = [](const std::string& s) { return Bytes(s.begin(), s.end()); };
  directory.put(id("alice@chat.example"), id("x25519:8f2a...;mlkem768:41c0..."));
  directory.put(id("bob@chat.example"), id("x25519:77d1...;mlkem768:0b9e..."));
  directory.put(id("carol@chat.example"), {});
  write(dir / "coniks/alice.lookup", hex(directory.lookup_proof(id("alice@chat.example"))));
  write(dir / "coniks/carol.lookup", hex(directory.lookup_proof(id("carol@chat.example"))));
  write(dir / "coniks/mallory.absence", hex(directory.absence_proof(id("mallory@chat.example"))));
}

void write_policies(const fs::path& dir) {
  const SchemeSigner signer(SchemeType::Ed448MlDsa65, 2029);
  PolicyFields coniks;
  coniks.ns = "chat.silvantrope.example", coniks.level = 3, coniks.suite = 1, coniks.hash = 1;
  PolicyFields keytrans = PolicyFields::keytrans_p256();
  keytrans.ns = "kt.silvantrope.example", keytrans.suite = 3;
  const auto successor = [](PolicyFields f, uint8_t suite) {
    f.prev = sha3_512_with_context(policy_label(f), canonical_policy_record(f));
    f.level = 5, f.hash = 2, f.suite = suite, f.effective_from = 4096, f.created_at += 86400000;
    return f;
  };
  const PolicyFields coniks_successor = successor(coniks, 2);
  write(dir / "policy/coniks-genesis.policy", signed_policy(coniks, signer));
  write(dir / "policy/coniks-successor.policy", signed_policy(coniks_successor, signer));
  write(dir / "policy/keytrans-genesis.policy", signed_policy(keytrans, signer));
  write(dir / "policy/keytrans-successor.policy", signed_policy(successor(keytrans, 2), signer));
  PolicyFields moved = coniks_successor;  // effective_from moved back after signing
  moved.effective_from = 0;
  write(dir / "policy/coniks-tampered.policy",
        policy_envelope(policy_record(moved), signer.public_key(),
                        signer.sign(policy_label(coniks_successor), canonical_policy_record(coniks_successor))));
}

// One directory's contents under a suite: alice's keys in three versions,
// bob's in one, and others around them, published over five log entries.
void write_keytrans(const fs::path& dir, keytrans::Suite suite, const std::string& name) {
  const std::string context = "chat.silvantrope.example/keytrans/v1";
  keytrans::Directory d(suite, context, keytrans::vrf_for(suite, 2029));
  auto id = [](const std::string& s) { return Bytes(s.begin(), s.end()); };
  for (int e = 0; e < 5; ++e) {
    for (int u = 0; u < 4; ++u) d.set(id("user" + std::to_string(4 * e + u) + "@chat.example"), id("x25519:" + std::to_string(u)));
    if (e < 3) d.set(id("alice@chat.example"), id("x25519:8f2a...;mlkem768:41c" + std::to_string(e)));
    if (e == 1) d.set(id("bob@chat.example"), id("x25519:77d1...;mlkem768:0b9e..."));
    d.publish(1767225600000 + 3600000 * e);
  }
  keytrans::Proof tampered = d.search(id("alice@chat.example"));
  tampered.revealed.value.back() ^= 1;
  const std::string suite_arg = suite == keytrans::HybridExp ? "" : " --suite " + std::string(suite == keytrans::P256 ? "0x0001" : "0x0002");
  auto flat = [](const Bytes& b) {
    std::string h = hex(b);
    h.pop_back();
    return h;
  };
  // The standard suites' commitments take no context.
  const std::string context_arg = suite == keytrans::HybridExp ? "  --context " + context + "\n" : "";
  const std::string common = context_arg + "  --vrf-public " + flat(d.vrf().public_key) + "\n  --root " +
                             flat(d.root()) + "\n";
  std::string sample = "# KEYTRANS proofs under " + name + ", generated by make_sample_log.\n";
  auto add = [&](const std::string& what, const std::string& kind, const std::string& label, const std::string& file,
                 const keytrans::Proof& proof, const std::string& expect) {
    write(dir / ("keytrans/" + name + "/" + file), hex(keytrans::encode(proof)));
    sample += "# " + what + "\nkeytrans " + kind + suite_arg + "\n" + common + "  --label-text " + label +
              " --proof-file keytrans/" + name + "/" + file + "\nexpect: " + expect + "\n";
  };
  const Bytes alice = id("alice@chat.example");
  add("alice's current keys: the greatest of her three versions", "search", "alice@chat.example", "alice.search",
      d.search(alice), "valid: present, value " + flat(id("x25519:8f2a...;mlkem768:41c2")));
  add("mallory is not in the directory", "search", "mallory@chat.example", "mallory.search", d.search(id("mallory@chat.example")),
      "valid: absent");
  add("alice's second version", "fixed", "alice@chat.example", "alice-1.fixed", d.fixed_version(alice, 1),
      "valid: present, value " + flat(id("x25519:8f2a...;mlkem768:41c1")));
  add("alice's third version and the versions it depends on are all present", "monitor", "alice@chat.example",
      "alice-2.monitor", d.monitor(alice, 2), "valid");
  add("a revealed value changed after the proof was made", "search", "alice@chat.example", "alice-tampered.search",
      tampered, "invalid: commitment did not open to the claimed value");
  write(dir / ("keytrans-" + name + ".sample"), sample);
}

// A tiled log of 3,405 = 13 x 256 + 77 entries: level 0 has thirteen full
// tiles and tile/0/013.p/77, level 1 only tile/1/000.p/13. Its checkpoint is
// cosigned by the policy's witness; the checkpoint at size 1,000 is the older
// one for the consistency sample, and a fork of it (entry 999 differs, signed
// and cosigned all the same) the one the log does not extend; at size 257
// both levels end in a tile of width 1; at size 0 there is one with the
// empty tree's root and one with another; a checkpoint
// of the largest size a log can state (2^64 - 1), signed and cosigned, lies
// about a mirror that holds 3,405 entries. The corrupted
// copy has one bit flipped in hash 17 of tile/0/005.
const std::string kTilesOrigin = "tiles.silvantrope.example/log";

std::vector<Bytes> tiled_entries(uint64_t n) {
  std::vector<Bytes> entries;
  for (uint64_t i = 0; i < n; ++i) {
    const std::string e = "tiled entry " + std::to_string(i) + "\n";
    entries.emplace_back(e.begin(), e.end());
  }
  return entries;
}

// The sample tiled log's key and its witness; a checkpoint of any size and
// root, signed and cosigned by them.
struct TilesSigners {
  static constexpr uint64_t kAt = 1767225600;
  const NoteKey log_key = NoteKey::ed25519(kTilesOrigin, 2050);
  const Cosigner witness{"w1.witness.example", Ed25519Signer(2051)};

  std::string checkpoint(uint64_t size, const Bytes& root) const {
    return sign_note(checkpoint_body(kTilesOrigin, size, root), {&log_key}) +
           witness.line(witness.cosign(kTilesOrigin, size, root, {}, kAt));
  }
};

void write_tiles(const fs::path& dir) {
  const std::string origin = kTilesOrigin;
  const TilesSigners signers;
  const NoteKey& log_key = signers.log_key;
  const Cosigner& witness = signers.witness;
  const uint64_t t = TilesSigners::kAt;
  const std::vector<Bytes> entries = tiled_entries(3405);
  const TileMirror mirror = make_mirror(entries);
  const Rfc6962Tree tree(entries);
  std::vector<Bytes> forked_entries(entries.begin(), entries.begin() + 1000);
  forked_entries.back().push_back('!');
  const Rfc6962Tree forked(forked_entries);
  auto checkpoint = [&](uint64_t size, const Rfc6962Tree& of) { return signers.checkpoint(size, of.root(size)); };
  write_mirror(mirror, (dir / "tiles/log").string(), checkpoint(3405, tree));
  TileMirror corrupted = mirror;
  corrupted.files.at("tile/0/005")[17 * 32 + 9] ^= 0x04;
  write_mirror(corrupted, (dir / "tiles-corrupted/log").string(), checkpoint(3405, tree));
  write(dir / "tiles/checkpoint-1000", checkpoint(1000, tree));
  write(dir / "tiles/checkpoint-257", checkpoint(257, tree));
  write(dir / "tiles/checkpoint-1", checkpoint(1, tree));
  write(dir / "tiles/checkpoint-0", checkpoint(0, tree));
  write(dir / "tiles/checkpoint-0-wrong-root", signers.checkpoint(0, tree.root(1)));  // a root no empty tree has
  write(dir / "tiles/checkpoint-1000-forked", checkpoint(1000, forked));
  write(dir / "tiles/checkpoint-largest", signers.checkpoint(~uint64_t{0}, tree.root(3405)));
  write(dir / "tiles/entry-2024.txt", "tiled entry 2024\n");
  write(dir / "tiles/policy.txt", "# " + origin + " and its witness.\nlog " + log_key.verifier_key() +
                                      "\nwitness w1 " + witness.verifier_key() + "\nquorum w1\n");
  const std::string common = " --policy tiles/policy.txt ";
  const std::string head = "expect: origin: " + origin + "\nexpect: size: 3405\nexpect: root: " + hex(tree.root(3405)) +
                           "expect: signed by: " + origin + "\nexpect: cosigned by: w1 at " + std::to_string(t) +
                           " (2026-01-01T00:00:00Z)\n";
  write(dir / "tiles-inclusion.sample",
        "# Entry 2024 of the tiled log, from the three tiles its proof needs.\n"
        "tiles inclusion" + common + "--index 2024 --entry tiles/entry-2024.txt tiles/log\n"
        "expect: valid\nexpect: index: 2024\nexpect: tile: tile/0/007\nexpect: tile: tile/0/013.p/77\n"
        "expect: tile: tile/1/000.p/13\n" + head +
        "# The same entry claimed at another index.\n"
        "tiles inclusion" + common + "--index 2025 --entry tiles/entry-2024.txt tiles/log\n"
        "expect: invalid: root mismatch: recomputed root does not match the expected root\n");
  write(dir / "tiles-consistency.sample",
        "# The tree of 3,405 entries extends the one of 1,000.\n"
        "tiles consistency" + common + "tiles/checkpoint-1000 tiles/log\nexpect: valid\nexpect: old size: 1000\n"
        "expect: tile: tile/0/003\nexpect: tile: tile/0/013.p/77\nexpect: tile: tile/1/000.p/13\n" + head +
        "# A checkpoint of 1,000 entries that the log does not extend: its entry 999 differs.\n"
        "tiles consistency" + common + "tiles/checkpoint-1000-forked tiles/log\n"
        "expect: invalid: root mismatch: recomputed root does not match the expected root\n");
  write(dir / "tiles-audit.sample",
        "# Every tile against its bundle, the level above and the root.\n"
        "tiles audit" + common + "--threads 2 tiles/log\nexpect: valid\nexpect: entries: 3405\nexpect: bundles: 14\n"
        "expect: tiles: 15\n" + head +
        "# One flipped bit in a level-0 tile.\n"
        "tiles audit" + common + "--threads 2 tiles-corrupted/log\n"
        "expect: invalid: tile/entries/005 does not match tile/0/005\n");
}

// The same log at 256,001 = 1000 x 256 + 1 entries, too large to bundle:
// level-0 tiles up to tile/0/x001/000.p/1 (so index 999 is the last without
// an x element), a level 1 of three full tiles and tile/1/003.p/232, and
// tile/2/000.p/3. Its checkpoint is signed and cosigned as the samples' are,
// so the sample policy holds.
void write_large_mirror(const fs::path& dir) {
  const std::vector<Bytes> entries = tiled_entries(256001);
  write_mirror(make_mirror(entries), dir.string(),
               TilesSigners().checkpoint(entries.size(), Rfc6962Tree(entries).root(entries.size())));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string_view(argv[1]) == "--large-mirror") {
    write_large_mirror(argv[2]);
    return 0;
  }
  if (argc != 2 || argv[1][0] == '-') {  // an option is never a folder to write into
    std::cerr << "usage: make_sample_log SAMPLES_DIR | make_sample_log --large-mirror DIR\n";
    return 2;
  }
  write_log(argv[1]);
  write_cosigned(argv[1]);
  write_tlog(argv[1]);
  write_tiles(argv[1]);
  write_coniks(argv[1]);
  write_policies(argv[1]);
  write_keytrans(argv[1], keytrans::HybridExp, "hybrid-exp");
  write_keytrans(argv[1], keytrans::Ed25519, "ed25519");
  write_keytrans(argv[1], keytrans::P256, "p256");
  return 0;
}
