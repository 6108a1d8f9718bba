#pragma once

// A small option parser: --name VALUE pairs (some repeatable), --json and
// --help flags, and positional words.

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace slog {

struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

class Options {
 public:
  // known: options that take a value; flags: options that do not.
  Options(const std::vector<std::string>& args, const std::set<std::string>& known,
          const std::set<std::string>& flags = {});

  bool flag(const std::string& name) const { return flags_.count(name) != 0; }

  bool json() const { return json_; }
  bool help() const { return help_; }
  const std::vector<std::string>& positional() const { return positional_; }

  bool has(const std::string& name) const { return values_.count(name) != 0; }
  std::string text(const std::string& name) const;
  std::optional<std::string> optional_text(const std::string& name) const;
  uint64_t number(const std::string& name) const;
  std::vector<uint8_t> hex(const std::string& name) const;
  std::optional<std::vector<uint8_t>> optional_hex(const std::string& name) const;
  // A list of hashes from repeated --NAME values (each may be comma-separated)
  // and from a --NAME-file (one per line; blank lines and # comments skipped).
  std::vector<std::vector<uint8_t>> hex_list(const std::string& name) const;
  // Repeated --NAME values and the lines of a --NAME-file (blank lines and
  // # comments skipped).
  std::vector<std::string> text_list(const std::string& name) const;
  // The whole content of the file named by --NAME.
  std::string file(const std::string& name) const;

 private:
  std::map<std::string, std::vector<std::string>> values_;
  std::vector<std::string> positional_;
  std::set<std::string> flags_;
  bool json_ = false;
  bool help_ = false;
};

std::vector<uint8_t> parse_hex(const std::string& what, const std::string& s);

}  // namespace slog
