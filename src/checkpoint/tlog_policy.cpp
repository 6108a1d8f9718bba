// SPDX-License-Identifier: Apache-2.0
#include "checkpoint/tlog_policy.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <optional>

#include "core/fault.h"
#include "core/quote.h"
#include "core/text_scan.h"
#include "note/signed_note.h"

namespace silvantrope::checkpoint {
namespace {

using Member = WitnessRule::Member;

// The items of one line, split at runs of spaces and tabs.
void items(std::string_view line, std::vector<std::string_view>& out) {
  out.clear();
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  size_t i = 0;
  while (true) {
    while (i < line.size() && blank(line[i])) ++i;
    if (i == line.size()) return;
    const size_t start = i;
    i = text::find_blank(line, i);
    out.push_back(line.substr(start, i - start));
  }
}

uint64_t fnv1a(std::string_view s) {
  uint64_t h = 0xcbf29ce484222325;
  for (char c : s) h = (h ^ static_cast<uint8_t>(c)) * 0x100000001b3;
  return h;
}

// Names in an open-addressing table: a policy defines at most
// kMaxPolicyWitnesses + kMaxPolicyGroups names, so the table is never more
// than half full.
template <class V>
class Names {
 public:
  V* find(std::string_view name) {
    const uint64_t h = fnv1a(name);
    for (size_t s = h & kMask; slots_[s] != 0; s = (s + 1) & kMask) {
      Entry& e = entries_[slots_[s] - 1];
      if (e.hash == h && e.name == name) return &e.value;
    }
    return nullptr;
  }
  // A name not yet there.
  void add(std::string_view name, V value) {
    if (entries_.size() == kSlots / 2) throw InternalFault("policy name table full");
    const uint64_t h = fnv1a(name);
    size_t s = h & kMask;
    while (slots_[s] != 0) s = (s + 1) & kMask;
    entries_.push_back({h, name, value});
    slots_[s] = static_cast<uint16_t>(entries_.size());
  }
  void reserve(size_t n) { entries_.reserve(n); }

 private:
  static constexpr size_t kSlots = 2 * (kMaxPolicyWitnesses + kMaxPolicyGroups);
  static constexpr size_t kMask = kSlots - 1;
  static_assert((kSlots & kMask) == 0 && kSlots <= 65536);

  struct Entry {
    uint64_t hash;
    std::string_view name;
    V value;
  };
  std::vector<Entry> entries_;
  std::array<uint16_t, kSlots> slots_{};  // 1 + index into entries_, or 0
};

// A key parser's message without its "malformed signed note: " prefix.
std::string key_detail(const Error& e) {
  constexpr std::string_view prefix = "malformed signed note: ";
  const std::string_view m = e.message();
  return std::string(m.starts_with(prefix) ? m.substr(prefix.size()) : m);
}

// k: decimal, no sign, no leading zero, 1 <= k <= n.
std::optional<uint64_t> threshold(std::string_view k, size_t n) {
  if (k == "all") return n;
  if (k == "any") return 1;
  if (k.empty() || k.size() > 19 || k[0] == '0') return std::nullopt;
  uint64_t v = 0;  // 19 digits cannot overflow
  for (char c : k) {
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + static_cast<uint64_t>(c - '0');
  }
  if (v < 1 || v > n) return std::nullopt;
  return v;
}

class Parser {
  // A witness or group, and whether a group lists it already.
  struct Named {
    Member member;
    bool listed = false;
  };

 public:
  Result<TlogPolicy> run(std::string_view text) {
    // Octets of 0x80 and above are opaque: names compare as raw bytes, and
    // only a key name (a signed-note name) must be UTF-8.
    const text::Scan scan = text::scan(text, /*tab_ok=*/true);
    const bool octets_to_check = scan.control || scan.del;
    reserve();
    size_t number = 0;
    std::vector<std::string_view> it;
    it.reserve(16);
    while (!text.empty()) {
      ++number;
      const size_t nl = std::min(text.find('\n'), text.size());
      const std::string_view line = text.substr(0, nl);
      text.remove_prefix(std::min(nl + 1, text.size()));
      for (char c : octets_to_check ? line : std::string_view{}) {
        const auto b = static_cast<uint8_t>(c);
        if (b != '\t' && (b < 0x20 || b == 0x7F)) {
          char hex[5];
          std::snprintf(hex, sizeof hex, "0x%02x", b);
          return fail(number, std::string("forbidden octet ") + hex);
        }
      }
      items(line, it);
      auto r = line_(number, it);
      if (!r) return std::move(r).error();
    }
    if (!quorum_line_) return Error::malformed_tlog_policy(number + 1, "missing quorum line");
    return std::move(policy_);
  }

