// SPDX-License-Identifier: Apache-2.0
#include "commands.h"

#include <dlfcn.h>
#include <openssl/evp.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <map>
#include <optional>
#include <tuple>

#include "app.h"
#include "command_kit.h"
#include "input.h"
#include "tiles.h"
#include "usage_error.h"
#include "values.h"

#ifndef SLOG_VERSION
#error "SLOG_VERSION must name the project version"
#endif

namespace slog {
namespace {

// Text from the command line crosses the ABI too.
std::string text_arg(const Ctx& c, const std::string& name) {
  std::string s = c.opt.one(name);
  require_utf8(s, name);
  return s;
}

std::string trimmed(const std::string& s) {
  const auto blank = [](unsigned char ch) { return std::isspace(ch) != 0; };
  const auto first = std::find_if_not(s.begin(), s.end(), blank);
  const auto last = std::find_if_not(s.rbegin(), s.rend(), blank).base();
  return first < last ? std::string(first, last) : std::string();
}

// Trusted keys from repeated --KEY values and a --KEY-file.
std::vector<std::string> key_list(const Ctx& c, const std::string& name) {
  std::vector<std::string> keys = c.opt.all(name);
  for (const std::string& k : keys) require_utf8(k, name);
  if (c.opt.has(name + "-file")) {
    for (std::string& line : c.in.lines(c.opt.one(name + "-file"), name + "-file")) keys.push_back(std::move(line));
  }
  return keys;
}

std::vector<Bytes> proof_hashes(const Ctx& c) {
  if (!c.opt.has("--proof-file")) return hashes(c.opt.all("--proof"), "--proof");
  const std::string path = c.opt.one("--proof-file");
  return hashes(c.in.lines(path, "--proof-file"), "--proof-file " + Inputs::named(path));
}

// Hex bytes from --NAME, or from the file named by --NAME-file, whitespace ignored.
Bytes hex_input(const Ctx& c, const std::string& name) {
  if (!c.opt.has(name + "-file")) return hex(c.opt.one(name), name);
  const std::string path = c.opt.one(name + "-file");
  std::string t = c.in.text(path, name + "-file");
  t.erase(std::remove_if(t.begin(), t.end(), [](unsigned char ch) { return std::isspace(ch); }), t.end());
  return hex(t, name + "-file " + Inputs::named(path));
}

// Bytes given as hex by --NAME or as text by --NAME-text; one of them is required.
Bytes hex_or_text(const Ctx& c, const std::string& name) {
  if (c.opt.has(name + "-text")) {
    const std::string t = text_arg(c, name + "-text");
    return Bytes(t.begin(), t.end());
  }
  if (!c.opt.has(name)) throw UsageError(name + " or " + name + "-text is required");
  return hex(c.opt.one(name), name);
}

// --- signers and witnesses -------------------------------------------------

std::string key_name(const std::string& key) { return key.substr(0, key.find('+')); }
// What follows a key's name and id: its type and public key, in base64. Name
// and key data say which key it is; the id follows from them, in either case of hex.
std::string key_data(const std::string& key) {
  const size_t id_end = key.find('+', key_name(key).size() + 1);
  return id_end == std::string::npos ? std::string() : key.substr(id_end + 1);
}

// The trusted keys whose signature lines verified: each key alone must verify the note.
Json signers(const std::string& note, const std::vector<std::string>& keys) {
  Json names = Json::array();
  std::vector<std::string> seen;
  for (const std::string& k : keys) {
    // One key given twice, its id in either case of hex, is one signer.
    const std::string same = key_name(k) + "+" + key_data(k);
    if (std::find(seen.begin(), seen.end(), same) != seen.end()) continue;
    seen.push_back(same);
    if (sl::verify_signed_note(note, {k}).ok()) names.push_back(key_name(k));
  }
  return names;
}

// The latest timestamp among the cosignature lines of witness key `key` in a
// note whose lines have been verified: the 8 bytes after the key id.
std::optional<uint64_t> cosignature_time(const std::string& note, const std::string& key) {
  std::optional<uint64_t> latest;
  const size_t plus = key.find('+');
  std::string id = key.substr(plus + 1, 8);  // the library takes either case of hex
  std::transform(id.begin(), id.end(), id.begin(), [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
  const size_t sigs = note.rfind("\n\n");
  for (size_t at = sigs == std::string::npos ? note.size() : sigs + 2; at < note.size();) {
    size_t end = note.find('\n', at);
    if (end == std::string::npos) end = note.size();
    const std::string line = note.substr(at, end - at);
    at = end + 1;
    const std::string dash = "\xe2\x80\x94 ";
    const size_t space = line.rfind(' ');
    if (line.rfind(dash, 0) != 0 || space == std::string::npos || line.substr(dash.size(), space - dash.size()) != key_name(key)) continue;
    const auto blob = from_base64(line.substr(space + 1));
    if (!blob || blob->size() < 12 || to_hex(Bytes(blob->begin(), blob->begin() + 4)) != id) continue;
    uint64_t t = 0;
    for (size_t i = 4; i < 12; ++i) t = t << 8 | (*blob)[i];
    latest = std::max(latest.value_or(0), t);
  }
  return latest;
}

// " (YYYY-MM-DDTHH:MM:SSZ)" for a time before the year 10000, " (no time stated)"
// for 0 (what an ML-DSA-44 cosigner that makes no freshness statement signs), else "".
std::string utc(uint64_t seconds) {
  const std::time_t t = static_cast<std::time_t>(seconds);
  std::tm tm{};
  char buf[32];
  if (seconds == 0) return " (no time stated)";
  if (seconds > 253402300799ull || gmtime_r(&t, &tm) == nullptr) return "";
  return std::string(buf, std::strftime(buf, sizeof buf, " (%Y-%m-%dT%H:%M:%SZ)", &tm));
}

struct Quorum {
  std::vector<std::string> cosigners;
  uint32_t quorum = 0;
  uint64_t not_before = 0;
};

// The witnesses whose cosignature counts: each alone meets a quorum of one.
Json witnesses(const std::string& note, const std::vector<std::string>& log_keys, const Quorum& q,
               std::vector<std::string>& lines, const std::string& prefix) {
  Json out = Json::array();
  // Keys that share a name or a public key are one witness, listed once.
  std::vector<std::string> names, datas;
  const auto seen = [](const std::vector<std::string>& v, const std::string& x) {
    return std::find(v.begin(), v.end(), x) != v.end();
  };
  for (const std::string& k : q.cosigners) {
    const std::string name = key_name(k), data = key_data(k);
    if (seen(names, name) || seen(datas, data)) {
      names.push_back(name);
      datas.push_back(data);
      continue;
    }
    if (!sl::checkpoint_verify_cosigned(note, log_keys, {k}, 1, q.not_before).ok()) continue;
    names.push_back(name);
    datas.push_back(data);
    const auto t = cosignature_time(note, k);
    out.push_back(Json{{"name", name}, {"timestamp", t ? Json(*t) : Json(nullptr)}});
    lines.push_back(prefix + "cosigned by: " + name + (t ? " at " + std::to_string(*t) + utc(*t) : ""));
  }
  return out;
}

// One verified checkpoint's head, signers and witnesses, as fields with prefix.
void describe(Report& r, const sl::CheckpointHead& h, const std::string& note, const std::vector<std::string>& keys,
              const std::optional<Quorum>& q, const std::string& prefix) {
  Json j = Json::object();
  j["origin"] = h.origin;
  j["size"] = h.size;
  j["root"] = to_hex(h.root);
  j["extensions"] = h.extensions;
  r.lines.push_back(prefix + "origin: " + h.origin);
  r.lines.push_back(prefix + "size: " + std::to_string(h.size));
  r.lines.push_back(prefix + "root: " + to_hex(h.root));
  for (const std::string& e : h.extensions) r.lines.push_back(prefix + "extension: " + e);
  if (!note.empty()) {
    j["signed_by"] = signers(note, keys);
    for (const auto& n : j["signed_by"]) r.lines.push_back(prefix + "signed by: " + n.get<std::string>());
  }
  if (q) j["cosigned_by"] = witnesses(note, keys, *q, r.lines, prefix);
  if (prefix.empty()) {
    r.fields.update(j);
  } else {
    r.fields["newer"] = j;
  }
}

}  // namespace

// A checkpoint verified against a tlog policy: its head, the policy log that
// signed it (the one named by its origin) and the policy witnesses that cosigned.
void describe(Report& r, const sl::VerifiedCheckpoint& v, uint64_t not_before) {
  describe(r, v.head, "", {}, std::nullopt, "");
  r.fields["signed_by"] = Json::array({v.head.origin});
  r.lines.push_back("signed by: " + v.head.origin);
  Json cosigned = Json::array();
  for (const sl::Cosignature& c : v.cosignatures) {
    cosigned.push_back(Json{{"name", c.witness}, {"timestamp", c.timestamp}, {"counted", c.timestamp >= not_before}});
    r.lines.push_back("cosigned by: " + c.witness + " at " + std::to_string(c.timestamp) + utc(c.timestamp) +
                      (c.timestamp < not_before ? ", before --not-before: not counted" : ""));
  }
  r.fields["cosigned_by"] = cosigned;
}

// SHA-256(0x00 || entry), the RFC 6962 leaf hash.
Bytes leaf_hash_of(const std::string& entry) {
  Bytes out(32);
  const uint8_t zero = 0;
  EVP_MD_CTX* ctx = EVP_MD_CTX_new();
  const bool ok = ctx && EVP_DigestInit_ex(ctx, EVP_sha256(), nullptr) && EVP_DigestUpdate(ctx, &zero, 1) &&
                  EVP_DigestUpdate(ctx, entry.data(), entry.size()) && EVP_DigestFinal_ex(ctx, out.data(), nullptr);
  EVP_MD_CTX_free(ctx);
  if (!ok) throw std::runtime_error("SHA-256 failed");
  return out;
}

namespace {

// --- commands ---------------------------------------------------------------

void inclusion(const Ctx& c) {
  const uint64_t index = number(c, "--index"), size = number(c, "--size");
  const Bytes leaf = hash(c.opt.one("--leaf"), "--leaf");
  const auto proof = proof_hashes(c);
  const Bytes root = hash(c.opt.one("--root"), "--root");
  if (!done(c.r, sl::verify_inclusion(index, size, leaf, proof, root))) return;
  c.r.fields["index"] = index;
  c.r.fields["size"] = size;
  valid(c.r);
}

void consistency(const Ctx& c) {
  const uint64_t size1 = number(c, "--size1"), size2 = number(c, "--size2");
  const auto proof = proof_hashes(c);
  const Bytes root1 = hash(c.opt.one("--root1"), "--root1"), root2 = hash(c.opt.one("--root2"), "--root2");
  if (!done(c.r, sl::verify_consistency(size1, size2, proof, root1, root2))) return;
  c.r.fields["size1"] = size1;
  c.r.fields["size2"] = size2;
  valid(c.r);
}

void key_history(const Ctx& c, const std::string& what) {
  const uint64_t seq = number(c, "--seq"), ts = number(c, "--ts-ms");
  const Bytes x = hex(c.opt.one("--enc-x25519"), "--enc-x25519"), pq = hex(c.opt.one("--enc-pq"), "--enc-pq"),
              sig = hex(c.opt.one("--signing-pub"), "--signing-pub");
  std::optional<Bytes> prev;
  if (c.opt.has("--prev")) {
    // The library reads an empty previous hash as none: genesis is said by leaving --prev out.
    if (c.opt.one("--prev").empty()) throw UsageError("--prev is empty (leave it out for a genesis entry)");
    prev = hash(c.opt.one("--prev"), "--prev");
  }
  sl::Result<Bytes> res = c.opt.has("--context")
                              ? sl::key_history_entry_hash_with_context(text_arg(c, "--context"), seq, ts, x, pq, sig, prev)
                          : what == "canonical-bytes" ? sl::key_history_v1_canonical_bytes(seq, ts, x, pq, sig, prev)
                          : what == "entry-hash"      ? sl::key_history_v1_entry_hash(seq, ts, x, pq, sig, prev)
                                                      : sl::key_history_v1_rfc6962_leaf_hash(seq, ts, x, pq, sig, prev);
  if (!done(c.r, res)) return;
  c.r.fields["result"] = to_hex(*res);
  c.r.lines.push_back(to_hex(*res));
}

void note(const Ctx& c) {
  const std::string text = c.in.text(c.opt.one("--note"), "--note");
  const auto keys = key_list(c, "--key");
  const auto count = sl::verify_signed_note(text, keys);
  if (!done(c.r, count)) return;
  c.r.lines.push_back("valid: " + std::to_string(*count) + " trusted signature" + (*count == 1 ? "" : "s"));
  c.r.fields["verified"] = *count;
  c.r.fields["signed_by"] = signers(text, keys);
  for (const auto& n : c.r.fields["signed_by"]) c.r.lines.push_back("signed by: " + n.get<std::string>());
}

void checkpoint(const Ctx& c) {
  if (c.opt.has("--body")) {
    const auto head = sl::checkpoint_parse(c.in.text(c.opt.one("--body"), "--body"));
    if (!done(c.r, head)) return;
    c.r.lines.push_back("parsed");
    describe(c.r, *head, "", {}, std::nullopt, "");
    c.r.fields["signed_by"] = Json::array();  // a body carries no signature: nothing was verified
    return;
  }
  const uint64_t not_before = c.opt.has("--not-before") ? number(c, "--not-before") : 0;
  if (c.opt.has("--not-before") && !c.opt.has("--quorum") && !c.opt.has("--policy")) {
    throw UsageError("--not-before requires --quorum or --policy");
  }
  if (c.opt.has("--policy")) {
    const std::string policy = policy_text(c, "--policy");
    const auto v = sl::checkpoint_verify_policy(c.in.text(c.opt.one("NOTE"), "NOTE"), policy, not_before);
    if (!done(c.r, v)) return;
    describe(c.r, *v, not_before);
    valid(c.r);
    return;
  }
  if (!c.opt.has("--note")) throw UsageError("--note or --body is required");
  const std::string note_text = c.in.text(c.opt.one("--note"), "--note");
  const auto keys = key_list(c, "--key");
  std::optional<Quorum> q;
  if (c.opt.has("--quorum")) {
    q = Quorum{key_list(c, "--cosigner-key"), static_cast<uint32_t>(number(c, "--quorum", UINT32_MAX)),
               not_before};
  }
  // Every input is read before the first check, so that a usage error comes first.
  std::string newer;
  std::vector<Bytes> proof;
  uint64_t index = 0;
  Bytes leaf;
  if (c.opt.has("--consistency")) newer = c.in.text(c.opt.one("--consistency"), "--consistency");
  if (c.opt.has("--inclusion")) {
    index = number(c, "--index");
    leaf = hash(c.opt.one("--leaf"), "--leaf");
  } else if (!c.opt.has("--consistency") && (c.opt.has("--proof") || c.opt.has("--proof-file"))) {
    throw UsageError("--proof and --proof-file need --inclusion or --consistency");
  }
  if (c.opt.has("--inclusion") || c.opt.has("--consistency")) proof = proof_hashes(c);

  auto verify = [&](const std::string& text) {
    return q ? sl::checkpoint_verify_cosigned(text, keys, q->cosigners, q->quorum, q->not_before)
             : sl::checkpoint_verify(text, keys);
  };
  const auto head = verify(note_text);
  if (!done(c.r, head)) return;
  std::optional<sl::Result<sl::CheckpointHead>> newer_head;
  if (c.opt.has("--consistency")) {
    newer_head = verify(newer);
    if (!done(c.r, *newer_head)) return;
    if (!done(c.r, sl::checkpoint_verify_consistency(note_text, newer, keys, proof))) return;
  }
  if (c.opt.has("--inclusion")) {
    if (!done(c.r, sl::checkpoint_verify_inclusion(note_text, keys, index, leaf, proof))) return;
    c.r.field("leaf_index", "leaf index", index, std::to_string(index));
  }
  describe(c.r, *head, note_text, keys, q, "");
  if (newer_head) describe(c.r, newer_head->value(), newer, keys, q, "newer ");
  valid(c.r);
}

void commitment(const Ctx& c) {
  const std::string context = text_arg(c, "--context");
  const Bytes cm = hash(c.opt.one("--commitment"), "--commitment"), value = hex(c.opt.one("--value"), "--value"),
              opening = hex(c.opt.one("--opening"), "--opening");
  if (done(c.r, sl::verify_commitment(context, cm, value, opening))) valid(c.r);
}

void coniks(const Ctx& c, const std::string& what) {
  const std::string ns = text_arg(c, "--namespace");
  const Bytes key = hex(c.opt.one("--vrf-public"), "--vrf-public"), root = hash(c.opt.one("--root"), "--root");
  const Bytes identity = hex_or_text(c, "--identity");
  if (!c.opt.has("--proof") && !c.opt.has("--proof-file")) throw UsageError("--proof or --proof-file is required");
  const Bytes proof = hex_input(c, "--proof");
  if (what == "absence") {
    if (done(c.r, sl::coniks_verify_absence(ns, key, root, identity, proof))) valid(c.r);
    return;
  }
  const auto value = sl::coniks_verify_lookup(ns, key, root, identity, proof);
  if (!done(c.r, value)) return;
  c.r.fields["value"] = to_hex(*value);
  c.r.lines.push_back(value->empty() ? "valid: empty value" : "valid: value " + to_hex(*value));
}

void keytrans(const Ctx& c, const std::string& what) {
  std::optional<uint16_t> suite;
  if (c.opt.has("--suite")) suite = static_cast<uint16_t>(id(c.opt.one("--suite"), "--suite", 0xffff));
  // The standard suites' commitments take no context: one given would be ignored.
  const bool standard = suite && (*suite == 0x0001 || *suite == 0x0002);
  if (standard && c.opt.has("--context")) {
    throw UsageError(std::string("--context binds only the experimental suite 0xf000's commitments; suite ") +
                     (*suite == 0x0001 ? "0x0001" : "0x0002") + " takes none");
  }
  if (!standard && !c.opt.has("--context")) throw UsageError("--context is required");
  const std::string context = standard ? std::string() : text_arg(c, "--context");
  const Bytes key = hex(c.opt.one("--vrf-public"), "--vrf-public"), root = hash(c.opt.one("--root"), "--root");
  const Bytes label = hex_or_text(c, "--label");
  if (!c.opt.has("--proof") && !c.opt.has("--proof-file")) throw UsageError("--proof or --proof-file is required");
  const Bytes proof = hex_input(c, "--proof");
  if (what == "monitor") {
    if (done(c.r, suite ? sl::keytrans_verify_monitor_suite(*suite, context, key, root, label, proof)
                        : sl::keytrans_verify_monitor(context, key, root, label, proof))) {
      valid(c.r);
    }
    return;
  }
  const bool search = what == "search";
  const auto res = suite ? (search ? sl::keytrans_verify_search_suite(*suite, context, key, root, label, proof)
                                   : sl::keytrans_verify_fixed_version_suite(*suite, context, key, root, label, proof))
                         : (search ? sl::keytrans_verify_search(context, key, root, label, proof)
                                   : sl::keytrans_verify_fixed_version(context, key, root, label, proof));
  if (!done(c.r, res)) return;
  const std::string value = res->value ? to_hex(*res->value) : "";
  c.r.fields["present"] = res->present;
  c.r.fields["value"] = res->value ? Json(value) : Json(nullptr);
  c.r.lines.push_back(!res->present    ? "valid: absent"
                      : value.empty() ? "valid: present, empty value"
                                      : "valid: present, value " + value);
}

void tlog_proof(const Ctx& c) {
  const std::string policy = policy_text(c, "--policy");
  if (!c.opt.has("--leaf-hash") && !c.opt.has("--entry")) throw UsageError("--leaf-hash or --entry is required");
  const Bytes leaf = c.opt.has("--entry") ? leaf_hash_of(c.in.bytes(c.opt.one("--entry"), "--entry"))
                                          : hash(c.opt.one("--leaf-hash"), "--leaf-hash");
  const uint64_t not_before = c.opt.has("--not-before") ? number(c, "--not-before") : 0;
  const auto v = sl::tlog_proof_verify(c.in.text(c.opt.one("PROOF"), "PROOF"), policy, leaf, not_before);
  if (!done(c.r, v)) return;
  c.r.field("index", "index", v->index, std::to_string(v->index));
  if (v->extra) {
    c.r.field("extra", "extra (not signed)", to_hex(*v->extra), to_hex(*v->extra));
  } else {
    c.r.fields["extra"] = nullptr;
  }
  describe(c.r, v->checkpoint, not_before);
  valid(c.r);
}

void policy_file(const Ctx& c) {
  const auto p = sl::tlog_policy_parse(policy_text(c, "FILE"));
  if (!done(c.r, p)) return;
  for (const auto& [key, label, items] : {std::tuple{"logs", "log", &p->logs}, std::tuple{"witnesses", "witness", &p->witnesses},
                                         std::tuple{"groups", "group", &p->groups}}) {
    c.r.fields[key] = *items;
    for (const std::string& item : *items) c.r.lines.push_back(std::string(label) + ": " + item);
  }
  c.r.field("quorum", "quorum", p->quorum, p->quorum);
  valid(c.r);
}

// Sha3_256 and Sha3_512 by name; anything else as a raw signed index.
sl::CommitmentHash commitment_hash_arg(const std::string& s) {
  for (auto h : {sl::CommitmentHash::Sha3_256, sl::CommitmentHash::Sha3_512}) {
    if (s == sl::name(h)) return h;
  }
  return static_cast<sl::CommitmentHash>(int32(s, "--expect-commitment-hash (Sha3_256, Sha3_512 or an index)"));
}

void policy(const Ctx& c) {
  if (!c.opt.has("--envelope") && !c.opt.has("--envelope-hex")) throw UsageError("--envelope or --envelope-hex is required");
  Bytes envelope;
  if (c.opt.has("--envelope")) {
    const std::string raw = c.in.bytes(c.opt.one("--envelope"), "--envelope");
    envelope.assign(raw.begin(), raw.end());
  } else {
    envelope = hex(c.opt.one("--envelope-hex"), "--envelope-hex");
  }
  // Every observation is read before any call, so that a usage error comes first.
  std::vector<std::pair<std::string, std::function<sl::Result<void>()>>> checks;
  for (const std::string kind : {"key", "signature"}) {
    const std::string name = "--expect-" + kind;
    if (!c.opt.has(name) && !c.opt.has(name + "-file")) continue;
    // A token holds no whitespace: the file's line end is not part of it.
    const std::string token = c.opt.has(name) ? text_arg(c, name) : trimmed(c.in.text(c.opt.one(name + "-file"), name + "-file"));
    checks.emplace_back(kind == "key" ? "checkpoint_signing_key" : "checkpoint_signature", [&envelope, token, kind] {
      return kind == "key" ? sl::policy_enforce_checkpoint_signing_key(envelope, token)
                           : sl::policy_enforce_checkpoint_signature(envelope, token);
    });
  }
  if (c.opt.has("--expect-vrf-suite")) {
    const auto v = static_cast<uint8_t>(id(c.opt.one("--expect-vrf-suite"), "--expect-vrf-suite", 0xff));
    checks.emplace_back("vrf_suite_id", [&envelope, v] { return sl::policy_enforce_vrf_suite_id(envelope, v); });
  }
  if (c.opt.has("--expect-commitment-hash")) {
    const auto h = commitment_hash_arg(c.opt.one("--expect-commitment-hash"));
    checks.emplace_back("commitment_hash", [&envelope, h] { return sl::policy_enforce_commitment_hash(envelope, h); });
  }
  if (c.opt.has("--expect-backend")) {
    const auto v = static_cast<uint16_t>(id(c.opt.one("--expect-backend"), "--expect-backend", 0xffff));
    checks.emplace_back("directory_backend", [&envelope, v] { return sl::policy_enforce_directory_backend(envelope, v); });
  }
  if (!checks.empty()) {
    Json matched = Json::array();
    for (const auto& [what, check] : checks) {
      if (!done(c.r, check())) return;
      matched.push_back(what);
    }
    c.r.fields["matched"] = matched;
    valid(c.r);
    return;
  }
  const auto p = sl::signed_policy_verify(envelope);
  if (!done(c.r, p)) return;
  c.r.field("namespace", "namespace", p->namespace_, p->namespace_);
  c.r.field("policy_schema_version", "policy_schema_version", p->policy_schema_version,
            std::to_string(p->policy_schema_version));
  for (const auto& [key, value] : std::vector<std::pair<std::string, std::string>>{
           {"security_level", sl::name(p->security_level)},
           {"checkpoint_suite", sl::name(p->checkpoint_suite)},
           {"commitment_hash", sl::name(p->commitment_hash)},
           {"vrf_mode", sl::name(p->vrf_mode)},
           {"directory_mode", sl::name(p->directory_mode)},
           {"keytrans_suite", sl::name(p->keytrans_suite)}}) {
    c.r.field(key, key, value, value);
  }
  c.r.field("effective_from", "effective_from", p->effective_from, std::to_string(p->effective_from));
  c.r.field("created_at", "created_at", p->created_at, std::to_string(p->created_at));
  c.r.field("policy_hash", "policy_hash", to_hex(p->policy_hash), to_hex(p->policy_hash));
  c.r.field("rfc6962_leaf_hash", "rfc6962_leaf_hash", to_hex(p->rfc6962_leaf_hash), to_hex(p->rfc6962_leaf_hash));
  valid(c.r);
}

// The loaded library's file, found from one of its exports.
std::string library_path() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&ffi_silvantrope_log_uniffi_contract_version), &info) == 0 ||
      info.dli_fname == nullptr) {
    return "";
  }
  char* real = realpath(info.dli_fname, nullptr);
  std::string path = real != nullptr ? real : info.dli_fname;
  std::free(real);
  return path;
}

