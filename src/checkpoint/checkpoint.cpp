// SPDX-License-Identifier: Apache-2.0
#include "checkpoint/checkpoint.h"

#include <optional>

#include "core/quote.h"
#include "core/text_scan.h"
#include "encoding/base64.h"
#include "note/signed_note.h"

namespace silvantrope::checkpoint {
namespace {

Error malformed(std::string_view detail) { return Error::malformed_checkpoint(detail); }

// Yields the body's lines: each ends at a newline, which is removed together
// with a carriage return right before it; a last line without a newline
// still counts.
class Lines {
 public:
  explicit Lines(std::string_view body) : rest_(body) {}

  std::optional<std::string_view> next() {
    if (rest_.empty()) return std::nullopt;
    const size_t nl = rest_.find('\n');
    std::string_view line = rest_.substr(0, nl);
    rest_ = nl == std::string_view::npos ? std::string_view{} : rest_.substr(nl + 1);
    if (nl != std::string_view::npos && !line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
  }

 private:
  std::string_view rest_;
};

Result<uint64_t> parse_size(std::string_view line) {
  if (line.empty() || line.find_first_not_of("0123456789") != std::string_view::npos) {
    return malformed("tree size is not decimal: " + quote(line));
  }
  if (line.size() > 1 && line[0] == '0') {
    return malformed("tree size has a leading zero: " + quote(line));
  }
  uint64_t v = 0;
  for (char c : line) {
    const uint64_t d = static_cast<uint64_t>(c - '0');
    if (v > (UINT64_MAX - d) / 10) return malformed("tree size overflow: " + quote(line));
    v = v * 10 + d;
  }
  return v;
}

}  // namespace

Result<CheckpointHead> parse_checkpoint_body(std::string_view body) {
  // A C caller may hand raw bytes: text arguments are not checked at the boundary.
  if (text::validate_utf8(body)) return malformed("body contains invalid UTF-8");
  Lines lines(body);
  const auto origin = lines.next();
  if (!origin) return malformed("missing origin line");
  const auto size_line = lines.next();
  if (!size_line) return malformed("missing tree-size line");
  const auto root_line = lines.next();
  if (!root_line) return malformed("missing root-hash line");
  if (origin->empty()) return malformed("empty origin line");

  auto size = parse_size(*size_line);
  if (!size) return std::move(size).error();
  auto root = encoding::base64_decode(*root_line);
  if (!root) return malformed("root hash is not valid base64: " + quote(*root_line));
  if (root->size() != 32) {
    return malformed("root hash is " + std::to_string(root->size()) + " bytes, want 32");
  }

  CheckpointHead head{std::string(*origin), *size, std::move(*root), {}};
  while (const auto line = lines.next()) {
    if (line->empty()) return malformed("empty extension line");
    head.extensions.emplace_back(*line);
  }
  return head;
}

Result<CheckpointHead> verify_checkpoint(std::string_view note_text,
                                         const std::vector<note::VerifierKey>& keys) {
  auto parsed = note::parse_signed_note(note_text);
  if (!parsed) return std::move(parsed).error();
  return verify_checkpoint(*parsed, keys);
}

Result<CheckpointHead> verify_checkpoint(const note::SignedNote& note,
                                         const std::vector<note::VerifierKey>& keys) {
  auto verified = note::verify_note_signatures(note, keys);
  if (!verified) return std::move(verified).error();
  return parse_checkpoint_body(note.text);
}

}  // namespace silvantrope::checkpoint
