// SPDX-License-Identifier: Apache-2.0
#pragma once

// What a command found, and its one rendering as text or as JSON.
//
// JSON (one object, on standard output, for every command and for usage
// errors): "command" (the command's words, e.g. "coniks lookup"; "" when none
// was recognised), "valid" (true when the computation succeeded), the
// command's result fields, and on failure "error" (the message) and
// "error_kind" ("verification": exit 1; "usage" or "internal": exit 2).

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "silvantrope_log.hpp"

namespace slog {

using Json = nlohmann::ordered_json;

struct Report {
  std::string command;
  int exit_code = 0;
  std::string error_kind;  // empty on success
  std::string error;
  Json fields = Json::object();    // result fields for --json
  std::vector<std::string> lines;  // the text output on success
  bool lines_on_failure = false;   // print lines, not the error, on failure too
  std::vector<std::string> notes;  // for standard error, after the output (e.g. timings); never in JSON

  void fail(const silvantrope_log::Error& e);
  void usage(const std::string& message);
  void internal(const std::string& message);
  // A result field shown both ways: as "label: value" and as JSON.
  void field(const std::string& key, const std::string& label, const Json& value, const std::string& text);
};

struct Output {
  int exit_code = 0;
  std::string text;
  bool to_stderr = false;
};

Output render(const Report& r, bool json, bool quiet);

}  // namespace slog