 private:
  static Error fail(size_t line, std::string_view detail) { return Error::malformed_tlog_policy(line, detail); }

  // The line of a log or witness key, and its first eight bytes, which
  // tell most distinct keys apart without reaching for them.
  struct KeyLine {
    uint64_t print;
    size_t line;
  };

  static uint64_t print(const note::VerifierKey& k) {
    uint64_t p = 0;
    std::memcpy(&p, k.key.data(), std::min<size_t>(sizeof p, k.key.size()));
    return p;
  }

  // The line of an earlier key with the same public key, or 0.
  static size_t repeat(const std::vector<note::VerifierKey>& keys, const std::vector<KeyLine>& lines,
                       const note::VerifierKey& key) {
    const uint64_t p = print(key);
    for (size_t i = 0; i < keys.size(); ++i) {
      if (lines[i].print == p && keys[i].same_public_key(key)) return lines[i].line;
    }
    return 0;
  }

  // Room for the least every policy may hold, so a usual one never regrows.
  void reserve() {
    constexpr size_t n = 32;
    WitnessRule& w = policy_.witnesses;
    policy_.logs.reserve(n);
    log_lines_.reserve(n);
    w.keys.reserve(n);
    w.owner.reserve(n);
    w.witnesses.reserve(n);
    witness_lines_.reserve(n);
    w.groups.reserve(n);
    w.members.reserve(2 * n);
    names_.reserve(2 * n);
  }

  Result<void> line_(size_t n, const std::vector<std::string_view>& it) {
    if (it.empty() || it[0][0] == '#') return {};
    const std::string_view kind = it[0];
    if (kind == "log") return log(n, it);
    if (kind == "witness") return witness(n, it);
    if (kind == "group") return group(n, it);
    if (kind == "quorum") return quorum(n, it);
    return fail(n, "unknown keyword " + quote(kind));
  }

  Result<void> log(size_t n, const std::vector<std::string_view>& it) {
    if (it.size() < 2 || it.size() > 3) return fail(n, "log takes a key and an optional URL");
    if (policy_.logs.size() == kMaxPolicyLogs) return fail(n, "more than " + std::to_string(kMaxPolicyLogs) + " logs");
    auto key = note::parse_verifier_key(it[1]);
    if (!key) return fail(n, "log key: " + key_detail(key.error()));
    if (const size_t first = repeat(policy_.logs, log_lines_, *key)) {
      return fail(n, "log key repeats the key of line " + std::to_string(first));
    }
    log_lines_.push_back({print(*key), n});
    policy_.logs.push_back(std::move(*key));
    return {};
  }

  Result<void> define(size_t n, std::string_view name) {
    if (name == "none") return fail(n, "the name \"none\" is reserved");
    if (names_.find(name)) return fail(n, "name " + quote(name) + " is already defined");
    return {};
  }

  Result<void> witness(size_t n, const std::vector<std::string_view>& it) {
    if (it.size() < 3 || it.size() > 4) return fail(n, "witness takes a name, a key and an optional URL");
    WitnessRule& w = policy_.witnesses;
    if (w.witnesses.size() == kMaxPolicyWitnesses) {
      return fail(n, "more than " + std::to_string(kMaxPolicyWitnesses) + " witnesses");
    }
    if (auto r = define(n, it[1]); !r) return r;
    auto key = note::parse_cosigner_key(it[2]);
    if (!key) return fail(n, "witness key: " + key_detail(key.error()));
    if (const size_t first = repeat(w.keys, witness_lines_, *key)) {
      return fail(n, "witness key repeats the key of line " + std::to_string(first));
    }
    names_.add(it[1], Named{Member{false, w.witnesses.size()}});
    w.owner.push_back(w.witnesses.size());
    w.witnesses.emplace_back(it[1]);
    witness_lines_.push_back({print(*key), n});
    w.keys.push_back(std::move(*key));
    return {};
  }

  static Error undefined(size_t n, std::string_view name) { return fail(n, "undefined name " + quote(name)); }

