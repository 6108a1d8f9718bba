// slog: verify transparency-log proofs from the command line.
//
// It calls libsilvantrope_log through its C ABI, like any foreign caller, and
// prints the library's verdict or its exact error message.
// Exit status: 0 valid, 1 verification failed, 2 usage or internal error.

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "commands.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  slog::Verdict v = slog::run(args);
  std::ostream& out = v.exit_code == 2 && !v.json ? std::cerr : std::cout;
  out << v.output;
  if (!v.output.empty() && v.output.back() != '\n') out << '\n';
  return v.exit_code;
}
