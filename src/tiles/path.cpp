#include "tiles/path.h"

#include "core/quote.h"

namespace silvantrope::tiles {
namespace {

Error bad(std::string_view path, std::string_view why) {
  return Error::malformed_tile("path " + quote(path) + ": " + std::string(why));
}

bool all_digits(std::string_view s) {
  return !s.empty() && s.find_first_not_of("0123456789") == std::string_view::npos;
}

// A decimal without leading zeros, at most max; least is only named in the error.
Result<unsigned> small_decimal(std::string_view s, unsigned least, unsigned max, std::string_view what,
                               std::string_view path) {
  if (!all_digits(s) || s.size() > 3) {
    return bad(path, std::string(what) + " is not a decimal from " + std::to_string(least) + " to " + std::to_string(max));
  }
  if (s.size() > 1 && s[0] == '0') return bad(path, std::string(what) + " has a leading zero");
  unsigned v = 0;
  for (char c : s) v = v * 10 + static_cast<unsigned>(c - '0');
  if (v > max) return bad(path, std::string(what) + " " + std::string(s) + " is above " + std::to_string(max));
  return v;
}

}  // namespace

Result<uint64_t> parse_tile_index(std::string_view elements, std::string_view path) {
  uint64_t index = 0;
  bool first = true;
  while (true) {
    const bool last = elements.size() == 3;
    std::string_view element = elements.substr(0, last ? 3 : 4);
    if (!last) {
      if (elements.size() < 5 || element[0] != 'x' || elements[4] != '/') {
        return bad(path, "index elements must be xDDD/ ... DDD");
      }
      element.remove_prefix(1);
    }
    if (!all_digits(element) || element.size() != 3) return bad(path, "index elements must be three digits");
    const uint64_t d = static_cast<uint64_t>((element[0] - '0') * 100 + (element[1] - '0') * 10 + (element[2] - '0'));
    if (first && !last && d == 0) return bad(path, "index is not in its shortest form");
    if (index > (UINT64_MAX - d) / 1000) return bad(path, "index is 2^64 or more");
    index = index * 1000 + d;
    first = false;
    if (last) return index;
    elements.remove_prefix(5);
  }
}

std::string format_tile_index(uint64_t index) {
  std::string out;
  do {
    const unsigned d = static_cast<unsigned>(index % 1000);
    index /= 1000;
    const std::string element = {static_cast<char>('0' + d / 100), static_cast<char>('0' + d / 10 % 10),
                                 static_cast<char>('0' + d % 10)};
    // Every element but the last (rightmost) carries an x.
    out = out.empty() ? element : "x" + element + "/" + out;
  } while (index);
  return out;
}

Result<TileId> parse_tile_path(std::string_view path) {
  std::string_view rest = path;
  if (rest.substr(0, 5) != "tile/") return bad(path, "does not start with \"tile/\"");
  rest.remove_prefix(5);
  if (rest.substr(0, 8) == "entries/") return bad(path, "an entry bundle is not a hash tile");
  const size_t slash = rest.find('/');
  if (slash == std::string_view::npos) return bad(path, "has no index");
  auto level = small_decimal(rest.substr(0, slash), 0, kMaxLevel, "level", path);
  if (!level) return std::move(level).error();
  rest.remove_prefix(slash + 1);
  TileId id;
  id.level = static_cast<uint8_t>(*level);
  const size_t dot = rest.find(".p/");
  if (dot != std::string_view::npos) {
    auto width = small_decimal(rest.substr(dot + 3), 1, kTileWidth - 1, "width", path);
    if (!width) return std::move(width).error();
    if (*width == 0) return bad(path, "width 0 is not a tile");
    id.width = static_cast<uint16_t>(*width);
    rest = rest.substr(0, dot);
  }
  auto index = parse_tile_index(rest, path);
  if (!index) return std::move(index).error();
  id.index = *index;
  return id;
}

std::string format_tile_path(const TileId& id) {
  std::string out = "tile/" + std::to_string(id.level) + "/" + format_tile_index(id.index);
  if (id.width < kTileWidth) out += ".p/" + std::to_string(id.width);
  return out;
}

}  // namespace silvantrope::tiles
