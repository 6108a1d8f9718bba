// SPDX-License-Identifier: Apache-2.0
// The installed C++ header, compiled as a C++17 consumer compiles it (with
// -Wall -Wextra -Werror), calling every export once through its typed
// function. Each row renders a call's Result as text; a row per export is
// required, so an export the header does not wrap fails here.
//
// usage: header_test SAMPLES_DIR

#include <silvantrope_log.hpp>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace sl = silvantrope_log;
using sl::Bytes;

namespace {

std::string dir;

std::string file(const std::string& name) {
  std::ifstream in(dir + "/" + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}
Bytes bytes(const std::string& s) { return Bytes(s.begin(), s.end()); }
Bytes unhex(const std::string& h) {
  Bytes out;
  for (size_t i = 0; i + 1 < h.size(); i += 2) out.push_back(static_cast<uint8_t>(std::stoi(h.substr(i, 2), nullptr, 16)));
  return out;
}
std::string hex(const Bytes& b) {
  std::string s;
  for (uint8_t x : b) s += "0123456789abcdef"[x >> 4], s += "0123456789abcdef"[x & 15];
  return s;
}

std::string show(const sl::Result<void>& r) { return r ? "ok" : r.error().message; }
template <class T>
std::string show(const sl::Result<T>& r, std::function<std::string(const T&)> f) {
  return r ? "ok " + f(*r) : r.error().message;
}

const Bytes h32(32, 1), h64(64, 1);
const std::string kNs = "chat.silvantrope.example", kCtx = "chat.silvantrope.example/keytrans/v1";
const Bytes kConiksVrf = unhex("cf6e620156e9f148c25e49aa9a60c39ea8ca882effe44bf189e0e19ba2b31b67");
const Bytes kConiksRoot = unhex(
    "3333eb0d064dd4543e0eae4f39b10cae04e3f0ef81ed99e8902453adb8a15f103361b0b10917b7e127e12c9d52086a5b396ae899156be400"
    "9051fbb554b40d16");
const Bytes kKtVrf = unhex("031f6cd63e4084c93b2f1e9821740b3038aa09ac55e89a28ca91624ed39706c043");
const Bytes kKtRoot = unhex("af6ae76bb6a10a07e1ec0adb002f3b016625cba5fb79f7c9796b7c59762fca14");

std::vector<std::string> keys(const std::string& name) {
  std::vector<std::string> out;
  std::string all = file(name), line;
  for (size_t at = 0; at < all.size(); at = all.find('\n', at) + 1) {
    line = all.substr(at, all.find('\n', at) - at);
    if (!line.empty() && line[0] != '#') out.push_back(line);
    if (all.find('\n', at) == std::string::npos) break;
  }
  return out;
}

std::string head(const sl::CheckpointHead& h) { return h.origin + " " + std::to_string(h.size) + " " + hex(h.root); }
std::string found(const sl::SearchResult& r) { return r.present ? "present " + (r.value ? hex(*r.value) : "-") : "absent"; }
std::string witnessed(const sl::VerifiedCheckpoint& v) {
  std::string s = head(v.head);
  for (const sl::Cosignature& c : v.cosignatures) s += " " + c.witness + "@" + std::to_string(c.timestamp);
  return s;
}
std::string joined(const std::vector<std::string>& v) {
  std::string s;
  for (const std::string& x : v) s += (s.empty() ? "" : " ") + x;
  return s;
}
std::string hex_list(const std::vector<Bytes>& v) {
  std::string s;
  for (const Bytes& b : v) s += (s.empty() ? "" : " ") + hex(b).substr(0, 8);
  return s;
}
// The tiles of the sample mirror a proof of index in a tree of size needs.
std::vector<sl::Tile> tiles_for(uint64_t size, uint64_t index) {
  std::vector<sl::Tile> out;
  const auto paths = sl::tlog_tiles_for_inclusion(size, index);
  for (const std::string& p : paths.value()) out.push_back({p, bytes(file("tiles/log/" + p))});
  return out;
}
// The sample mirror's entries are hashed as RFC 6962 leaves: the leaf hash is
// the bundle's, found through the library's own bundle decoder.
Bytes leaf(const std::string& entry) {
  std::string bundle{static_cast<char>(entry.size() >> 8), static_cast<char>(entry.size() & 0xff)};
  return sl::tlog_tiles_leaf_hashes(bytes(bundle + entry)).value();
}
Bytes kt_proof(const std::string& name) { return unhex(file("keytrans/p256/" + name)); }
Bytes envelope() { return bytes(file("policy/coniks-genesis.policy")); }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return std::fprintf(stderr, "usage: header_test SAMPLES_DIR\n"), 2;
  dir = argv[1];
  const std::string note = file("log/checkpoint-12.note"), cosigned = file("cosigned/checkpoint-12.note");
  const auto trusted = keys("log/trusted.keys"), witnesses = keys("cosigned/witnesses.keys");
  const std::string kHead = "transparency.silvantrope.example/keys 12 e5bc7ec6c2fee7360131251f0dc89a607eb89a685f914d35b44fdf8bda4dbd02";
  const std::string proof_hex = [] {
    std::string t = file("coniks/alice.lookup");
    t.erase(std::remove_if(t.begin(), t.end(), [](char c) { return std::isspace(static_cast<unsigned char>(c)); }), t.end());
    return t;
  }();
  auto hexs = [](const Bytes& b) { return hex(b); };

  const std::vector<std::tuple<std::string, std::function<std::string()>, std::string>> rows = {
      {"tlog_policy_parse",
       [] { return show<sl::TlogPolicy>(sl::tlog_policy_parse(file("tlog/policy.txt")), [](const sl::TlogPolicy& p) {
              return p.logs.front() + " " + std::to_string(p.witnesses.size()) + " " + p.groups.back() + " " + p.quorum;
            }); },
       "ok tlog.silvantrope.example/entries 5 both both"},
      {"checkpoint_verify_policy",
       [] { return show<sl::VerifiedCheckpoint>(sl::checkpoint_verify_policy(file("tlog/checkpoint-7.note"), file("tlog/policy.txt"), 1767225600), witnessed); },
       "ok tlog.silvantrope.example/entries 7 60a4326cbc2c2f9045af7780e6a4bb4a995634b38a0a02829c17b093962ca9f9 ed1@1767225600 "
       "ed2@1767225600 pq1@1767225600 pq2@1767225500"},
      {"tlog_proof_verify",
       [] { return show<sl::VerifiedProof>(sl::tlog_proof_verify(file("tlog/cases/one-leaf.txt"), file("tlog/policy.txt"),
                                                                  unhex("1621ce7da8b254a4a5258c908c7003736cfc346f2482abe60a60651fbc116791"), 0),
                                            [](const sl::VerifiedProof& p) {
                                              return std::to_string(p.index) + " " + (p.extra ? hex(*p.extra) : "-") + " " + witnessed(p.checkpoint);
                                            }); },
       "ok 0 - tlog.silvantrope.example/entries 1 1621ce7da8b254a4a5258c908c7003736cfc346f2482abe60a60651fbc116791 "
       "ed1@1767225600 ed2@1767225600 pq2@1767225600"},
      {"tlog_tiles_for_inclusion",
       [] { return show<std::vector<std::string>>(sl::tlog_tiles_for_inclusion(3405, 2024), joined); },
       "ok tile/0/007 tile/0/013.p/77 tile/1/000.p/13"},
      {"tlog_tiles_for_consistency",
       [] { return show<std::vector<std::string>>(sl::tlog_tiles_for_consistency(0, 5), joined); },
       "consistency proof from an empty tree is meaningless"},
      {"tlog_tiles_tree_hash", [&] { return show<Bytes>(sl::tlog_tiles_tree_hash(0, {}), hexs); },
       "ok e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"tlog_tiles_inclusion_proof",
       [] { return show<std::vector<Bytes>>(sl::tlog_tiles_inclusion_proof(3405, 2024, tiles_for(3405, 2024)), hex_list); },
       "ok 80b0d6e7 4d7f94a0 26ad11f6 d9c0689c e5ddb91b e9918441 a43b9b2f 8e62ad5e f20f8617 c562e7df 30d3a573 00f13e4c"},
      {"tlog_tiles_consistency_proof",
       [] { return show<std::vector<Bytes>>(sl::tlog_tiles_consistency_proof(1000, 3405, {}), hex_list); },
       "malformed tile: missing tile/0/003"},
      {"tlog_tiles_verify_inclusion",
       [] { return show<sl::VerifiedCheckpoint>(sl::tlog_tiles_verify_inclusion(file("tiles/log/checkpoint"), file("tiles/policy.txt"), 2024,
                                                                                  leaf(file("tiles/entry-2024.txt")), tiles_for(3405, 2024), 0),
                                                witnessed); },
       "ok tiles.silvantrope.example/log 3405 3d503d00b0a04f6dde8bc4b0c688ec0683d74bd86d2d21cd84b6e848502fc157 w1@1767225600"},
      {"tlog_tiles_verify_inclusion",  // the policy is parsed first
       [] { return show<sl::VerifiedCheckpoint>(sl::tlog_tiles_verify_inclusion(file("tiles/log/checkpoint"), file("tlog/proof-4.txt"), 2024,
                                                                                  leaf(file("tiles/entry-2024.txt")), {}, 0), witnessed); },
       "malformed tlog policy: line 1: unknown keyword \"c2sp.org/tlog-proof@v1\""},
      {"tlog_tiles_leaf_hashes", [&] { return show<Bytes>(sl::tlog_tiles_leaf_hashes(bytes(std::string("\0\1a", 3))), hexs); },
       "ok 022a6979e6dab7aa5ae4c3e5e45f7e977112a7e63593820dbec1ec738a24f93c"},
      {"verify_inclusion", [] { return show(sl::verify_inclusion(1, 1, h32, {}, h32)); },
       "leaf index 1 is beyond tree size 1"},
      {"verify_consistency", [] { return show(sl::verify_consistency(1, 1, {}, h32, h32)); }, "ok"},
      {"key_history_v1_canonical_bytes",
       [&] { return show<Bytes>(sl::key_history_v1_canonical_bytes(1, 2, {3}, {4}, {5}, std::nullopt), hexs); },
       "ok 000000010000000000000001000000000000000200000001030000000104000000010500000000"},
      {"key_history_v1_entry_hash", [&] { return show<Bytes>(sl::key_history_v1_entry_hash(1, 2, {}, {}, {}, h32), hexs).substr(0, 3); }, "ok "},
      {"key_history_entry_hash_with_context",
       [&] { return show<Bytes>(sl::key_history_entry_hash_with_context("bad", 1, 2, {}, {}, {}, std::nullopt), hexs); },
       "malformed canonical leaf: context label segments must be non-empty printable ASCII: \"bad\""},
      {"key_history_v1_rfc6962_leaf_hash",
       [&] { return show<Bytes>(sl::key_history_v1_rfc6962_leaf_hash(1, 2, {}, {}, {}, std::nullopt), hexs).size() == 67 ? "ok" : "?"; }, "ok"},
      {"verify_signed_note", [&] { return show<uint32_t>(sl::verify_signed_note(note, trusted), [](uint32_t n) { return std::to_string(n); }); },
       "ok 2"},
      {"checkpoint_verify", [&] { return show<sl::CheckpointHead>(sl::checkpoint_verify(note, trusted), head); }, "ok " + kHead},
      {"checkpoint_parse", [&] { return show<sl::CheckpointHead>(sl::checkpoint_parse("o\n1\n" + std::string(43, 'A') + "=\n"), head); },
       "ok o 1 0000000000000000000000000000000000000000000000000000000000000000"},
      {"checkpoint_verify_inclusion", [&] { return show(sl::checkpoint_verify_inclusion(note, trusted, 12, h32, {})); },
       "leaf index 12 is beyond tree size 12"},
      {"checkpoint_verify_inclusion",  // the checkpoint is verified first
       [&] { return show(sl::checkpoint_verify_inclusion(file("log/forged-13.note"), trusted, 12, h32, {})); },
       "invalid signature for known key \"transparency.silvantrope.example/keys\" (key id 7929e94d)"},
      {"checkpoint_verify_consistency", [&] { return show(sl::checkpoint_verify_consistency(note, note, trusted, {})); }, "ok"},
      {"checkpoint_verify_consistency",  // each checkpoint is verified
       [&] { return show(sl::checkpoint_verify_consistency(file("log/forged-13.note"), note, trusted, {})); },
       "invalid signature for known key \"transparency.silvantrope.example/keys\" (key id 7929e94d)"},
      {"checkpoint_verify_consistency",
       [&] { return show(sl::checkpoint_verify_consistency(note, file("log/forged-13.note"), trusted, {})); },
       "invalid signature for known key \"transparency.silvantrope.example/keys\" (key id 7929e94d)"},
      {"checkpoint_verify_cosigned",
       [&] { return show<sl::CheckpointHead>(sl::checkpoint_verify_cosigned(cosigned, keys("cosigned/log.keys"), witnesses, 3, 0), head); },
       "ok " + kHead},
      {"coniks_verify_lookup",
       [&] { return show<Bytes>(sl::coniks_verify_lookup(kNs, kConiksVrf, kConiksRoot, bytes("carol@chat.example"), unhex(proof_hex)), hexs); },
       "vrf proof did not verify against the namespace public key"},
      {"coniks_verify_absence", [&] { return show(sl::coniks_verify_absence(kNs, kConiksVrf, h32, {}, {})); },
       "coniks root must be exactly 64 bytes"},
      {"verify_commitment", [] { return show(sl::verify_commitment("a/b/v1", h64, {}, Bytes(31, 0))); },
       "opening must be exactly 32 bytes"},
      {"signed_policy_verify",
       [] { return show<sl::PolicyPosture>(sl::signed_policy_verify(envelope()), [](const sl::PolicyPosture& p) {
              return p.namespace_ + " " + sl::name(p.security_level) + " " + sl::name(p.checkpoint_suite) + " " +
                     sl::name(p.commitment_hash) + " " + sl::name(p.vrf_mode) + " " + sl::name(p.directory_mode) + " " +
                     sl::name(p.keytrans_suite) + " " + std::to_string(p.created_at) + " " + hex(p.rfc6962_leaf_hash);
            }); },
       "ok chat.silvantrope.example Cat3 Hybrid Sha3_256 Classical Coniks SilvantropeHybridExp 1767225600000 "
       "f6f63cfac94dec720559413b9ea121c9b0feeb216ce71c080bd4d7bf9aea8a5d"},
      {"policy_enforce_checkpoint_signing_key", [] { return show(sl::policy_enforce_checkpoint_signing_key(envelope(), "!")).substr(0, 40); },
       "posture mismatch: declared Hybrid/Cat3, "},
      {"policy_enforce_checkpoint_signature", [] { return show(sl::policy_enforce_checkpoint_signature(envelope(), "!")).substr(0, 40); },
       "posture mismatch: declared Hybrid/Cat3, "},
      {"policy_enforce_vrf_suite_id", [] { return show(sl::policy_enforce_vrf_suite_id(envelope(), 3)); }, "ok"},
      {"policy_enforce_commitment_hash", [] { return show(sl::policy_enforce_commitment_hash(envelope(), sl::CommitmentHash::Sha3_256)); }, "ok"},
      {"policy_enforce_directory_backend", [] { return show(sl::policy_enforce_directory_backend(envelope(), 1)); }, "ok"},
      {"keytrans_verify_search", [] { return show<sl::SearchResult>(sl::keytrans_verify_search(kCtx, kKtVrf, h32, {}, {}), found); },
       "malformed keytrans structure: Proof.kind: need 1 bytes at offset 0, only 0 available"},
      {"keytrans_verify_fixed_version", [] { return show<sl::SearchResult>(sl::keytrans_verify_fixed_version(kCtx, kKtVrf, h32, {}, {}), found); },
       "malformed keytrans structure: Proof.kind: need 1 bytes at offset 0, only 0 available"},
      {"keytrans_verify_monitor", [] { return show(sl::keytrans_verify_monitor(kCtx, kKtVrf, h32, {}, {})); },
       "malformed keytrans structure: Proof.kind: need 1 bytes at offset 0, only 0 available"},
      {"keytrans_verify_search_suite",
       [] { return show<sl::SearchResult>(sl::keytrans_verify_search_suite(1, kCtx, kKtVrf, kKtRoot, bytes("mallory@chat.example"), kt_proof("mallory.search")), found); },
       "ok absent"},
      {"keytrans_verify_fixed_version_suite",
       [] { return show<sl::SearchResult>(sl::keytrans_verify_fixed_version_suite(0xf004, kCtx, kKtVrf, kKtRoot, {}, {}), found); },
       "malformed keytrans structure: unknown keytrans suite id 0xf004"},
      {"keytrans_verify_monitor_suite", [] { return show(sl::keytrans_verify_monitor_suite(2, kCtx, kKtVrf, kKtRoot, {}, {})); },
       "malformed keytrans structure: Proof.kind: need 1 bytes at offset 0, only 0 available"},
  };

  int failed = 0;
  std::set<std::string> covered;
  for (const auto& [name, call, want] : rows) {
    covered.insert(name);
    const std::string got = call();
    if (got != want) ++failed, std::printf("FAIL %s\n  got:  %s\n  want: %s\n", name.c_str(), got.c_str(), want.c_str());
  }
  for (const sl::Checksum& c : sl::interface_checksums()) {
    if (!covered.count(c.function)) ++failed, std::printf("FAIL %s: no typed call exercised\n", c.function);
  }
  if (!sl::interface_matches()) ++failed, std::printf("FAIL the library's interface differs from the header's\n");
  std::printf("%zu calls, %d failed\n", rows.size(), failed);
  return failed == 0 ? 0 : 1;
}
