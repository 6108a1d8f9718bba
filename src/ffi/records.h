#pragma once

// Lowering of the exported records.

#include "checkpoint/checkpoint.h"
#include "ffi/lower.h"

namespace silvantrope::ffi {

template <>
struct Lower<checkpoint::CheckpointHead> : LowerToBuffer<checkpoint::CheckpointHead> {
  static void write(ByteWriter& w, const checkpoint::CheckpointHead& h) {
    write_string(w, h.origin);
    w.u64(h.size);
    write_byte_list(w, h.root);
    write_length(w, h.extensions.size());
    for (const std::string& e : h.extensions) write_string(w, e);
  }
};

}  // namespace silvantrope::ffi
