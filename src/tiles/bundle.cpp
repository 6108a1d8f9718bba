#include "tiles/bundle.h"

#include <array>

#include "core/byte_reader.h"
#include "silvantrope-crypto/sha256_short.h"
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
  std::array<ByteView, kTileWidth> entries;
  auto count = walk(bundle, [&, i = size_t{0}](ByteView entry) mutable { entries[i++] = entry; });
  if (!count) return std::move(count).error();
  Bytes out(*count * kHashBytes);
  // RFC 6962 leaf hashes: SHA-256(0x00 || entry).
  crypto::sha256_prefixed_each(0x00, std::span(entries).first(*count), out.data());
  return out;
}

}  // namespace silvantrope::tiles
