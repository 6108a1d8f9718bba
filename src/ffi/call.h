// SPDX-License-Identifier: Apache-2.0
#pragma once

// The one call frame every verification export uses:
//   1. own every argument buffer from the first line, so each is released on
//      every path;
//   2. lift the buffer arguments in declaration order; the first failure
//      gives code 2, "Failed to convert arg '{arg}':\n{detail}";
//   3. run the verifier; an Error (or a VerifyError of the export's own
//      argument checks) gives code 1 with its message;
//   4. lower the result into a fresh buffer (or return the integer);
//   5. any exception becomes code 2 with its text, so nothing unwinds into
//      the foreign caller.

#include <array>
#include <exception>
#include <new>
#include <optional>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>

#include "ffi/buffer.h"
#include "ffi/lift.h"
#include "ffi/lower.h"
#include "ffi/status.h"
#include "ffi/verify_error.h"

namespace silvantrope::ffi {

template <class W>
struct Arg {
  const char* name;
  RustBuffer buf;
};

template <class W>
Arg<W> arg(const char* name, RustBuffer buf) {
  return {name, buf};
}

// Runs body and turns any exception into code 2 with its text ("Unknown
// panic!" when it has none). zero is returned after a fault.
template <class F>
auto guarded(RustCallStatus* status, F&& body) -> decltype(body()) {
  using C = decltype(body());
  try {
    return body();
  } catch (const std::bad_alloc&) {
    fail_unexpected(status, "memory allocation failed");
  } catch (const std::exception& e) {
    fail_unexpected(status, e.what());
  } catch (...) {
    fail_unexpected(status, {});
  }
  if constexpr (std::is_void_v<C>) {
    return;
  } else {
    return C{};
  }
}

template <class F, class... W>
auto call(RustCallStatus* status, F&& verifier, Arg<W>... args) {
  using R = std::invoke_result_t<F&, LiftValue<W>&...>;
  using L = Lower<typename R::value_type>;
  using C = typename L::CType;

  return guarded(status, [&]() -> C {
    std::array<OwnedBuffer, sizeof...(W)> owned{OwnedBuffer(args.buf)...};
    const std::array<const char*, sizeof...(W)> names{args.name...};
    std::tuple<LiftValue<W>...> lifted;

    auto lift_one = [&]<size_t I>(std::integral_constant<size_t, I>) {
      using Wi = std::tuple_element_t<I, std::tuple<W...>>;
      LiftFailure why{};
      if (!lift_into<Wi>(owned[I].checked_view(), std::get<I>(lifted), why)) {
        fail_unexpected(status, std::string("Failed to convert arg '") + names[I] + "':\n" + why.detail());
        return false;
      }
      return true;
    };
    const bool all_lifted = [&]<size_t... I>(std::index_sequence<I...>) {
      return (lift_one(std::integral_constant<size_t, I>{}) && ...);
    }(std::index_sequence_for<W...>{});

    auto zero = [] {
      if constexpr (!std::is_void_v<C>) return L::zero();
    };
    if (!all_lifted) return zero();

    R result = std::apply([&](auto&... v) { return verifier(v...); }, lifted);
    if (!result) {
      fail_verification(status, take_message(std::move(result).error()));
      return zero();
    }
    if constexpr (std::is_void_v<C>) {
      return;
    } else {
      return L::lower(*result);
    }
  });
}

}  // namespace silvantrope::ffi
