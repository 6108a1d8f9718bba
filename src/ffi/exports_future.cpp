// SPDX-License-Identifier: Apache-2.0
// The async-future family, four exports per return type. Nothing in the
// library issues a handle (see ffi/future.h).

#include <memory>
#include <type_traits>

#include "ffi/call.h"
#include "ffi/future.h"
#include "ffi/status.h"
#include "silvantrope_log.h"

using namespace silvantrope::ffi;

namespace {

using Ref = std::shared_ptr<Future>;

Ref* ref_of(uint64_t handle) { return reinterpret_cast<Ref*>(static_cast<uintptr_t>(handle)); }

template <class T, size_t I = 0>
constexpr size_t value_index() {
  if constexpr (std::is_same_v<std::variant_alternative_t<I, FutureValue>, T>) {
    return I;
  } else {
    return value_index<T, I + 1>();
  }
}

void poll_future(uint64_t handle, UniffiRustFutureContinuationCallback callback,
                 uint64_t data) noexcept {
  Ref(*ref_of(handle))->poll(callback, data);
}

void cancel_future(uint64_t handle) noexcept { Ref(*ref_of(handle))->cancel(); }

template <class T>
T complete_future(uint64_t handle, RustCallStatus* status) {
  using Stored = std::conditional_t<std::is_void_v<T>, std::monostate, T>;
  return guarded(status, [&]() -> T {
    std::optional<FutureOutcome> outcome = Ref(*ref_of(handle))->take(value_index<Stored>());
    if (!outcome) {
      set_status(status, SILVANTROPE_LOG_CALL_CANCELLED, RustBuffer{0, 0, nullptr});
    } else if (outcome->code != SILVANTROPE_LOG_CALL_SUCCESS) {
      set_status(status, outcome->code, outcome->error);
    } else if constexpr (!std::is_void_v<T>) {
      return std::get<T>(outcome->value);
    }
    return T();
  });
}

void free_future(uint64_t handle) noexcept {
  const std::unique_ptr<Ref> ref(ref_of(handle));
  (*ref)->cancel();
  (*ref)->drop();
}

}  // namespace

#define SILVANTROPE_DEFINE_FUTURE(suffix, type)                                                    \
  void ffi_silvantrope_log_rust_future_poll_##suffix(                                              \
      uint64_t handle, UniffiRustFutureContinuationCallback callback, uint64_t callback_data) {    \
    poll_future(handle, callback, callback_data);                                                  \
  }                                                                                                \
  void ffi_silvantrope_log_rust_future_cancel_##suffix(uint64_t handle) { cancel_future(handle); } \
  type ffi_silvantrope_log_rust_future_complete_##suffix(uint64_t handle,                          \
                                                         RustCallStatus* status) {                 \
    return complete_future<type>(handle, status);                                                  \
  }                                                                                                \
  void ffi_silvantrope_log_rust_future_free_##suffix(uint64_t handle) { free_future(handle); }

extern "C" {
SILVANTROPE_LOG_FUTURE_TYPES(SILVANTROPE_DEFINE_FUTURE)
}
