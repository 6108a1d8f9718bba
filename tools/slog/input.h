// SPDX-License-Identifier: Apache-2.0
#pragma once

// Everything slog reads from files or standard input, read one way: with a
// size cap, "-" for standard input (once), and text checked to be UTF-8 before
// it crosses the C ABI, whose contract is that text is valid UTF-8 (tlog-policy
// files excepted: see policy_text in command_kit.h).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "usage_error.h"

namespace slog {

constexpr uint64_t kDefaultMaxInput = 16 * 1024 * 1024;

// "NAMED is larger than the input limit of MAX bytes (raise it with --max-input-size)".
inline std::string over_input_limit(const std::string& named, uint64_t max) {
  return named + " is larger than the input limit of " + std::to_string(max) + " bytes (raise it with --max-input-size)";
}

// The byte offset of the first sequence that is not valid UTF-8, if any.
std::optional<size_t> invalid_utf8_at(std::string_view s);

// Throws UsageError naming `what` (an option) when s is not valid UTF-8.
void require_utf8(std::string_view s, const std::string& what);

class Inputs {
 public:
  explicit Inputs(uint64_t max_bytes) : max_(max_bytes) {}

  // The bytes of the file at path ("-": standard input), read for option
  // `what`. A missing, unreadable or oversized file, or a directory, is a
  // UsageError naming the path.
  std::string bytes(const std::string& path, const std::string& what);
  // The same, checked to be valid UTF-8.
  std::string text(const std::string& path, const std::string& what);
  // The meaningful lines of a text file: trimmed, blank lines and # comments dropped.
  std::vector<std::string> lines(const std::string& path, const std::string& what);
  // A file of a mirror the command walks (path relative to dir), which the
  // caller did not name: it must be a regular file, so that a FIFO placed in
  // the mirror is refused instead of waited on. Errors name `what` and path.
  std::string mirror_file(const std::string& dir, const std::string& path, const std::string& what);

  // How an error names the file at path: quoted when need be, "standard input" for "-".
  static std::string named(const std::string& path);

  uint64_t max_bytes() const { return max_; }

 private:
  UsageError too_large(const std::string& what, const std::string& named) const;

  uint64_t max_;
  std::string stdin_for_;  // the option standard input was read for
};

}  // namespace slog
