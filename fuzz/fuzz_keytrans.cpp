// SPDX-License-Identifier: Apache-2.0
// KEYTRANS proof decoders and the six exports (input layouts in README.md).

#include "encoding/base64.h"
#include "keytrans/proof.h"
#include "support.h"

using fuzz::Bytes;
using silvantrope::ByteView;

// The bundled samples of one suite: VRF key, root, and alice's search proof.
struct Sample {
  uint16_t suite;
  Bytes args[5], value;  // context, VRF key, root, label, proof; the result
};

static fuzz::Outcome verify(uint8_t kind, int suite, const Bytes* a, const uint8_t* shape = nullptr) {
  return fuzz::twice([&] {
    auto x = [&](int i) { return fuzz::arg(a[i], shape ? shape[i] : i > 0); };
    RustCallStatus st{};
    RustBuffer r{};
    const uint16_t id = static_cast<uint16_t>(suite);
    switch (kind % 3 + 3 * (suite >= 0)) {
      case 0: r = uniffi_silvantrope_log_fn_func_keytrans_verify_search(x(0), x(1), x(2), x(3), x(4), &st); break;
      case 1: r = uniffi_silvantrope_log_fn_func_keytrans_verify_fixed_version(x(0), x(1), x(2), x(3), x(4), &st); break;
      case 2: uniffi_silvantrope_log_fn_func_keytrans_verify_monitor(x(0), x(1), x(2), x(3), x(4), &st); break;
      case 3: r = uniffi_silvantrope_log_fn_func_keytrans_verify_search_suite(id, x(0), x(1), x(2), x(3), x(4), &st); break;
      case 4: r = uniffi_silvantrope_log_fn_func_keytrans_verify_fixed_version_suite(id, x(0), x(1), x(2), x(3), x(4), &st); break;
      case 5: uniffi_silvantrope_log_fn_func_keytrans_verify_monitor_suite(id, x(0), x(1), x(2), x(3), x(4), &st); break;
    }
    if (kind % 3 == 2) return fuzz::settle(st);
    fuzz::Outcome o = fuzz::settle(st);
    if (o.code != 0) return FUZZ_CHECK(fuzz::is_zero(r)), o;
    // SearchResult: present, the option's tag, then a byte list when present.
    FUZZ_CHECK(r.data && r.len >= 2 && r.len <= r.capacity && r.data[0] == r.data[1] && r.data[0] <= 1);
    FUZZ_CHECK(r.data[1] ? r.len >= 6 && fuzz::be32(r.data + 2) == r.len - 6 : r.len == 2);
    o.value.assign(r.data, r.data + r.len);
    fuzz::release(r);
    return o;
  });
}

static const Sample& sample(size_t i) {
  static const auto all = [] {
    std::vector<Sample> out;
    for (auto [suite, dir] : {std::pair{0xF000, "hybrid-exp"}, {0x0002, "ed25519"}, {0x0001, "p256"}}) {
      const std::string text = fuzz::sample(std::string("keytrans-") + dir + ".sample");
      auto after = [&](const std::string& flag) {
        const size_t at = text.find(flag) + flag.size();
        return text.substr(at, text.find('\n', at) - at);
      };
      auto hex = [](const std::string& h) { return *silvantrope::encoding::hex_decode(h); };
      const std::string ctx = after("--context "), label = "alice@chat.example";
      std::string proof = fuzz::sample(std::string("keytrans/") + dir + "/alice.search");
      out.push_back({uint16_t(suite), {{ctx.begin(), ctx.end()}, hex(after("--vrf-public ")), hex(after("--root ")),
                                       {label.begin(), label.end()}, hex(proof.substr(0, proof.size() - 1))}, {}});
      out.back().value = verify(0, suite, out.back().args).value;
    }
    return out;
  }();
  return all[i % 3];
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Source s{data, size};
  const uint8_t selector = s.u8() % 5;
  const size_t nc = s.u8() & 1 ? 64 : 32;
  const ByteView in(s.p, s.n);
  using namespace silvantrope::keytrans;
  if (selector == 0) (void)fuzz::twice([&] { return decode_search_proof(in, nc); });
  if (selector == 1) (void)fuzz::twice([&] { return decode_fixed_version_proof(in, nc); });
  if (selector == 2) (void)fuzz::twice([&] { return decode_monitor_proof(in, nc); });
  if (selector == 3) {  // any arguments, any suite id
    const uint8_t kind = s.u8();
    const int suite = kind & 0x80 ? -1 : int{s.u8()} << 8 | s.u8();
    Bytes a[5];
    uint8_t shape[5];
    for (int i = 0; i < 5; ++i) shape[i] = s.u8(), a[i] = shape[i] >> 5 == 4 ? sample(kind).args[i] : s.chunk();
    verify(kind, suite, a, shape);
  }
  if (selector == 4) {  // a sample proof with edits verifies to its own result or not at all
    const uint8_t flags = s.u8();
    const Sample& smp = sample(flags);
    Bytes a[5] = {smp.args[0], smp.args[1], smp.args[2], smp.args[3], smp.args[4]}, &p = a[4];
    if (flags & 4) a[3].back() ^= 1;
    if (flags & 8) p.pop_back();
    for (size_t at = 0; s.n;) at = size_t{s.u8()} << 8, at |= s.u8(), p[at % p.size()] ^= s.u8();
    const int suite = flags & 16 ? sample(flags + 1).suite : smp.suite;
    const fuzz::Outcome o = verify(0, suite, a);
    FUZZ_CHECK(o.code != 0 || (o.value == smp.value && !(flags & 12) && suite == smp.suite));
  }
  return 0;
}
