// SPDX-License-Identifier: Apache-2.0
// CONIKS proofs, namespaces and commitments; input layouts in README.md.

#include "commitment/commitment.h"
#include "coniks/proof.h"
#include "context/label.h"
#include "context/namespace.h"
#include "core/quote.h"
#include "encoding/base64.h"
#include "support.h"

using fuzz::Bytes;
using silvantrope::ByteView;

// A parsed proof views the input, and its parts add up to all of it.
static void check_proof(ByteView in, std::initializer_list<ByteView> fields, const silvantrope::coniks::AuthPath& path) {
  auto inside = [&](ByteView v) { return v.empty() || (v.data() >= in.data() && &v.back() <= &in.back()); };
  size_t used = 1 + 4 * std::min<size_t>(fields.size(), 2) + 32;  // tag, length prefixes, bitmap
  for (ByteView v : fields) used += (FUZZ_CHECK(inside(v)), v.size());
  for (const uint8_t* s : path) used += s ? (FUZZ_CHECK(inside({s, 64})), 64) : 0;
  FUZZ_CHECK(in.size() == used);
}

// Shapes default to the namespace as text and the rest framed as byte lists.
static fuzz::Outcome verify(bool lookup, const Bytes* a, const uint8_t* shape = nullptr) {
  return fuzz::twice([&] {
    auto x = [&](int i) { return fuzz::arg(a[i], shape ? shape[i] : i > 0); };
    RustCallStatus st{};
    RustBuffer r{};
    if (lookup) r = uniffi_silvantrope_log_fn_func_coniks_verify_lookup(x(0), x(1), x(2), x(3), x(4), &st);
    if (!lookup) uniffi_silvantrope_log_fn_func_coniks_verify_absence(x(0), x(1), x(2), x(3), x(4), &st);
    return fuzz::settle(st, lookup ? &r : nullptr);
  });
}

struct Sample {
  bool lookup;
  Bytes args[5], value;  // namespace, VRF key, root, identity, proof; the proven value
};

static const Sample& sample(size_t i) {  // the proofs in samples/coniks/
  static const auto all = [] {
    auto hex = [](std::string_view h) { return *silvantrope::encoding::hex_decode(h.substr(0, h.find('\n'))); };
    const Bytes ns = hex("636861742e73696c76616e74726f70652e6578616d706c65"), key = hex("cf6e620156e9f148c25e49aa9a60c39ea8ca882effe44bf189e0e19ba2b31b67");
    const Bytes root = hex("3333eb0d064dd4543e0eae4f39b10cae04e3f0ef81ed99e8902453adb8a15f103361b0b10917b7e127e12c9d52086a5b396ae899156be4009051fbb554b40d16");
    std::vector<Sample> out;
    for (const std::string who : {"alice", "carol", "mallory"}) {
      const std::string id = who + "@chat.example", file = "coniks/" + who + (who == "mallory" ? ".absence" : ".lookup");
      out.push_back({who != "mallory", {ns, key, root, {id.begin(), id.end()}, hex(fuzz::sample(file))}, {}});
      out.back().value = verify(out.back().lookup, out.back().args).value;
    }
    return out;
  }();
  return all[i % 3];
}

static void sample_edits(fuzz::Source& s) {
  const uint8_t flags = s.u8();
  const Sample& smp = sample(flags);
  Bytes a[5] = {smp.args[0], smp.args[1], smp.args[2], smp.args[3], smp.args[4]}, &p = a[4];
  if (flags & 8) a[3].push_back('!');
  if (flags & 16) p.pop_back();
  for (size_t at = 0; s.n;) at = size_t{s.u8()} << 8, at |= s.u8(), p[at % p.size()] ^= s.u8();
  const fuzz::Outcome o = verify(smp.lookup != bool(flags & 4), a);
  FUZZ_CHECK(o.code == 0 ? o.value == smp.value && !(flags & 28) : flags & 28 || p != smp.args[4]);
}

static void commitment(fuzz::Source& s) {
  const uint8_t flags = s.u8();
  Bytes a[4] = {s.chunk(), s.take(64), s.chunk(), s.take(32)};  // context, commitment, value, opening
  silvantrope::commitment::Opening opening{};
  std::copy_n(a[3].begin(), std::min<size_t>(a[3].size(), 32), opening.begin());
  const auto made = silvantrope::commitment::compute_commitment(a[0], a[2], opening);
  if (flags & 1) a[1].assign(made.begin(), made.end()), a[1][s.u8() % 64] ^= flags & 2;
  const fuzz::Outcome o = fuzz::twice([&] {
    RustCallStatus st{};
    auto x = [&](int i) { return fuzz::arg(a[i], i > 0); };
    return uniffi_silvantrope_log_fn_func_verify_commitment(x(0), x(1), x(2), x(3), &st), fuzz::settle(st);
  });
  FUZZ_CHECK(!(flags & 1) || a[3].size() != 32 || o.code == (flags & 2 ? 1 : 0));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Source s{data, size};
  const uint8_t selector = s.u8() % 6;
  const ByteView in(s.p, s.n);
  const std::string_view t = silvantrope::as_text(in);
  if (selector == 0) {
    const auto p = fuzz::twice([&] { return silvantrope::coniks::parse_lookup_proof(in); });
    if (p) FUZZ_CHECK(p->opening.size() == 32), check_proof(in, {p->vrf_proof, p->value, p->opening}, p->path);
  }
  if (selector == 1) {
    const auto p = fuzz::twice([&] { return silvantrope::coniks::parse_absence_proof(in); });
    if (p) check_proof(in, {p->vrf_proof}, p->path);
  }
  if (selector == 2) {
    const auto ns = fuzz::twice([&] { return silvantrope::context::validate_namespace(t); });
    FUZZ_CHECK(ns ? ns->text == t && silvantrope::context::parse_context_label(std::string(t) + "/x/v1").has_value()
                  : ns.error().message().ends_with(silvantrope::quote(t)));
  }
  if (selector == 3) {
    const uint8_t flags = s.u8();
    Bytes a[5];
    uint8_t shape[5];
    for (int i = 0; i < 5; ++i) shape[i] = s.u8(), a[i] = shape[i] >> 5 == 4 ? sample(flags >> 1).args[i] : s.chunk();
    verify(!(flags & 1), a, shape);
  }
  if (selector == 4) sample_edits(s);
  if (selector == 5) commitment(s);
  return 0;
}
