// SPDX-License-Identifier: Apache-2.0
#pragma once

// slog's commands and options, defined once: the parser, --help, the shell
// completion script and the man page all come from this definition.

#include <CLI/CLI.hpp>
#include <memory>
#include <string>
#include <vector>

namespace slog {

// What a command explains beyond its options, shown by --help and the man page.
struct CommandText {
  const char* name;
  const char* summary;
  const char* details;
};
const std::vector<CommandText>& command_texts();

std::unique_ptr<CLI::App> make_app();

// The options given to a parsed (sub)command, by long name.
class Given {
 public:
  explicit Given(const CLI::App* app) : app_(app) {}
  bool has(const std::string& name) const;
  std::string one(const std::string& name) const;  // "" when absent
  std::vector<std::string> all(const std::string& name) const;

 private:
  const CLI::App* app_;
};

}  // namespace slog
