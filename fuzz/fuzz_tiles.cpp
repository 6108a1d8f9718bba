// The tile path parser and the entry bundle decoder on the whole input (see
// README.md): a path that parses formats back to the same text; a bundle
// that decodes gives one leaf hash per entry, and a failure is a malformed
// tile message.

#include "support.h"
#include "tiles/bundle.h"
#include "tiles/path.h"
#include "tiles/tile_set.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  namespace tiles = silvantrope::tiles;
  const fuzz::Bytes x(data, data + size);
  const std::string_view t = fuzz::text(x);

  const auto id = tiles::parse_tile_path(t);
  FUZZ_CHECK(id ? tiles::format_tile_path(*id) == t && id->level <= 63 && id->width >= 1 && id->width <= 256
                : id.error().message().starts_with("malformed tile: path ") && fuzz::utf8(id.error().message()));

  const auto hashes = tiles::bundle_leaf_hashes(x);
  const auto count = tiles::check_bundle(x);
  FUZZ_CHECK(hashes ? count && hashes->size() == *count * tiles::kHashBytes && *count >= 1 && *count <= 256
                    : !count && hashes.error().message().starts_with("malformed tile: entry bundle: "));
  return 0;
}