void version(Report& r) {
  const std::string path = library_path();
  const size_t so = path.rfind(".so.");
  const std::string lib_version = so == std::string::npos ? "unknown" : path.substr(so + 4);
  size_t match = 0;
  const auto checksums = sl::interface_checksums();
  for (const auto& ch : checksums) match += ch.expected == ch.library;
  r.field("slog", "slog", SLOG_VERSION, SLOG_VERSION);
  r.field("library", "library", lib_version, lib_version + (path.empty() ? "" : " (" + path + ")"));
  r.field("contract_version", "contract version", sl::contract_version(), std::to_string(sl::contract_version()));
  r.field("interface_checksums", "interface checksums",
          Json{{"functions", checksums.size()}, {"matching", match}},
          std::to_string(match) + " of " + std::to_string(checksums.size()) + " functions match");
}

// Set while `samples` runs its samples' commands: the input cap of its own
// command line, which theirs cannot raise.
thread_local std::optional<uint64_t> samples_cap;

// Whether some command's option of that name (e.g. "--json") takes no value.
bool is_flag(const CLI::App& app, const std::string& name) {
  if (const CLI::Option* o = app.get_option_no_throw(name)) return o->get_expected_max() == 0;
  for (const CLI::App* sub : app.get_subcommands({})) {
    if (is_flag(*sub, name)) return true;
  }
  return false;
}

}  // namespace

