// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <algorithm>
#include <cstddef>
#include <string_view>
#include <vector>

namespace silvantrope {

// A fixed sequence of bytes or characters held inline up to N and on the heap
// beyond: the key material and names of a parsed key list without one
// allocation per key.
template <class T, size_t N>
class InlineArray {
 public:
  InlineArray(const T* p, size_t n) : size_(n) {
    if (n <= N) {
      std::copy_n(p, n, inline_);
    } else {
      heap_.assign(p, p + n);
    }
  }
  const T* data() const { return size_ <= N ? inline_ : heap_.data(); }
  size_t size() const { return size_; }
  const T* begin() const { return data(); }
  const T* end() const { return data() + size_; }

 private:
  T inline_[N]{};  // zeroed, so copies never read indeterminate bytes
  std::vector<T> heap_;
  size_t size_;
};

// A name held inline up to 48 bytes, read as a string_view.
class InlineName : public InlineArray<char, 48> {
 public:
  explicit InlineName(std::string_view s) : InlineArray(s.data(), s.size()) {}
  std::string_view view() const { return {data(), size()}; }
  operator std::string_view() const { return view(); }  // NOLINT: a name reads as text

  friend bool operator==(const InlineName& a, std::string_view b) { return a.view() == b; }
  friend bool operator==(const InlineName& a, const InlineName& b) { return a.view() == b.view(); }
  friend bool operator<(const InlineName& a, const InlineName& b) { return a.view() < b.view(); }
};

}  // namespace silvantrope
