#include "tile_mirror.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace test_support {
namespace {

Bytes balanced_root(std::vector<Bytes> run) {
  while (run.size() > 1) {
    std::vector<Bytes> up;
    for (size_t i = 0; i + 1 < run.size(); i += 2) up.push_back(node_hash(run[i], run[i + 1]));
    run = std::move(up);
  }
  return run.at(0);
}

Bytes concat(const std::vector<Bytes>& hashes, size_t begin, size_t end) {
  Bytes out;
  for (size_t i = begin; i < end; ++i) out.insert(out.end(), hashes[i].begin(), hashes[i].end());
  return out;
}

}  // namespace

std::string tile_path(const std::string& level, uint64_t index, unsigned width) {
  std::vector<std::string> groups;
  do {
    char digits[4];
    std::snprintf(digits, sizeof digits, "%03u", static_cast<unsigned>(index % 1000));
    groups.insert(groups.begin(), digits);
    index /= 1000;
  } while (index > 0);
  std::string path = "tile/" + level + "/";
  for (size_t i = 0; i < groups.size(); ++i) path += (i + 1 < groups.size() ? "x" : "") + groups[i] + (i + 1 < groups.size() ? "/" : "");
  if (width < 256) path += ".p/" + std::to_string(width);
  return path;
}

Bytes generated_entry(uint64_t i, size_t size) {
  Bytes out(size);
  for (size_t k = 0; k < size; ++k) out[k] = static_cast<uint8_t>((i >> (8 * (k % 8))) ^ (k * 131));
  return out;
}

TileMirror make_mirror(const std::vector<Bytes>& entries) {
  TileMirror m;
  m.size = entries.size();
  std::vector<Bytes> level;
  for (const Bytes& e : entries) level.push_back(leaf_hash(e));
  for (size_t begin = 0; begin < entries.size(); begin += 256) {
    const size_t end = std::min(entries.size(), begin + 256);
    Bytes bundle;
    for (size_t i = begin; i < end; ++i) {
      bundle.push_back(static_cast<uint8_t>(entries[i].size() >> 8));
      bundle.push_back(static_cast<uint8_t>(entries[i].size()));
      bundle.insert(bundle.end(), entries[i].begin(), entries[i].end());
    }
    m.files[tile_path("entries", begin / 256, static_cast<unsigned>(end - begin))] = bundle;
  }
  for (unsigned l = 0; !level.empty(); ++l) {
    std::vector<Bytes> up;
    for (size_t begin = 0; begin < level.size(); begin += 256) {
      const size_t end = std::min(level.size(), begin + 256);
      m.files[tile_path(std::to_string(l), begin / 256, static_cast<unsigned>(end - begin))] =
          concat(level, begin, end);
      if (end - begin == 256) up.push_back(balanced_root({level.begin() + begin, level.begin() + end}));
    }
    m.levels.push_back(std::move(level));
    level = std::move(up);
  }
  return m;
}

void write_mirror(const TileMirror& mirror, const std::string& dir, const std::string& checkpoint) {
  namespace fs = std::filesystem;
  for (const auto& [path, data] : mirror.files) {
    const fs::path file = fs::path(dir) / path;
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(data.data()), data.size());
  }
  std::ofstream(fs::path(dir) / "checkpoint", std::ios::binary) << checkpoint;
  if (!fs::exists(fs::path(dir) / "checkpoint")) throw std::runtime_error("cannot write " + dir);
}

}  // namespace test_support
