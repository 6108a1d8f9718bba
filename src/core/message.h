// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string_view>
#include <utility>

namespace silvantrope {

// An error's text, kept in one C-allocator block with room in front for the
// eight bytes (variant and length) that precede it on the foreign-call
// boundary: a failing call hands this very block to its caller, so the text
// is written once and never copied.
class Message {
 public:
  static constexpr size_t kHeadroom = 8;

  // size bytes of text, to be written through data().
  static Message of_size(size_t size);
  explicit Message(std::string_view text);
  Message(const Message&) = delete;
  Message(Message&& other) noexcept : block_(other.block_), size_(other.size_) { other.block_ = nullptr; }
  Message& operator=(Message&& other) noexcept {
    std::swap(block_, other.block_);
    std::swap(size_, other.size_);
    return *this;
  }
  ~Message() {
    if (block_ != nullptr) std::free(block_);  // moved-from messages are common and cost no call
  }

  char* data() { return reinterpret_cast<char*>(block_ + kHeadroom); }
  std::span<uint8_t, kHeadroom> headroom() { return std::span<uint8_t, kHeadroom>(block_, kHeadroom); }
  std::string_view view() const { return {reinterpret_cast<const char*>(block_ + kHeadroom), size_}; }
  size_t size() const { return size_; }

  // The whole block (headroom, then the text), now the caller's to free with
  // std::free.
  uint8_t* release() && {
    uint8_t* b = block_;
    block_ = nullptr;
    return b;
  }

 private:
  Message(uint8_t* block, size_t size) : block_(block), size_(size) {}

  uint8_t* block_;
  size_t size_;
};

}  // namespace silvantrope
