// SPDX-License-Identifier: Apache-2.0
#include "checkpoint/checkpoint.h"
#include "checkpoint/cosigned.h"
#include "ffi/call.h"
#include "ffi/records.h"
#include "merkle/proof.h"
#include "note/signed_note.h"
#include "silvantrope_log.h"

using namespace silvantrope;
using namespace silvantrope::ffi;

namespace {

using Keys = std::vector<std::string_view>;
using KeyList = wire::List<wire::String>;
using Proof = ByteViewList;

// Keys are parsed before any note is looked at; the first bad key wins.
template <class F>
auto with_keys(const Keys& texts, F&& f) -> decltype(f(std::declval<std::vector<note::VerifierKey>&>())) {
  auto keys = note::parse_verifier_keys(texts);
  if (!keys) return std::move(keys).error();
  return f(*keys);
}

}  // namespace

extern "C" {

uint32_t uniffi_silvantrope_log_fn_func_verify_signed_note(RustBuffer note_text, RustBuffer vkeys,
                                                           RustCallStatus* status) {
  return call(
      status,
      [](std::string_view text, const Keys& key_texts) {
        return with_keys(key_texts, [&](auto& keys) -> Result<uint32_t> {
          auto parsed = note::parse_signed_note(text);
          if (!parsed) return std::move(parsed).error();
          return note::verify_note_signatures(*parsed, keys);
        });
      },
      arg<wire::Text>("note_text", note_text), arg<KeyList>("vkeys", vkeys));
}

RustBuffer uniffi_silvantrope_log_fn_func_checkpoint_parse(RustBuffer body_text,
                                                           RustCallStatus* status) {
  return call(
      status, [](std::string_view body) { return checkpoint::parse_checkpoint_body(body); },
      arg<wire::Text>("body_text", body_text));
}

RustBuffer uniffi_silvantrope_log_fn_func_checkpoint_verify(RustBuffer note_text, RustBuffer vkeys,
                                                            RustCallStatus* status) {
  return call(
      status,
      [](std::string_view text, const Keys& key_texts) {
        return with_keys(key_texts,
                         [&](auto& keys) { return checkpoint::verify_checkpoint(text, keys); });
      },
      arg<wire::Text>("note_text", note_text), arg<KeyList>("vkeys", vkeys));
}

void uniffi_silvantrope_log_fn_func_checkpoint_verify_inclusion(RustBuffer note_text,
                                                                RustBuffer vkeys,
                                                                uint64_t leaf_index,
                                                                RustBuffer leaf_hash,
                                                                RustBuffer proof,
                                                                RustCallStatus* status) {
  call(
      status,
      [&](std::string_view text, const Keys& key_texts, ByteView leaf, const Proof& path) {
        return with_keys(key_texts, [&](auto& keys) -> Result<void> {
          auto head = checkpoint::verify_checkpoint(text, keys);
          if (!head) return std::move(head).error();
          return merkle::verify_inclusion_proof(leaf_index, head->size, leaf, path, head->root);
        });
      },
      arg<wire::Text>("note_text", note_text), arg<KeyList>("vkeys", vkeys),
      arg<wire::ByteList>("leaf_hash", leaf_hash), arg<wire::List<wire::ByteList>>("proof", proof));
}

void uniffi_silvantrope_log_fn_func_checkpoint_verify_consistency(RustBuffer older_note,
                                                                  RustBuffer newer_note,
                                                                  RustBuffer vkeys,
                                                                  RustBuffer proof,
                                                                  RustCallStatus* status) {
  call(
      status,
      [](std::string_view older_text, std::string_view newer_text, const Keys& key_texts,
         const Proof& path) {
        return with_keys(key_texts, [&](auto& keys) -> Result<void> {
          auto older = checkpoint::verify_checkpoint(older_text, keys);
          if (!older) return std::move(older).error();
          auto newer = checkpoint::verify_checkpoint(newer_text, keys);
          if (!newer) return std::move(newer).error();
          return merkle::verify_consistency_proof(older->size, newer->size, path, older->root,
                                                  newer->root);
        });
      },
      arg<wire::Text>("older_note", older_note), arg<wire::Text>("newer_note", newer_note),
      arg<KeyList>("vkeys", vkeys), arg<wire::List<wire::ByteList>>("proof", proof));
}

RustBuffer uniffi_silvantrope_log_fn_func_checkpoint_verify_cosigned(RustBuffer note_text,
                                                                     RustBuffer log_vkeys,
                                                                     RustBuffer cosigner_vkeys,
                                                                     uint32_t quorum,
                                                                     uint64_t not_before,
                                                                     RustCallStatus* status) {
  return call(
      status,
      [&](std::string_view text, const Keys& log_texts, const Keys& cosigner_texts) {
        return with_keys(log_texts, [&](auto& keys) {
          return checkpoint::verify_cosigned(text, keys, cosigner_texts, quorum, not_before);
        });
      },
      arg<wire::Text>("note_text", note_text), arg<KeyList>("log_vkeys", log_vkeys),
      arg<KeyList>("cosigner_vkeys", cosigner_vkeys));
}

}  // extern "C"