  Result<std::optional<Member>> member(size_t n, std::string_view name) {
    if (name == "none") return std::optional<Member>{};
    const Named* m = names_.find(name);
    if (!m) return undefined(n, name);
    return std::optional<Member>(m->member);
  }

  Result<void> group(size_t n, const std::vector<std::string_view>& it) {
    if (it.size() < 4) return fail(n, "group takes a name, all, any or a number, and at least one member");
    WitnessRule& w = policy_.witnesses;
    if (w.groups.size() == kMaxPolicyGroups) return fail(n, "more than " + std::to_string(kMaxPolicyGroups) + " groups");
    if (auto r = define(n, it[1]); !r) return r;
    const auto k = threshold(it[2], it.size() - 3);
    if (!k) {
      return fail(n, "threshold " + quote(it[2]) + " is not all, any or a number from 1 to " + std::to_string(it.size() - 3));
    }
    WitnessRule::Group g{std::string(it[1]), *k, w.members.size(), it.size() - 3};
    for (size_t i = 3; i < it.size(); ++i) {
      if (it[i] == "none") return fail(n, "\"none\" cannot be a group member");
      Named* m = names_.find(it[i]);
      if (!m) return undefined(n, it[i]);
      if (m->listed) return fail(n, "member " + quote(it[i]) + " is already listed in a group");
      m->listed = true;
      w.members.push_back(m->member);
    }
    names_.add(it[1], Named{Member{true, w.groups.size()}});
    w.groups.push_back(std::move(g));
    return {};
  }

  Result<void> quorum(size_t n, const std::vector<std::string_view>& it) {
    if (it.size() != 2) return fail(n, "quorum takes one name");
    if (quorum_line_) return fail(n, "second quorum line (the first is line " + std::to_string(quorum_line_) + ")");
    auto m = member(n, it[1]);
    if (!m) return std::move(m).error();
    policy_.witnesses.quorum = *m;
    quorum_line_ = n;
    return {};
  }

  TlogPolicy policy_;
  std::vector<KeyLine> log_lines_, witness_lines_;  // one per key, in order
  Names<Named> names_;
  size_t quorum_line_ = 0;
};

}  // namespace

Result<TlogPolicy> parse_tlog_policy(std::string_view text) { return Parser().run(text); }

std::string quorum_name(const TlogPolicy& policy) {
  const auto& q = policy.witnesses.quorum;
  if (!q) return "none";
  return q->group ? policy.witnesses.groups[q->index].name : policy.witnesses.witnesses[q->index];
}

Result<VerifiedCheckpoint> verify_with_policy(std::string_view note_text, const TlogPolicy& policy,
                                              uint64_t not_before) {
  auto note = note::parse_signed_note(note_text);
  if (!note) return std::move(note).error();
  auto head = parse_checkpoint_body(note->text);
  if (!head) return std::move(head).error();

  std::vector<note::VerifierKey> logs;
  for (const note::VerifierKey& k : policy.logs) {
    if (k.name == head->origin) logs.push_back(k);
  }
  if (logs.empty()) return Error::untrusted_origin(head->origin);
  auto signed_by_log = note::verify_note_signatures(*note, logs);
  if (!signed_by_log) return std::move(signed_by_log).error();

  const WitnessRule& rule = policy.witnesses;
  auto latest = verify_cosignatures(*note, *head, rule);
  if (!latest) return std::move(latest).error();
  VerifiedCheckpoint out{std::move(*head), {}};
  std::vector<bool> fresh(rule.witnesses.size());
  for (size_t i = 0; i < rule.witnesses.size(); ++i) {
    if (!(*latest)[i]) continue;
    out.cosignatures.push_back({rule.witnesses[i], *(*latest)[i]});
    fresh[i] = *(*latest)[i] >= not_before;
  }
  if (!quorum_met(rule, fresh)) {
    const Member q = *rule.quorum;
    if (!q.group) return Error::witness_quorum_not_met("witness " + quote(rule.witnesses[q.index]) +
                                                              " has no cosignature at or after not_before");
    const auto& g = rule.groups[q.index];
    return Error::witness_quorum_not_met("group " + quote(g.name) + " has " +
                                         std::to_string(satisfied_members(rule, fresh)[q.index]) + " of the " +
                                         std::to_string(g.k) + " members it needs");
  }
  return out;
}

}  // namespace silvantrope::checkpoint
