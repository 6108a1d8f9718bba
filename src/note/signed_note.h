// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/bytes.h"
#include "core/error.h"
#include "note/cosignature.h"
#include "note/verifier_key.h"

namespace silvantrope::note {

inline constexpr size_t kMaxNoteSignatures = 100;

// A signature line whose blob was checked but not decoded: only the lines of
// known keys are ever decoded.
struct NoteSignature {
  std::string_view name;
  uint32_t key_id;
  std::string_view blob;  // base64 of key id || signature, at least 5 bytes
};

// A parsed note views the caller's text: it must outlive the note.
struct SignedNote {
  std::string_view text;  // up to and including the first newline of the separator
  std::vector<NoteSignature> signatures;
};

// The C2SP signed-note format: UTF-8 text, a blank line, then one line per
// signature, "— " name " " base64(key id || signature).
Result<SignedNote> parse_signed_note(std::string_view note_text);
Result<SignedNote> parse_signed_note(std::string&&) = delete;

// A line that verified: the index of its key in the list given, and the
// timestamp a cosignature carried (0 for note keys).
struct VerifiedLine {
  size_t key;
  uint64_t timestamp;
};

// The one verification of note lines. Each line is matched by name and key
// id to the first such key in the list; lines of other keys are ignored
// without being decoded. A matched line that does not verify fails the
// whole note with InvalidSignature. Identical lines of one key are verified
// once. Cosigner keys need the checkpoint head their cosignatures sign.
Result<std::vector<VerifiedLine>> verify_lines(const SignedNote& note,
                                               const std::vector<VerifierKey>& keys,
                                               const TreeHead* head = nullptr);

// Verifies every signature line from a trusted key (unknown keys are
// skipped) and returns how many verified; a failing line from a trusted key
// fails the whole note.
Result<uint32_t> verify_note_signatures(const SignedNote& note, const std::vector<VerifierKey>& keys);

// Parses each key string in order; the first failure wins.
Result<std::vector<VerifierKey>> parse_verifier_keys(const std::vector<std::string_view>& texts);

}  // namespace silvantrope::note
