// SPDX-License-Identifier: Apache-2.0
#include "report.h"

namespace slog {

void Report::fail(const silvantrope_log::Error& e) {
  const bool verification = e.kind == silvantrope_log::Error::Kind::Verification;
  exit_code = verification ? 1 : 2;
  error_kind = verification ? "verification" : "internal";
  error = e.message;
}

void Report::usage(const std::string& message) {
  exit_code = 2;
  error_kind = "usage";
  error = message;
}

void Report::internal(const std::string& message) {
  exit_code = 2;
  error_kind = "internal";
  error = message;
}

void Report::field(const std::string& key, const std::string& label, const Json& value, const std::string& text) {
  fields[key] = value;
  lines.push_back(label + ": " + text);
}

Output render(const Report& r, bool json, bool quiet) {
  Output out{r.exit_code, "", false};
  if (json) {
    Json j = Json::object();
    j["command"] = r.command;
    j["valid"] = r.exit_code == 0;
    if (r.exit_code == 0 || r.lines_on_failure) j.update(r.fields);
    if (r.exit_code != 0) {
      j["error"] = r.error;
      j["error_kind"] = r.error_kind;
    }
    // Text from files is checked to be UTF-8 before use, policy files excepted (policy_text):
    // replace, never throw.
    out.text = j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    return out;
  }
  if (r.exit_code == 0 || (r.lines_on_failure && r.error_kind == "verification")) {
    if (quiet && r.exit_code == 0) return out;
    for (const std::string& line : r.lines) out.text += (out.text.empty() ? "" : "\n") + line;
    return out;
  }
  out.to_stderr = r.error_kind != "verification";
  out.text = (r.error_kind == "verification" ? "invalid: " : r.error_kind == "usage" ? "slog: " : "error: ") + r.error;
  return out;
}

}  // namespace slog
