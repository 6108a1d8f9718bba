// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/bytes.h"
#include "core/error.h"
#include "note/signed_note.h"

namespace silvantrope::checkpoint {

// A C2SP tlog checkpoint's head: origin, tree size, RFC 6962 root, and any
// extension lines.
struct CheckpointHead {
  std::string origin;
  uint64_t size = 0;
  Bytes root;
  std::vector<std::string> extensions;
};

// origin\nsize\nbase64(root)\n[extension\n]...; "\r\n" ends a line too.
Result<CheckpointHead> parse_checkpoint_body(std::string_view body);

// Verifies the signed note against the keys, then parses its text.
Result<CheckpointHead> verify_checkpoint(std::string_view note_text,
                                         const std::vector<note::VerifierKey>& keys);
Result<CheckpointHead> verify_checkpoint(const note::SignedNote& note,
                                         const std::vector<note::VerifierKey>& keys);

}  // namespace silvantrope::checkpoint
