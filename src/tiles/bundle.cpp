#include "tiles/bundle.h"

#include "core/byte_reader.h"
#include "merkle/hash.h"
#include "tiles/path.h"
#include "tiles/tile_set.h"

namespace silvantrope::tiles {
namespace {

Error bad(std::string_view why) { return Error::malformed_tile("entry bundle: " + std::string(why)); }

// Walks the framing; stops at the 257th entry, so a huge bundle costs no
// more than a full one.
template <class F>
Result<unsigned> walk(ByteView bundle, F&& on_entry) {
  ByteReader r(bundle);
  unsigned count = 0;
  while (!r.empty()) {
    if (count == kTileWidth) return bad("more than " + std::to_string(kTileWidth) + " entries");
    auto length = r.u16();
    if (!length) return bad("entry " + std::to_string(count) + " has a truncated length");
    auto entry = r.take(*length);
    if (!entry) {
      return bad("entry " + std::to_string(count) + " wants " + std::to_string(*length) + " bytes, " +
                 std::to_string(r.remaining()) + " left");
    }
    on_entry(*entry);
    ++count;
  }
  if (count == 0) return bad("no entries");
  return count;
}

}  // namespace

Result<unsigned> check_bundle(ByteView bundle) {
  return walk(bundle, [](ByteView) {});
}

Result<Bytes> bundle_leaf_hashes(ByteView bundle) {
  auto count = check_bundle(bundle);
  if (!count) return std::move(count).error();
  Bytes out;
  out.reserve(*count * kHashBytes);
  merkle::NodeHasher hasher;
  (void)walk(bundle, [&](ByteView entry) {
    const Hash32 h = hasher.leaf(entry);
    out.insert(out.end(), h.begin(), h.end());
  });
  return out;
}

}  // namespace silvantrope::tiles
