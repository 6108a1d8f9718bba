// SPDX-License-Identifier: Apache-2.0
#include <optional>

#include "context/label.h"
#include "core/fault.h"
#include "ffi/call.h"
#include "key_history/entry.h"
#include "silvantrope_log.h"

using namespace silvantrope;
using namespace silvantrope::ffi;

namespace {

using OptionalBytes = wire::Optional<wire::ByteList>;

// Lifts the entry's four buffer arguments and hands the normalised entry to f.
template <class F>
auto with_entry(RustCallStatus* status, uint64_t seq, uint64_t ts_ms, RustBuffer enc_x25519,
                RustBuffer enc_pq, RustBuffer signing_pub, RustBuffer prev_entry_hash, F&& f) {
  return call(
      status,
      [&](ByteView x25519, ByteView pq, ByteView signing, std::optional<ByteView> prev) {
        return f(key_history::normalised({seq, ts_ms, x25519, pq, signing, prev}));
      },
      arg<wire::ByteList>("enc_x25519", enc_x25519), arg<wire::ByteList>("enc_pq", enc_pq),
      arg<wire::ByteList>("signing_pub", signing_pub),
      arg<OptionalBytes>("prev_entry_hash", prev_entry_hash));
}

// The default label, parsed once.
const context::ContextLabel& default_label() {
  static const context::ContextLabel label = [] {
    auto parsed = context::parse_context_label(key_history::kDefaultLabel);
    if (!parsed) throw InternalFault("the default key-history label does not parse");
    return *std::move(parsed);
  }();
  return label;
}

}  // namespace

extern "C" {

RustBuffer uniffi_silvantrope_log_fn_func_key_history_v1_canonical_bytes(
    uint64_t seq, uint64_t ts_ms, RustBuffer enc_x25519, RustBuffer enc_pq,
    RustBuffer signing_pub, RustBuffer prev_entry_hash, RustCallStatus* status) {
  return with_entry(status, seq, ts_ms, enc_x25519, enc_pq, signing_pub, prev_entry_hash,
                    [](const key_history::Entry& e) { return key_history::canonical_bytes(e); });
}

RustBuffer uniffi_silvantrope_log_fn_func_key_history_v1_entry_hash(
    uint64_t seq, uint64_t ts_ms, RustBuffer enc_x25519, RustBuffer enc_pq,
    RustBuffer signing_pub, RustBuffer prev_entry_hash, RustCallStatus* status) {
  return with_entry(status, seq, ts_ms, enc_x25519, enc_pq, signing_pub, prev_entry_hash,
                    [](const key_history::Entry& e) { return key_history::entry_hash(e, default_label()); });
}

RustBuffer uniffi_silvantrope_log_fn_func_key_history_entry_hash_with_context(
    RustBuffer context, uint64_t seq, uint64_t ts_ms, RustBuffer enc_x25519, RustBuffer enc_pq,
    RustBuffer signing_pub, RustBuffer prev_entry_hash, RustCallStatus* status) {
  return call(
      status,
      [&](std::string_view text, ByteView x25519, ByteView pq, ByteView signing,
          std::optional<ByteView> prev) -> Result<Hash64> {
        auto label = context::parse_context_label(text);
        if (!label) return std::move(label).error();
        return key_history::entry_hash(
            key_history::normalised({seq, ts_ms, x25519, pq, signing, prev}), *label);
      },
      arg<wire::Text>("context", context), arg<wire::ByteList>("enc_x25519", enc_x25519),
      arg<wire::ByteList>("enc_pq", enc_pq), arg<wire::ByteList>("signing_pub", signing_pub),
      arg<OptionalBytes>("prev_entry_hash", prev_entry_hash));
}

RustBuffer uniffi_silvantrope_log_fn_func_key_history_v1_rfc6962_leaf_hash(
    uint64_t seq, uint64_t ts_ms, RustBuffer enc_x25519, RustBuffer enc_pq,
    RustBuffer signing_pub, RustBuffer prev_entry_hash, RustCallStatus* status) {
  return with_entry(status, seq, ts_ms, enc_x25519, enc_pq, signing_pub, prev_entry_hash,
                    [](const key_history::Entry& e) { return key_history::rfc6962_leaf_hash(e); });
}

}  // extern "C"
