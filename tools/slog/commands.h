// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string>
#include <vector>

#include "report.h"

namespace slog {

// Parses one command line (without the program name) and runs it.
// json and quiet report how the result is to be rendered.
struct Run {
  Report report;
  bool json = false;
  bool quiet = false;
  std::string help;  // set when --help was asked for: print it instead
};
Run run(const std::vector<std::string>& args);

// Runs every *.sample file in dir (see `slog samples --help`).
Report run_samples(const std::string& dir, bool quiet, uint64_t max_input);

}  // namespace slog
