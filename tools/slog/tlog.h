#pragma once

// slog's C2SP tlog-policy and tlog-proof@v1 commands.

#include <string>
#include <vector>

#include "commands.h"

namespace slog {

// slog tlog-proof --policy FILE (--leaf-hash HEX | --entry FILE) [--not-before T] PROOF
Verdict tlog_proof(const std::vector<std::string>& args);
// slog policy-file FILE
Verdict policy_file(const std::vector<std::string>& args);
// slog checkpoint --policy FILE [--not-before T] NOTE
Verdict checkpoint_policy(const std::vector<std::string>& args);

extern const char* const kTlogProofHelp;
extern const char* const kPolicyFileHelp;

}  // namespace slog
