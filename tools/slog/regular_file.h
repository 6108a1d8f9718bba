// SPDX-License-Identifier: Apache-2.0
#pragma once

// Reading the files of a mirror: opened without blocking (a FIFO placed in a
// mirror is refused by the regular-file check instead of waited on; reads of
// regular files never block), sized by fstat, read whole.

#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <optional>

namespace slog {

// A file opened for reading, closed when it goes.
struct Opened {
  int fd;
  explicit Opened(int f) : fd(f) {}
  ~Opened() {
    if (fd >= 0) ::close(fd);
  }
  Opened(const Opened&) = delete;
  Opened& operator=(const Opened&) = delete;
};

// The size of the open file, when it is a regular file of at most max bytes
// (a file that did not open has a negative descriptor, which fstat refuses).
inline std::optional<size_t> regular_size(const Opened& file, size_t max) {
  struct stat st {};
  if (::fstat(file.fd, &st) != 0 || !S_ISREG(st.st_mode) || static_cast<uint64_t>(st.st_size) > max) {
    return std::nullopt;
  }
  return static_cast<size_t>(st.st_size);
}

inline bool read_exactly(const Opened& file, uint8_t* out, size_t n) {
  for (size_t got = 0; got < n;) {
    const ssize_t k = ::read(file.fd, out + got, n - got);
    if (k <= 0) return false;
    got += static_cast<size_t>(k);
  }
  return true;
}

}  // namespace slog
