// SPDX-License-Identifier: Apache-2.0
#include "mirror_audit.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "input.h"
#include "regular_file.h"
#include "silvantrope_log.hpp"

namespace slog {
namespace {

namespace sl = silvantrope_log;
using sl::Bytes;

constexpr uint64_t kRun = 16;                        // tiles a worker takes at a time
constexpr size_t kMaxBundle = 256 * (2 + 65535);     // 256 entries of the largest size

// Opens mirror files relative to the directory of the previous one, which
// is almost always the same: the kernel walks one path element, not six.
class Dir {
 public:
  explicit Dir(const std::string& root) : root_(root) {}
  ~Dir() {
    if (fd_ >= 0) ::close(fd_);
  }
  Dir(const Dir&) = delete;
  Dir& operator=(const Dir&) = delete;

  int open(const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string dir = path.substr(0, slash);
    if (fd_ < 0 || dir != dir_) {
      if (fd_ >= 0) ::close(fd_);
      dir_ = dir;
      fd_ = ::open((root_ + "/" + dir).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      if (fd_ < 0) return -1;
    }
    // Non-blocking: a FIFO in a mirror is refused by the regular-file check
    // instead of waiting for a writer; reads of regular files never block.
    return ::openat(fd_, path.c_str() + slash + 1, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  }

 private:
  const std::string& root_;
  std::string dir_;
  int fd_ = -1;
};

bool read_file(const Opened& file, Bytes& out, size_t max) {
  const auto size = regular_size(file, max);
  if (!size) return false;
  out.resize(*size);
  return read_exactly(file, out.data(), *size);
}

// An argument buffer of the C ABI, filled from a file after `at` bytes the
// caller writes; freed unless handed to a call.
class Arg {
 public:
  Arg() = default;
  ~Arg() {
    if (buf_.data != nullptr) sl::wire::free_buffer(buf_);
  }
  Arg(const Arg&) = delete;
  Arg& operator=(const Arg&) = delete;

  bool read(const Opened& file, size_t at, size_t max) {
    const auto size = regular_size(file, max);
    if (!size) return false;
    // Reserved, not allocated: the room is not zeroed first, as the file fills it.
    RustCallStatus status{};
    buf_ = ffi_silvantrope_log_rustbuffer_reserve(RustBuffer{0, 0, nullptr}, at + *size, &status);
    if (status.code != 0) return false;
    buf_.len = at + *size;
    return read_exactly(file, buf_.data + at, *size);
  }
  uint8_t* data() { return buf_.data; }
  size_t size() const { return buf_.len; }
  void put_u32(size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) buf_.data[at + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
  }
  RustBuffer release() { return std::exchange(buf_, RustBuffer{0, 0, nullptr}); }

 private:
  RustBuffer buf_{0, 0, nullptr};
};

const std::string kTilePath = "tile/0/000";

// The tiles, full and partial, of a level below 8 in a tree of size leaves.
uint64_t tiles_at(uint64_t size, unsigned level) { return ((size >> (8 * level)) + 255) / 256; }

class Audit {
 public:
  Audit(std::string dir, uint64_t size, uint64_t max_bytes) : dir_(std::move(dir)), size_(size), max_(max_bytes) {}

  // Checks every tile of level on threads workers; false after a failure.
  bool level(unsigned level, unsigned threads, const std::function<void()>& tick) {
    const uint64_t count = tiles_at(size_, level);
    std::atomic<uint64_t> next{0};
    std::mutex mu;
    std::condition_variable finished;
    unsigned running = threads;
    std::vector<std::thread> pool;
    for (unsigned t = 0; t < threads; ++t) {
      pool.emplace_back([&, level] {
        Worker w(dir_);
        for (bool go = true; go;) {
          const uint64_t begin = next.fetch_add(kRun);
          go = begin < count;
          for (uint64_t n = begin; go && n < std::min(count, begin + kRun); ++n) {
            go = n < failed_at_.load(std::memory_order_relaxed) && one(level, n, w);
          }
        }
        std::lock_guard<std::mutex> lock(mu);
        if (--running == 0) finished.notify_one();
      });
    }
    {
      std::unique_lock<std::mutex> lock(mu);
      while (!finished.wait_for(lock, std::chrono::milliseconds(100), [&] { return running == 0; })) tick();
    }
    for (auto& th : pool) th.join();
    tick();
    return failed_at_.load() == kNone;
  }

  MirrorAudit result() const {
    MirrorAudit r;
    r.ok = failed_at_.load() == kNone;
    r.error = error_;
    r.over_limit = over_limit_;
    r.entries = entries_.load();
    r.bundles = bundles_.load();
    r.tiles = tiles_.load();
    return r;
  }
  uint64_t tiles_done() const { return tiles_.load(); }

 private:
  struct Worker {
    explicit Worker(const std::string& root) : tiles(root), bundles(root), parents(root) {}
    Dir tiles, bundles, parents;
    Bytes parent;
    uint64_t parent_index = UINT64_MAX;
  };

  // A failure stops the tiles after it, never those before: the error is
  // the lowest failing tile's, as on one thread, however the threads ran.
  bool fail(uint64_t n, const std::string& what, bool over_limit = false) {
    std::lock_guard<std::mutex> lock(mu_);
    if (n < failed_at_.load()) {
      failed_at_.store(n);
      error_ = what;
      over_limit_ = over_limit;
    }
    return false;
  }

  // The file that did not read: larger than the caller's input limit, or
  // else unreadable (missing, not a regular file, longer than its format allows).
  bool unread(uint64_t n, const Opened& file, const std::string& path) {
    const auto size = regular_size(file, SIZE_MAX);
    if (size && *size > max_) return fail(n, over_input_limit(path, max_), true);
    return fail(n, "cannot read " + path);
  }
  size_t capped(size_t format_max) const { return static_cast<size_t>(std::min<uint64_t>(format_max, max_)); }

  // Opens the tile or bundle at path, or what stands in for it (path
  // becomes that one's).
  int open_tile(Dir& d, std::string& path) const {
    const int fd = d.open(path);
    if (fd >= 0 || path.find(".p/") == std::string::npos) return fd;
    const auto stand_in = mirror_stand_in(dir_, path);
    if (!stand_in) return -1;
    path = *stand_in;
    return d.open(path);
  }

  // Each file is read straight into the argument buffer of the call that
  // checks it: the bytes are copied once, by the kernel.
  bool one(unsigned level, uint64_t n, Worker& w) {
    const unsigned width = mirror_width(size_, level, n);
    std::string path = mirror_path(static_cast<int>(level), n, width);
    // tlog_tiles_inclusion_proof's tiles argument: one Tile record, its data last.
    const size_t data_at = 4 + 4 + kTilePath.size() + 4;
    Arg tiles;
    const Opened file(open_tile(w.tiles, path));
    const size_t length = 32u * width, held = 32u * mirror_path_width(path);
    const auto holds = [&](size_t stored) {
      return fail(n, path + " holds " + std::to_string(stored) + " bytes, want " + std::to_string(held));
    };
    if (!tiles.read(file, data_at, capped(32 * 256))) {
      const auto too_long = regular_size(file, SIZE_MAX);
      return too_long && *too_long > 32 * 256 && *too_long <= max_ ? holds(*too_long) : unread(n, file, path);
    }
    if (tiles.size() - data_at != held) return holds(tiles.size() - data_at);
    tiles.put_u32(0, 1);
    tiles.put_u32(4, static_cast<uint32_t>(kTilePath.size()));
    std::memcpy(tiles.data() + 8, kTilePath.data(), kTilePath.size());
    tiles.put_u32(8 + kTilePath.size(), static_cast<uint32_t>(length));
    const uint8_t* tile = tiles.data() + data_at;
    if (level == 0) {
      std::string bundle_path = mirror_path(-1, n, width);
      // A bundle is optional; one that is there but cannot be read fails the audit.
      const Opened bundle_file(open_tile(w.bundles, bundle_path));
      Arg bundle;
      if (bundle_file.fd >= 0) {
        if (!bundle.read(bundle_file, 4, capped(kMaxBundle))) return unread(n, bundle_file, bundle_path);
        bundle.put_u32(0, static_cast<uint32_t>(bundle.size() - 4));
        RustCallStatus st{};
        const sl::Buffer hashes(uniffi_silvantrope_log_fn_func_tlog_tiles_leaf_hashes(bundle.release(), &st));
        if (auto e = sl::wire::status_error(st)) return fail(n, bundle_path + ": " + e->message);
        if (hashes.size() != 4 + 32u * mirror_path_width(bundle_path) || std::memcmp(hashes.data() + 4, tile, length) != 0) {
          return fail(n, bundle_path + " does not match " + path);
        }
        ++bundles_;
        entries_ += width;
      }
    }
    if (width == 256) {  // partial tiles are never hashed into the level above
      const uint64_t up = n / 256;
      std::string parent_path = mirror_path(static_cast<int>(level + 1), up, mirror_width(size_, level + 1, up));
      if (up != w.parent_index) {
        const Opened parent(open_tile(w.parents, parent_path));
        if (!read_file(parent, w.parent, capped(32 * 256))) return unread(n, parent, parent_path);
        w.parent_index = up;
      }
      const size_t at = (n % 256) * 32;
      if (w.parent.size() < at + 32) return fail(n, parent_path + " is too short");
      // The tile's first hash is at index 0 of the 256-leaf tree whose root the parent holds.
      const Bytes first(tile, tile + 32);
      RustCallStatus st{};
      const RustBuffer r = uniffi_silvantrope_log_fn_func_tlog_tiles_inclusion_proof(256, 0, tiles.release(), &st);
      auto proof = sl::detail::finish<std::vector<Bytes>>(st, r);
      if (!proof) return fail(n, path + ": " + proof.error().message);
      const Bytes want(w.parent.begin() + static_cast<std::ptrdiff_t>(at),
                       w.parent.begin() + static_cast<std::ptrdiff_t>(at + 32));
      if (!sl::verify_inclusion(0, 256, first, *proof, want)) {
        return fail(n, path + " does not hash to its entry in " + parent_path);
      }
    }
    ++tiles_;
    return true;
  }

  std::string dir_;
  uint64_t size_;
  uint64_t max_;  // the largest file read
  static constexpr uint64_t kNone = UINT64_MAX;
  std::atomic<uint64_t> failed_at_{kNone};  // the lowest failing tile of the level being checked
  std::mutex mu_;
  std::string error_;
  bool over_limit_ = false;
  std::atomic<uint64_t> tiles_{0}, bundles_{0}, entries_{0};
};

}  // namespace

std::string mirror_path(int level, uint64_t index, unsigned width) {
  std::string digits;
  do {
    const std::string group = std::to_string(1000 + index % 1000).substr(1);
    digits = digits.empty() ? group : "x" + group + "/" + digits;
    index /= 1000;
  } while (index > 0);
  const std::string l = level < 0 ? "entries" : std::to_string(level);
  return "tile/" + l + "/" + digits + (width < 256 ? ".p/" + std::to_string(width) : "");
}

unsigned mirror_path_width(const std::string& path) {
  const size_t partial = path.find(".p/");
  if (partial == std::string::npos) return 256;
  const std::string w = path.substr(partial + 3);
  // The canonical widths only: 1 to 255, no leading zero.
  if (w.empty() || w.size() > 3 || w[0] == '0' || w.find_first_not_of("0123456789") != std::string::npos) return 0;
  const unsigned v = static_cast<unsigned>(std::stoul(w));
  return v < 256 ? v : 0;
}

std::optional<std::string> mirror_stand_in(const std::string& dir, const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (fs::exists(dir + "/" + path, ec)) return path;
  const size_t partial = path.find(".p/");
  if (partial == std::string::npos) return std::nullopt;
  const std::string full = path.substr(0, partial);
  if (fs::is_regular_file(dir + "/" + full, ec)) return full;
  const unsigned width = mirror_path_width(path);
  unsigned widest = 0;
  for (fs::directory_iterator it(dir + "/" + full + ".p", ec), end; !ec && it != end; it.increment(ec)) {
    const unsigned w = mirror_path_width(full + ".p/" + it->path().filename().string());
    if (w > width && w > widest && it->is_regular_file(ec)) widest = w;
  }
  if (widest == 0) return std::nullopt;
  return full + ".p/" + std::to_string(widest);
}

unsigned mirror_width(uint64_t size, unsigned level, uint64_t index) {
  if (level >= 8) return 0;
  const uint64_t hashes = size >> (8 * level);
  if (index < hashes / 256) return 256;
  return index == hashes / 256 ? static_cast<unsigned>(hashes % 256) : 0;
}

MirrorAudit audit_mirror(const std::string& dir, uint64_t size, unsigned threads, uint64_t max_bytes,
                         const std::function<void(uint64_t, uint64_t)>& progress) {
  Audit audit(dir, size, max_bytes);
  unsigned levels = 0;  // those holding at least one hash
  while (levels < 8 && (size >> (8 * levels)) > 0) ++levels;
  uint64_t total = 0;
  for (unsigned l = 0; l < levels; ++l) total += tiles_at(size, l);
  const auto tick = [&] { progress(audit.tiles_done(), total); };
  for (unsigned l = 0; l < levels; ++l) {
    if (!audit.level(l, threads, tick)) break;
  }
  return audit.result();
}

}  // namespace slog
