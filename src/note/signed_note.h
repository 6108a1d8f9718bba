// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/bytes.h"
#include "core/error.h"
#include "note/verifier_key.h"

namespace silvantrope::note {

inline constexpr size_t kMaxNoteSignatures = 100;

struct NoteSignature {
  std::string_view name;
  uint32_t key_id;
  Bytes signature;
};

// A parsed note views the caller's text: it must outlive the note.
struct SignedNote {
  std::string_view text;  // up to and including the first newline of the separator
  std::vector<NoteSignature> signatures;
};

// The C2SP signed-note format: text, a blank line, then one line per
// signature, "— " name " " base64(key id || signature).
Result<SignedNote> parse_signed_note(std::string_view note_text);
Result<SignedNote> parse_signed_note(std::string&&) = delete;

// Verifies every signature line from a trusted key (unknown keys are
// skipped) and returns how many verified; a failing line from a trusted key
// fails the whole note.
Result<uint32_t> verify_note_signatures(const SignedNote& note, const std::vector<VerifierKey>& keys);

// Parses each key string in order; the first failure wins.
Result<std::vector<VerifierKey>> parse_verifier_keys(const std::vector<std::string_view>& texts);

}  // namespace silvantrope::note
