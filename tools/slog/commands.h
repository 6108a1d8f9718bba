#pragma once

#include <string>
#include <vector>

namespace slog {

struct Verdict {
  int exit_code = 0;  // 0 valid, 1 verification failed, 2 usage or internal error
  std::string output;
  bool json = false;
};

Verdict run(const std::vector<std::string>& args);

// Runs every *.sample file in dir: each holds the arguments of one command
// and the output it must give.
Verdict run_samples(const std::string& dir, bool json);

}  // namespace slog
