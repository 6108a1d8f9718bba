#include "options.h"

#include <fstream>
#include <sstream>

#include "abi_client.h"

namespace slog {

Options::Options(const std::vector<std::string>& args, const std::set<std::string>& known,
                 const std::set<std::string>& flags) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--json") {
      json_ = true;
    } else if (a == "--help" || a == "-h") {
      help_ = true;
    } else if (a.rfind("--", 0) == 0 && flags.count(a.substr(2))) {
      flags_.insert(a.substr(2));
    } else if (a.rfind("--", 0) == 0) {
      std::string name = a.substr(2), value;
      const size_t eq = name.find('=');
      if (eq != std::string::npos) {
        value = name.substr(eq + 1);
        name = name.substr(0, eq);
      } else {
        if (i + 1 >= args.size()) throw UsageError("option --" + name + " needs a value");
        value = args[++i];
      }
      if (!known.count(name)) throw UsageError("unknown option --" + name);
      values_[name].push_back(value);
    } else {
      positional_.push_back(a);
    }
  }
}

std::string Options::text(const std::string& name) const {
  auto it = values_.find(name);
  if (it == values_.end()) throw UsageError("missing --" + name);
  if (it->second.size() > 1) throw UsageError("--" + name + " given more than once");
  return it->second.front();
}

std::optional<std::string> Options::optional_text(const std::string& name) const {
  if (!has(name)) return std::nullopt;
  return text(name);
}

uint64_t Options::number(const std::string& name) const {
  const std::string s = text(name);
  if (s.empty() || s.find_first_not_of("0123456789") != std::string::npos) {
    throw UsageError("--" + name + " must be a decimal number, got '" + s + "'");
  }
  try {
    size_t used = 0;
    const unsigned long long v = std::stoull(s, &used, 10);
    return static_cast<uint64_t>(v);
  } catch (const std::out_of_range&) {
    throw UsageError("--" + name + " does not fit in 64 bits");
  }
}

std::vector<uint8_t> parse_hex(const std::string& what, const std::string& s) {
  auto b = slog_client::unhex(s);
  if (!b) throw UsageError(what + " is not hex: '" + s + "'");
  return *b;
}

std::vector<uint8_t> Options::hex(const std::string& name) const {
  return parse_hex("--" + name, text(name));
}

std::optional<std::vector<uint8_t>> Options::optional_hex(const std::string& name) const {
  if (!has(name)) return std::nullopt;
  return hex(name);
}

namespace {

// The meaningful lines of a list file: trimmed, without blanks and # comments.
std::vector<std::string> list_file_lines(const std::string& path) {
  std::ifstream in(path);
  if (!in) throw UsageError("cannot read " + path);
  std::vector<std::string> out;
  std::string line;
  while (std::getline(in, line)) {
    line = line.substr(0, line.find('#'));
    const size_t b = line.find_first_not_of(" \t\r");
    if (b == std::string::npos) continue;
    const size_t e = line.find_last_not_of(" \t\r");
    out.push_back(line.substr(b, e - b + 1));
  }
  return out;
}

}  // namespace

std::vector<std::string> Options::text_list(const std::string& name) const {
  std::vector<std::string> out;
  if (auto it = values_.find(name); it != values_.end()) out = it->second;
  if (auto path = optional_text(name + "-file")) {
    for (std::string& line : list_file_lines(*path)) out.push_back(std::move(line));
  }
  return out;
}

std::string Options::file(const std::string& name) const {
  const std::string path = text(name);
  std::ifstream in(path, std::ios::binary);
  if (!in) throw UsageError("cannot read " + path);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

std::vector<std::vector<uint8_t>> Options::hex_list(const std::string& name) const {
  std::vector<std::vector<uint8_t>> out;
  if (auto it = values_.find(name); it != values_.end()) {
    for (const std::string& v : it->second) {
      std::stringstream ss(v);
      std::string item;
      while (std::getline(ss, item, ',')) {
        if (!item.empty()) out.push_back(parse_hex("--" + name, item));
      }
    }
  }
  if (auto path = optional_text(name + "-file")) {
    for (const std::string& line : list_file_lines(*path)) out.push_back(parse_hex(*path, line));
  }
  return out;
}

}  // namespace slog
