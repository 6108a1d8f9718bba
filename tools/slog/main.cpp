// SPDX-License-Identifier: Apache-2.0
// slog: verify transparency-log proofs from the command line.
//
// It calls libsilvantrope_log through its C++ header over the C ABI, like any
// foreign caller, and prints the library's verdict or its exact error message.
// Exit status: 0 valid, 1 verification failed, 2 usage or internal error.

#include <iostream>
#include <string>
#include <vector>

#include "commands.h"

namespace {

// What was printed must have reached standard output: a verdict lost to a
// full disk or a failed device is not reported as delivered.
int delivered(int exit_code) {
  if (std::cout.flush()) return exit_code;
  std::cerr << "slog: cannot write to standard output\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  const slog::Run run = slog::run(std::vector<std::string>(argv + 1, argv + argc));
  if (!run.help.empty()) {
    std::cout << run.help;
    return delivered(0);
  }
  const slog::Output out = slog::render(run.report, run.json, run.quiet);
  std::ostream& stream = out.to_stderr ? std::cerr : std::cout;
  if (!out.text.empty()) stream << out.text << '\n';
  if (!run.json && !run.quiet) {
    for (const std::string& note : run.report.notes) std::cerr << note << '\n';
  }
  return delivered(out.exit_code);
}
