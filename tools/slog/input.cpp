// SPDX-License-Identifier: Apache-2.0
#include "input.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "regular_file.h"
#include "usage_error.h"
#include "values.h"

namespace slog {

std::optional<size_t> invalid_utf8_at(std::string_view s) {
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  for (size_t i = 0; i < s.size();) {
    const unsigned char c = p[i];
    size_t n = 0;
    unsigned char lo = 0x80, hi = 0xbf;  // the range of the second byte
    if (c < 0x80) {
      ++i;
      continue;
    } else if (c >= 0xc2 && c <= 0xdf) {
      n = 1;
    } else if (c >= 0xe0 && c <= 0xef) {
      n = 2;
      if (c == 0xe0) lo = 0xa0;  // no overlong forms
      if (c == 0xed) hi = 0x9f;  // no surrogates
    } else if (c >= 0xf0 && c <= 0xf4) {
      n = 3;
      if (c == 0xf0) lo = 0x90;
      if (c == 0xf4) hi = 0x8f;  // nothing above U+10FFFF
    } else {
      return i;
    }
    if (s.size() - i <= n || p[i + 1] < lo || p[i + 1] > hi) return i;
    for (size_t k = 2; k <= n; ++k) {
      if ((p[i + k] & 0xc0) != 0x80) return i;
    }
    i += n + 1;
  }
  return std::nullopt;
}

void require_utf8(std::string_view s, const std::string& what) {
  if (auto at = invalid_utf8_at(s)) {
    throw UsageError(what + " is not valid UTF-8: the sequence at byte offset " + std::to_string(*at) +
                     " is malformed");
  }
}

UsageError Inputs::too_large(const std::string& what, const std::string& named) const {
  return UsageError(what + ": " + over_input_limit(named, max_));
}

std::string Inputs::named(const std::string& path) { return path == "-" ? "standard input" : word(path); }

std::string Inputs::bytes(const std::string& path, const std::string& what) {
  const bool is_stdin = path == "-";
  if (is_stdin) {
    if (!stdin_for_.empty()) throw UsageError(what + ": standard input was already read for " + stdin_for_);
    stdin_for_ = what;
  }
  std::unique_ptr<FILE, int (*)(FILE*)> f(is_stdin ? stdin : std::fopen(path.c_str(), "rb"),
                                          is_stdin ? [](FILE*) { return 0; } : std::fclose);
  if (!f) throw UsageError(what + ": cannot read " + named(path) + ": " + std::strerror(errno));
  struct stat st {};
  if (fstat(fileno(f.get()), &st) == 0 && S_ISDIR(st.st_mode)) throw UsageError(what + ": " + named(path) + " is a directory");
  std::string out;
  char chunk[65536];
  for (;;) {
    const size_t n = std::fread(chunk, 1, sizeof chunk, f.get());
    if (out.size() + n > max_) throw too_large(what, named(path));
    out.append(chunk, n);
    if (n < sizeof chunk) break;
  }
  if (std::ferror(f.get())) throw UsageError(what + ": cannot read " + named(path) + ": " + std::strerror(errno));
  return out;
}

std::string Inputs::mirror_file(const std::string& dir, const std::string& path, const std::string& what) {
  const Opened file(::open((dir + "/" + path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (file.fd < 0) throw UsageError(what + ": cannot read " + word(path) + ": " + std::strerror(errno));
  const auto size = regular_size(file, SIZE_MAX);
  if (!size) throw UsageError(what + ": " + word(path) + " is not a regular file");
  if (*size > max_) throw too_large(what, word(path));
  std::string out(*size, '\0');
  if (!read_exactly(file, reinterpret_cast<uint8_t*>(out.data()), *size)) throw UsageError(what + ": cannot read " + word(path));
  return out;
}

std::string Inputs::text(const std::string& path, const std::string& what) {
  std::string s = bytes(path, what);
  require_utf8(s, what + " " + named(path));
  return s;
}

std::vector<std::string> Inputs::lines(const std::string& path, const std::string& what) {
  const std::string all = text(path, what);
  std::vector<std::string> out;
  for (size_t at = 0; at < all.size();) {
    size_t end = all.find('\n', at);
    if (end == std::string::npos) end = all.size();
    std::string line = all.substr(at, end - at);
    at = end + 1;
    // "#" starts a comment at the start of a line or after a blank: key names may hold one.
    for (size_t h = line.find('#'); h != std::string::npos; h = line.find('#', h + 1)) {
      if (h == 0 || line[h - 1] == ' ' || line[h - 1] == '\t') {
        line.resize(h);
        break;
      }
    }
    const size_t b = line.find_first_not_of(" \t\r");
    if (b == std::string::npos) continue;
    out.push_back(line.substr(b, line.find_last_not_of(" \t\r") - b + 1));
  }
  return out;
}

}  // namespace slog
