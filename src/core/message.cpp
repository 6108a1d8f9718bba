// SPDX-License-Identifier: Apache-2.0
#include "core/message.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace silvantrope {

Message Message::of_size(size_t size) {
  if (size > SIZE_MAX - kHeadroom) throw std::bad_alloc();
  auto* block = static_cast<uint8_t*>(std::malloc(kHeadroom + size));
  if (block == nullptr) throw std::bad_alloc();
  return Message(block, size);
}

Message::Message(std::string_view text) : Message(of_size(text.size())) {
  if (!text.empty()) std::memcpy(data(), text.data(), text.size());
}

}  // namespace silvantrope