Run run(const std::vector<std::string>& args) {
  Run out;
  Report& r = out.report;
  // Until the arguments are parsed (a usage error may come first), a --json before any "--" counts.
  const auto options_end = std::find(args.begin(), args.end(), "--");
  out.json = std::find(args.begin(), options_end, "--json") != options_end;
  std::unique_ptr<CLI::App> app = make_app();
  // The words of the chosen command, e.g. "coniks lookup".
  auto words = [&app] {
    std::string w;
    for (const CLI::App* a = app.get(); !a->get_subcommands().empty();) {
      a = a->get_subcommands().front();
      w += (w.empty() ? "" : " ") + a->get_name();
    }
    return w;
  };
  try {
    // "--name=" gives the empty value, as "--name ''" does; a flag has none.
    // Words after "--" are operands, taken as they are.
    std::vector<std::string> reversed(args.rbegin(), std::make_reverse_iterator(options_end));
    for (auto a = std::make_reverse_iterator(options_end); a != args.rend(); ++a) {
      const size_t eq = a->rfind("--", 0) == 0 ? a->find('=') : std::string::npos;
      if (eq != std::string::npos && is_flag(*app, a->substr(0, eq))) throw UsageError(a->substr(0, eq) + " takes no value");
      const bool empty_value = eq != std::string::npos && eq == a->size() - 1;
      if (empty_value) reversed.emplace_back();
      reversed.push_back(empty_value ? a->substr(0, eq) : *a);
    }
    app->parse(reversed);
    // An operand after "--" that the command has no room for goes up to the
    // top level, which would take "--json" there as the option.
    for (const char* global : {"--json", "--quiet", "--max-input-size", "--version"}) {
      const auto is_it = [&](const std::string& a) {
        return a == global || (global == std::string("--quiet") && a == "-q") || a.rfind(std::string(global) + "=", 0) == 0;
      };
      const auto given = static_cast<size_t>(std::count_if(args.begin(), options_end, is_it));
      const auto operand = std::find_if(options_end, args.end(), is_it);
      if (app->get_option(global)->count() > given && operand != args.end()) throw UsageError("not expected: " + word(*operand));
    }
    out.quiet = app->get_option("--quiet")->count() > 0;
    out.json = app->get_option("--json")->count() > 0;
    r.command = words();
    uint64_t max_input = app->get_option("--max-input-size")->count() > 0
                                   ? decimal(app->get_option("--max-input-size")->results().front(),
                                             "--max-input-size", INT32_MAX)
                                   : kDefaultMaxInput;
    if (app->get_option("--version")->count() > 0) {
      if (!r.command.empty() || out.quiet || app->get_option("--max-input-size")->count() > 0) {
        throw UsageError("--version takes no command and no option but --json");
      }
      r.command = "version";
      version(r);
      return out;
    }
    if (r.command.empty()) throw UsageError("a command is required (slog --help lists them)");
    const CLI::App* leaf = app.get();
    while (!leaf->get_subcommands().empty()) leaf = leaf->get_subcommands().front();
    const std::string top = r.command.substr(0, r.command.find(' '));
    if (samples_cap) {
      if (top == "samples") throw UsageError("a sample cannot run samples");
      max_input = std::min(max_input, *samples_cap);
    }
    Given given(leaf);
    Inputs inputs(max_input);
    Ctx c{given, inputs, r, out.json, out.quiet};
    const std::string mode = leaf->get_name();
    if (top == "inclusion") inclusion(c);
    else if (top == "consistency") consistency(c);
    else if (top == "key-history") key_history(c, mode);
    else if (top == "note") note(c);
    else if (top == "checkpoint") checkpoint(c);
    else if (top == "commitment") commitment(c);
    else if (top == "coniks") coniks(c, mode);
    else if (top == "policy") policy(c);
    else if (top == "keytrans") keytrans(c, mode);
    else if (top == "tlog-proof") tlog_proof(c);
    else if (top == "policy-file") policy_file(c);
    else if (top == "tiles") tiles(c, mode);
    else if (top == "samples") {
      struct Cap {
        explicit Cap(uint64_t n) { samples_cap = n; }
        ~Cap() { samples_cap.reset(); }
      } cap(max_input);
      r = run_samples(given.has("DIR") ? given.one("DIR") : "samples", out.quiet, max_input);
    }
  } catch (const CLI::CallForHelp&) {
    out.help = app->help();
  } catch (const CLI::ExtrasError&) {
    r.command = words();
    std::string extras;
    for (const std::string& a : app->remaining(true)) {
      if (a != "--") extras += " " + word(a);
    }
    r.usage("not expected:" + extras);
  } catch (const CLI::ParseError& e) {
    r.command = words();
    r.usage(e.what());
  } catch (const UsageError& e) {
    r.usage(e.what());
  } catch (const std::exception& e) {
    r.internal(e.what());
  }
  return out;
}

}  // namespace slog
