// SPDX-License-Identifier: Apache-2.0
// KEYTRANS proofs from a real combined-tree directory under all three
// suites: every kind round-trips, then every field and rung is altered.

#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "keytrans/ladder.h"
#include "keytrans/verify.h"
#include "keytrans_directory.h"

namespace silvantrope::keytrans {
namespace {

namespace kt = test_support::keytrans;
using kt::Proof;

const std::string kContext = "chat.example/keytrans/v1";
Bytes b(std::string_view s) { return Bytes(s.begin(), s.end()); }

// Entry 0 is an empty tree; alice has versions 0..5 from entry 6 on and
// version 6 from entry 9 on; every entry adds three single-version labels.
const kt::Directory& directory(kt::Suite suite) {
  static std::map<kt::Suite, kt::Directory> all;
  if (!all.count(suite)) {
    kt::Directory d(suite, kContext, kt::vrf_for(suite, 5));
    d.publish(1700000000000);
    for (int e = 1; e < 12; ++e) {
      for (int u = 0; u < 3; ++u) d.set(b("u" + std::to_string(3 * e + u)), b("key " + std::to_string(u)));
      if (e <= 6 || e == 9) d.set(b("alice"), b("alice key " + std::to_string(d.versions(b("alice"), e - 1))));
      d.publish(1700000000000 + e);
    }
    all.emplace(suite, std::move(d));
  }
  return all.at(suite);
}

std::string run(kt::Suite suite, const Proof& p, const Bytes& label, const Bytes& root, uint16_t as_suite = 0,
                uint8_t as_kind = 0) {
  auto ctx = resolve_suite(as_suite ? as_suite : uint16_t{suite}, as_bytes(kContext), directory(suite).vrf().public_key);
  if (!ctx) return std::string(ctx.error().message());
  const Bytes proof = kt::encode(p);
  auto show = [](const Result<SearchResult>& r) {
    if (!r) return std::string(r.error().message());
    return r->present ? "present " + std::string(r->value->begin(), r->value->end()) : std::string("absent");
  };
  const uint8_t kind = as_kind ? as_kind : p.kind;
  if (kind == kt::Search) return show(verify_search_proof(*ctx, root, label, proof));
  if (kind == kt::FixedVersion) return show(verify_fixed_version_proof(*ctx, root, label, proof));
  auto r = verify_monitor_proof(*ctx, root, label, proof);
  return r ? "ok" : std::string(r.error().message());
}

const std::string kMalformed = "malformed keytrans structure: ";
const std::string kRoot = "keytrans proof root mismatch: recomputed root does not match the expected root";
const std::string kVrf = "vrf proof did not verify against the namespace public key";
const kt::Suite kSuites[] = {kt::HybridExp, kt::Ed25519, kt::P256};

TEST(Keytrans, EveryKindRoundTrips) {
  for (kt::Suite s : kSuites) {
    const kt::Directory& d = directory(s);
    std::map<int, int> types;
    auto check = [&](const Proof& p, const Bytes& label, const std::string& want) {
      EXPECT_EQ(run(s, p, label, d.root()), want) << s << " " << std::string(label.begin(), label.end());
      for (const kt::Step& st : p.ladder) ++types[st.prefix.result_type];
      for (kt::Suite other : kSuites) {  // a present value is bound to the suite; absence need not be
        if (other != s && want.starts_with("present")) {
          EXPECT_NE(run(s, p, label, d.root(), other), want);
        }
      }
    };
    for (uint64_t e = 0; e < d.log_size(); ++e) {
      const uint32_t g = d.versions(b("alice"), e);
      check(d.search(b("alice"), e), b("alice"), g ? "present alice key " + std::to_string(g - 1) : "absent");
      check(d.search(b("mallory"), e), b("mallory"), "absent");
      check(d.search(b("u" + std::to_string(3 * e)), e), b("u" + std::to_string(3 * e)), e ? "present key 0" : "absent");
      for (uint32_t v = 0; v <= g + 1; ++v) {
        check(d.fixed_version(b("alice"), v, e), b("alice"), v < g ? "present alice key " + std::to_string(v) : "absent");
        check(d.monitor(b("alice"), v, e), b("alice"), v < g ? "ok" : kRoot);
      }
    }
    EXPECT_TRUE(types[kt::Inclusion] && types[kt::NonInclusionLeaf] && types[kt::NonInclusionParent]);
    Proof extra_rung = d.monitor(b("alice"), 2, 6);
    extra_rung.ladder.push_back(extra_rung.ladder.back());
    EXPECT_EQ(run(s, extra_rung, b("alice"), d.root()),
              kMalformed + "monitor ladder versions do not match the canonical monitoring ladder");
  }
}

// Alterations of alice's search proof at entry 6 (greatest version 5, rungs
// 0 1 3 7 5 6); $P, $O and $N stand for the suite's proof length, opening
// length and name; a trailing * matches any rest.
struct Alteration {
  const char* what;
  std::function<void(Proof&, Bytes& label, Bytes& root, const kt::Directory&)> edit;
  std::string want;
};

// The greatest version g claimed with the canonical rungs of entry e.
void claim(Proof& p, const kt::Directory& d, const Bytes& label, uint64_t e, uint32_t g) {
  p = d.search(label, e);
  p.greatest_version = g;
  p.ladder.clear();
  for (uint64_t v : search_ladder(g)) p.ladder.push_back(d.step(label, static_cast<uint32_t>(v), e));
}

// An inclusion rung recast as the absence of its own key, whose bit at
// `bit` (1-based; 0 for none) is flipped.
void as_leaf_absence(kt::Step& s, const kt::Directory& d, size_t bit) {
  Bytes key = d.vrf().search_key(s.vrf_proof);
  if (bit) key[(bit - 1) / 8] ^= static_cast<uint8_t>(0x80 >> ((bit - 1) % 8));
  s.prefix.result_type = kt::NonInclusionLeaf;
  s.prefix.leaf = kt::PrefixLeaf{key, s.commitment};
}

const Alteration kAlterations[] = {
    {"nothing", [](auto&...) {}, "present alice key 5"},
    {"root length", [](Proof&, Bytes&, Bytes& r, auto&) { r.pop_back(); }, kMalformed + "combined root must be 32 bytes, got 31"},
    {"root", [](Proof&, Bytes&, Bytes& r, auto&) { r[9] ^= 1; }, kRoot},
    {"kind", [](Proof& p, auto&...) { p.kind = kt::Monitor; }, kMalformed + "expected search proof (kind 1), got kind 3"},
    {"entry index", [](Proof& p, auto&...) { p.entry_index ^= 1; }, kRoot},
    {"tree size", [](Proof& p, auto&...) { ++p.tree_size; }, kMalformed + "batch proof is missing expected element(s)"},
    {"timestamp", [](Proof& p, auto&...) { ++p.timestamp; }, kRoot},
    {"prefix root", [](Proof& p, auto&...) { p.prefix_root[0] ^= 1; }, kRoot},
    {"log element missing", [](Proof& p, auto&...) { p.log_inclusion.pop_back(); }, kMalformed + "batch proof is missing expected element(s)"},
    {"log element extra", [](Proof& p, auto&...) { p.log_inclusion.push_back(p.prefix_root); }, kMalformed + "batch proof has unused trailing elements"},
    {"log elements swapped", [](Proof& p, auto&...) { std::swap(p.log_inclusion[0], p.log_inclusion[1]); }, kRoot},
    {"greatest lower", [](Proof& p, auto&...) { p.greatest_version = 4; }, kMalformed + "search ladder versions do not match the canonical binary ladder"},
    {"greatest absent", [](Proof& p, auto&...) { p.greatest_version.reset(); }, kMalformed + "search ladder versions do not match the canonical binary ladder"},
    {"rungs swapped", [](Proof& p, auto&...) { std::swap(p.ladder[4], p.ladder[5]); }, kMalformed + "search ladder versions do not match the canonical binary ladder"},
    {"rung missing", [](Proof& p, auto&...) { p.ladder.pop_back(); }, kMalformed + "search ladder versions do not match the canonical binary ladder"},
    {"vrf proof", [](Proof& p, auto&...) { p.ladder[4].vrf_proof[40] ^= 1; }, kVrf},
    {"vrf proof length", [](Proof& p, auto&...) { p.ladder[3].vrf_proof.pop_back(); }, "vrf error: invalid length: expected $P bytes, got $P-1"},
    {"label", [](Proof&, Bytes& l, auto&...) { l.back() ^= 1; }, kVrf},
    {"label bound", [](Proof&, Bytes& l, auto&...) { l.resize(256); }, kMalformed + "VrfInput.label: 256 bytes exceeds the <0..2^8-1> vector bound (255)"},
    {"copath", [](Proof& p, auto&...) { p.ladder[4].prefix.elements[0][31] ^= 1; }, kRoot},
    {"copath on a non-inclusion", [](Proof& p, auto&...) { p.ladder[5].prefix.elements.back()[0] ^= 1; }, kRoot},
    {"depth", [](Proof& p, auto&...) { ++p.ladder[0].prefix.depth; }, kMalformed + "prefix proof depth *"},
    {"inclusion commitment", [](Proof& p, auto&...) { p.ladder[4].commitment[0] ^= 1; }, kRoot},
    {"inclusion without commitment", [](Proof& p, auto&...) { p.ladder[1].has_commitment = false; }, kMalformed + "inclusion ladder rung is missing its commitment"},
    {"non-inclusion commitment ignored", [](Proof& p, auto&...) { p.ladder[3].has_commitment = true, p.ladder[3].commitment = p.ladder[4].commitment; }, "present alice key 5"},
    {"result type", [](Proof& p, auto&...) { p.ladder[0].prefix.result_type = kt::NonInclusionParent, ++p.ladder[0].prefix.depth; }, kMalformed + "prefix proof depth *"},
    {"forged absence", [](Proof& p, Bytes&, Bytes&, auto& d) { as_leaf_absence(p.ladder[4], d, 0); }, kMalformed + "forged absence: terminal leaf matches the search key"},
    {"cross-key absence", [](Proof& p, Bytes&, Bytes&, auto& d) { as_leaf_absence(p.ladder[4], d, p.ladder[4].prefix.depth); }, kMalformed + "cross-key absence: terminal leaf does not share the search-key prefix"},
    {"rung of another version", [](Proof& p, auto&...) { p.ladder[5].vrf_proof = p.ladder[4].vrf_proof; }, kVrf},
    {"claims 6 at 6", [](Proof& p, Bytes& l, Bytes&, auto& d) { claim(p, d, l, 6, 6); }, kMalformed + "ladder rung version 6 inclusion false contradicts claimed greatest Some(6)"},
    {"claims 5 at 9", [](Proof& p, Bytes& l, Bytes&, auto& d) { claim(p, d, l, 9, 5); }, kMalformed + "ladder rung version 6 inclusion true contradicts claimed greatest Some(5)"},
    {"claims absence", [](Proof& p, Bytes& l, Bytes&, auto& d) { p.greatest_version.reset(), p.ladder = {d.step(l, 0, 6)}; }, kMalformed + "ladder rung version 0 inclusion true contradicts claimed greatest None"},
    {"value", [](Proof& p, auto&...) { p.revealed.value.push_back('!'); }, "commitment did not open to the claimed value"},
    {"opening", [](Proof& p, auto&...) { p.revealed.opening[0] ^= 1; }, "commitment did not open to the claimed value"},
    {"opening length", [](Proof& p, auto&...) { p.revealed.opening.pop_back(); }, kMalformed + "commitment opening must be $O bytes for $N, got $O-1"},
    {"value withheld", [](Proof& p, auto&...) { p.revealed.present = false; }, kMalformed + "present label is missing its revealed value"},
};

TEST(Keytrans, EveryAlterationIsCaught) {
  for (kt::Suite s : kSuites) {
    const kt::Directory& d = directory(s);
    const int proof_size = s == kt::P256 ? 81 : 80, opening = s == kt::HybridExp ? 32 : 16;
    const std::string name = s == kt::P256 ? "Kt128Sha256P256" : s == kt::Ed25519 ? "Kt128Sha256Ed25519" : "SilvantropeHybridExp";
    for (const Alteration& a : kAlterations) {
      Proof p = d.search(b("alice"), 6);
      Bytes label = b("alice"), root = d.root();
      a.edit(p, label, root, d);
      std::string want = a.want;
      for (auto [token, value] : {std::pair{"$P-1", std::to_string(proof_size - 1)}, {"$P", std::to_string(proof_size)},
                                  {"$O-1", std::to_string(opening - 1)}, {"$O", std::to_string(opening)}, {"$N", name}}) {
        for (size_t at; (at = want.find(token)) != std::string::npos;) want.replace(at, std::string(token).size(), value);
      }
      const std::string got = run(s, p, label, root, 0, kt::Search);
      EXPECT_EQ(want.ends_with('*') ? got.substr(0, want.size() - 1) + "*" : got, want) << a.what << " under " << name;
    }
  }
}

TEST(Keytrans, LaddersEndAtTheTarget) {
  std::mt19937 rng(6);
  for (int i = 0; i < 2000; ++i) {
    const uint32_t t = rng() >> (rng() % 32);
    const std::vector<uint64_t> l = search_ladder(t), m = monitoring_ladder(t);
    EXPECT_EQ(std::count(l.begin(), l.end(), t) + std::count(l.begin(), l.end(), t + uint64_t{1}), 2) << t;
    EXPECT_TRUE(m.back() == t && std::all_of(m.begin(), m.end(), [t](uint64_t e) { return e <= t; })) << t;
    const auto theirs = kt::monitoring_ladder(t);
    EXPECT_TRUE(std::equal(m.begin(), m.end(), theirs.begin(), theirs.end())) << t;
  }
}

}  // namespace
}  // namespace silvantrope::keytrans
