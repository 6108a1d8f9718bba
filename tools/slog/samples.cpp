// SPDX-License-Identifier: Apache-2.0
// `slog samples`: every *.sample file of a directory, each sample a command
// and the output it must print.

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "commands.h"
#include "input.h"
#include "usage_error.h"
#include "values.h"

namespace slog {
namespace {

struct Sample {
  std::vector<std::string> args;
  std::string expect;
  size_t line = 0;  // where its command starts
};

// The samples of one file: each is its command's words, then its 'expect:' lines.
std::vector<Sample> read_samples(const std::string& content, const std::string& name) {
  std::vector<Sample> samples;
  Sample s;
  bool have_expect = false;
  std::istringstream in(content);
  std::string line;
  for (size_t number = 1; std::getline(in, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind("expect: ", 0) == 0) {
      if (s.args.empty()) break;
      s.expect += (have_expect ? "\n" : "") + line.substr(8);
      have_expect = true;
      continue;
    }
    std::istringstream words(line.substr(0, line.find('#')));
    for (std::string w; words >> w;) {
      if (have_expect) {
        samples.push_back(std::move(s));
        s = Sample{};
        have_expect = false;
      }
      if (s.args.empty()) s.line = number;
      s.args.push_back(w);
    }
  }
  if (s.args.empty() || !have_expect) throw UsageError(word(name) + ": a sample needs a command and an 'expect:' line");
  samples.push_back(std::move(s));
  return samples;
}

}  // namespace

Report run_samples(const std::string& dir, bool quiet, uint64_t max_input) {
  namespace fs = std::filesystem;
  std::vector<fs::path> files;
  std::error_code ec;
  if (!fs::is_directory(dir, ec)) throw UsageError("samples: " + word(dir) + " is not a directory");
  for (const auto& entry : fs::directory_iterator(dir, ec)) {
    if (entry.path().extension() == ".sample") files.push_back(fs::absolute(entry.path()));
  }
  if (ec) throw UsageError("samples: cannot read directory " + word(dir) + ": " + ec.message());
  if (files.empty()) throw UsageError("samples: no .sample files in " + word(dir));
  std::sort(files.begin(), files.end());

  // File names inside a sample are relative to its directory.
  struct Restore {
    fs::path dir;
    ~Restore() {
      std::error_code ignored;
      fs::current_path(dir, ignored);
    }
  } restore{fs::current_path()};
  fs::current_path(dir);

  Report r;
  r.command = "samples";
  Json list = Json::array();
  size_t passed = 0, failed = 0;
  for (const auto& f : files) {
    Inputs inputs(max_input);
    const std::vector<Sample> samples = read_samples(inputs.text(f.string(), "samples"), f.string());
    for (const Sample& s : samples) {
      const Run result = run(s.args);
      if (result.report.command == "samples") {
        throw UsageError(word(f.string() + ":" + std::to_string(s.line)) + ": a sample cannot run samples");
      }
      const std::string got = render(result.report, result.json, result.quiet).text;
      const bool ok = got == s.expect;
      ok ? ++passed : ++failed;
      std::string name = f.filename().string();
      if (samples.size() > 1) name += ":" + std::to_string(s.line);
      if (!ok || !quiet) r.lines.push_back((ok ? "ok    " : "FAIL  ") + name + ": " + got);
      if (!ok) r.lines.push_back("      expected: " + s.expect);
      list.push_back(Json{{"sample", name}, {"ok", ok}, {"output", got}});
    }
  }
  r.lines.push_back(std::to_string(passed) + " passed, " + std::to_string(failed) + " failed");
  r.fields["samples"] = list;
  r.fields["passed"] = passed;
  r.fields["failed"] = failed;
  r.lines_on_failure = true;
  if (failed > 0) {
    r.exit_code = 1;
    r.error_kind = "verification";
    r.error = std::to_string(failed) + " of " + std::to_string(passed + failed) + " samples failed";
  }
  return r;
}

}  // namespace slog
