// SPDX-License-Identifier: Apache-2.0
// Writes the signed SignedPolicy envelopes (NAME.policy, raw bytes) and the observed
// key and signature tokens (NAME.tok, base64 text) that the policy cases in
// tests/data/policy run against; unsigned ones are hex in the case files.
// Deterministic: a rerun reproduces them.
//
// Usage: make_policy_cases DIR

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>

#include "coniks_tree.h"
#include "policies.h"

namespace {

using namespace test_support;
using F = PolicyFields;

const SchemeSigner& signer(SchemeType type, uint64_t seed = 0) {
  static std::map<std::pair<SchemeType, uint64_t>, SchemeSigner> signers;
  auto it = signers.try_emplace({type, seed}, type, 100 + uint64_t(type) + seed).first;
  return it->second;
}
const SchemeSigner& small() { return signer(SchemeType::EdMlDsa44); }

F with(const std::function<void(F&)>& change, F f = {}) {
  change(f);
  return f;
}
Bytes cut(Bytes b, size_t n) { return b.resize(n), b; }
Bytes plus(Bytes b, Bytes tail) { return b.insert(b.end(), tail.begin(), tail.end()), b; }
Bytes bump(Bytes b, size_t at) { return ++b[at], b; }
Bytes signed_by(const F& f, const SchemeSigner& s = small()) { return signed_policy(f, s); }

const F kGenesis{};
const F kSuccessor = with([](F& f) {
  f.prev = sha3_512_with_context(policy_label(kGenesis), canonical_policy_record(kGenesis));
  f.effective_from = 4096, f.created_at += 86400000;
});

// Every level/suite/directory cell; PureCnsa2 at Cat3 is refused by the record rules.
void add_posture_cells(std::map<std::string, Bytes>& out) {
  const std::pair<const char*, uint8_t> levels[] = {{"cat3", 3}, {"cat5", 5}};
  const std::pair<const char*, uint8_t> suites[] = {{"hybrid", 1}, {"matched", 2}, {"cnsa2", 3}};
  const std::pair<const char*, uint16_t> routes[] = {{"coniks", 0}, {"kt-exp", 0xF000}, {"kt-ed25519", 2}, {"kt-p256", 1}};
  for (auto [level, l] : levels)
    for (auto [suite, s] : suites)
      for (auto [route, kt] : routes) {
        const F f = with([&](F& c) {
          c.level = l, c.hash = l == 3 ? 1 : 2, c.suite = s;
          if (kt != 0) c.format = 2, c.mode = 2, c.keytrans = kt;
        });
        const std::string name = std::string("cell-") + level + "-" + suite + "-" + route;
        if (l != 3 || s != 3) out[name] = signed_by(f);  // the refused cells are case data
      }
}

std::map<std::string, Bytes> envelopes() {
  const F kt = F::keytrans_p256();
  const F coniks2 = with([](F& f) { f.format = 2; });
  std::map<std::string, Bytes> out = {
      {"genesis", signed_by(kGenesis)},
      {"successor", signed_by(kSuccessor)},
      {"keytrans", signed_by(kt)},
      {"coniks-as-format-2", signed_by(coniks2)},
      {"coniks-as-format-2-signed-as-received", signed_policy(coniks2, small(), policy_record(coniks2))},
      {"label-of-other-namespace", signed_policy(kGenesis, small(), std::nullopt, "other.example/namespace-policy/v1")},
      {"coniks-label-v2", signed_policy(kGenesis, small(), std::nullopt, "acme.example/namespace-policy/v2")},
      {"keytrans-label-v1", signed_policy(kt, small(), std::nullopt, "acme.example/namespace-policy/v1")},
      {"tampered-created-at", policy_envelope(policy_record(with([](F& f) { f.created_at += 1; })), small().public_key(),
                                              small().sign(policy_label(kGenesis), canonical_policy_record(kGenesis)))},
      {"other-key", policy_envelope(policy_record(kGenesis), signer(SchemeType::EdMlDsa44, 1).public_key(),
                                    small().sign(policy_label(kGenesis), canonical_policy_record(kGenesis)))},
      {"levels-differ", policy_envelope(policy_record(kGenesis), signer(SchemeType::EdMlDsa65).public_key(),
                                        small().sign(policy_label(kGenesis), canonical_policy_record(kGenesis)))},
      {"key-type-unknown", policy_envelope(policy_record(kGenesis), plus({0x05}, small().public_key()),
                                           small().sign(policy_label(kGenesis), canonical_policy_record(kGenesis)))},
      {"quoted-namespace", signed_policy(with([](F& f) { f.ns = "a\"b\\c"; }), small(), std::nullopt, "x/namespace-policy/v1")},
      {"envelope-record-one-byte-long", bump(signed_by(kGenesis), 7)},
      {"envelope-trailing-byte", plus(signed_by(kGenesis), {0x00})},
  };
  add_posture_cells(out);
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: make_policy_cases DIR\n";
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  std::filesystem::create_directories(dir);
  auto write = [&](const std::string& name, const std::string& content) {
    std::ofstream(dir / name, std::ios::binary) << content;
  };
  const auto to_text = [](const Bytes& b) { return std::string(b.begin(), b.end()); };
  for (const auto& [name, bytes] : envelopes()) write(name + ".policy", to_text(bytes));
  const Bytes checkpoint = {'c', 'p'};
  for (SchemeType t : all_scheme_types()) {
    char id[3];
    std::snprintf(id, sizeof id, "%02x", unsigned(t));
    write(std::string("signed-by-") + id + ".policy", to_text(signed_by(kGenesis, signer(t))));
    write(std::string("key-") + id + ".tok", base64(signer(t).public_key()));
    write(std::string("sig-") + id + ".tok", base64(signer(t).sign("log.example/checkpoint", checkpoint)));
  }
  write("key-02-short.tok", base64(cut(signer(SchemeType::EdMlDsa65).public_key(), 1984)));
  write("sig-10-unverified.tok", base64(plus({0x10}, Bytes(4627, 0))));
  write("sig-10-long.tok", base64(plus({0x10}, Bytes(4628, 0))));
  return 0;
}
