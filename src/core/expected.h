// SPDX-License-Identifier: Apache-2.0
#pragma once

// A small std::expected stand-in: g++ 12 has <expected>, but the clang 14 used
// for fuzzing cannot compile libstdc++'s, and one type must serve both.

#include <cassert>
#include <optional>
#include <type_traits>
#include <utility>
#include <variant>

namespace silvantrope {

template <class E>
struct Unexpected {
  E error;
};

template <class E>
Unexpected<std::decay_t<E>> unexpected(E&& e) {
  return {std::forward<E>(e)};
}

template <class T, class E>
class [[nodiscard]] Expected {
 public:
  using value_type = T;
  using error_type = E;

  Expected(T value) : v_(std::in_place_index<0>, std::move(value)) {}
  Expected(E error) requires(!std::is_same_v<T, E>) : v_(std::in_place_index<1>, std::move(error)) {}
  template <class G>
  Expected(Unexpected<G> u) : v_(std::in_place_index<1>, std::move(u.error)) {}

  bool has_value() const { return v_.index() == 0; }
  explicit operator bool() const { return has_value(); }

  T& value() & { assert(has_value()); return std::get<0>(v_); }
  const T& value() const& { assert(has_value()); return std::get<0>(v_); }
  T&& value() && { assert(has_value()); return std::get<0>(std::move(v_)); }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }
  T&& operator*() && { return std::move(*this).value(); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }

  const E& error() const& { assert(!has_value()); return std::get<1>(v_); }
  E&& error() && { assert(!has_value()); return std::get<1>(std::move(v_)); }

 private:
  std::variant<T, E> v_;
};

template <class E>
class [[nodiscard]] Expected<void, E> {
 public:
  using value_type = void;
  using error_type = E;

  Expected() = default;
  Expected(E error) : e_(std::move(error)) {}
  template <class G>
  Expected(Unexpected<G> u) : e_(std::move(u.error)) {}

  bool has_value() const { return !e_.has_value(); }
  explicit operator bool() const { return has_value(); }
  const E& error() const& { assert(e_); return *e_; }
  E&& error() && { assert(e_); return std::move(*e_); }

 private:
  std::optional<E> e_;
};

}  // namespace silvantrope

// The value of an Expected expression, or an early return of its error from
// the enclosing function (a GNU statement expression; g++ and clang have it).
#define SILVANTROPE_TRY(...)                                   \
  ({                                                           \
    auto silvantrope_try_ = (__VA_ARGS__);                     \
    if (!silvantrope_try_) return std::move(silvantrope_try_).error(); \
    std::move(*silvantrope_try_);                              \
  })

// The same for an Expected<void, E>.
#define SILVANTROPE_CHECK(...)                                 \
  do {                                                         \
    auto silvantrope_check_ = (__VA_ARGS__);                   \
    if (!silvantrope_check_) return std::move(silvantrope_check_).error(); \
  } while (0)
