// SPDX-License-Identifier: Apache-2.0
#pragma once

// A list of byte strings read where they lie: either views the caller holds,
// or the boundary's wire form (each element a 4-byte big-endian length and
// its bytes) that a lift has already checked. Verifiers iterate it without
// copying the elements or allocating a vector of views.

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <span>
#include <type_traits>
#include <vector>

#include "core/bytes.h"

namespace silvantrope {

class ByteViewList {
 public:
  ByteViewList() = default;
  // From views: a vector, array or span of ByteView.
  template <class R>
    requires std::is_convertible_v<const R&, std::span<const ByteView>>
  ByteViewList(const R& views) : ByteViewList(std::span<const ByteView>(views)) {}
  ByteViewList(std::span<const ByteView> views) : views_(views.data()), count_(views.size()) {}

  // count elements in the wire form; the caller has checked that encoded
  // holds exactly them.
  static ByteViewList prefixed(size_t count, ByteView encoded) {
    ByteViewList l;
    l.count_ = count;
    l.encoded_ = encoded.data();
    return l;
  }

  size_t size() const { return count_; }
  bool empty() const { return count_ == 0; }

  class iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = ByteView;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = ByteView;

    iterator() = default;
    ByteView operator*() const {
      if (view_ != nullptr) return *view_;
      return {at_ + 4, length()};
    }
    iterator& operator++() {
      if (view_ != nullptr) {
        ++view_;
      } else {
        at_ += 4 + length();
      }
      ++index_;
      return *this;
    }
    iterator operator++(int) {
      iterator old = *this;
      ++*this;
      return old;
    }
    bool operator==(const iterator& o) const { return index_ == o.index_; }

   private:
    friend class ByteViewList;
    iterator(const ByteView* view, const uint8_t* at, size_t index) : view_(view), at_(at), index_(index) {}
    size_t length() const {
      return (size_t{at_[0]} << 24) | (size_t{at_[1]} << 16) | (size_t{at_[2]} << 8) | at_[3];
    }

    const ByteView* view_ = nullptr;
    const uint8_t* at_ = nullptr;
    size_t index_ = 0;
  };

  iterator begin() const { return {views_, encoded_, 0}; }
  // Compared by index only, so the end needs no position.
  iterator end() const { return {views_, encoded_, count_}; }
  ByteView front() const { return *begin(); }

  // For code written against a vector of views; it allocates.
  operator std::vector<ByteView>() const { return {begin(), end()}; }

 private:
  const ByteView* views_ = nullptr;
  const uint8_t* encoded_ = nullptr;
  size_t count_ = 0;
};

}  // namespace silvantrope
