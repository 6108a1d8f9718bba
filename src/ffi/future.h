// SPDX-License-Identifier: Apache-2.0
#pragma once

// The object behind the rust_future exports. A handle is the address of a
// heap-held shared_ptr: the foreign side's one reference, dropped by free.
// Each export copies it for the length of the call, and a Waker holds only a
// weak reference, so the object lives exactly as long as someone uses it.
//
// Locks: the future's mutex guards the computation and its outcome, the
// scheduler's its state; the first may be held while taking the second,
// never the reverse. No callback is called while either is held.

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <variant>

#include "silvantrope_log.h"

namespace silvantrope::ffi {

// monostate is the value of a void future.
using FutureValue = std::variant<std::monostate, uint8_t, int8_t, uint16_t, int16_t, uint32_t,
                                 int32_t, uint64_t, int64_t, float, double, RustBuffer>;

// A value, or a failed call status (code 1 or 2 and its error buffer). The
// buffers belong to the outcome until complete hands them over.
struct FutureOutcome {
  FutureValue value;
  int8_t code = SILVANTROPE_LOG_CALL_SUCCESS;
  RustBuffer error{0, 0, nullptr};
};

class Future;

class Waker {
 public:
  explicit Waker(std::weak_ptr<Future> future) : future_(std::move(future)) {}
  // Asks the foreign side to poll again; nothing once the future is gone.
  void wake() const;

 private:
  std::weak_ptr<Future> future_;
};

// One step of the computation: its outcome once finished, nullopt while it
// waits (after arranging for the waker to be called).
using Computation = std::function<std::optional<FutureOutcome>(const Waker&)>;

class Future : public std::enable_shared_from_this<Future> {
 public:
  explicit Future(Computation computation) : computation_(std::move(computation)) {}

  void poll(UniffiRustFutureContinuationCallback callback, uint64_t data) noexcept;
  void wake() noexcept;
  void cancel() noexcept;
  // The outcome, if any; a value of another alternative than value_index is
  // an internal fault.
  std::optional<FutureOutcome> take(size_t value_index);
  // Drops the computation and any outcome.
  void drop() noexcept;

  // A callback due, with its poll code.
  struct Call {
    UniffiRustFutureContinuationCallback callback;
    uint64_t data;
    int8_t code;
  };

 private:
  enum class State { Empty, Woken, Cancelled, Set };

  template <class F>
  auto locked(F&& body);
  bool step() noexcept;
  void run(std::optional<Call> call) noexcept;
  std::optional<Call> store(UniffiRustFutureContinuationCallback callback, uint64_t data);

  std::mutex mutex_;
  Computation computation_;
  std::optional<FutureOutcome> outcome_;
  std::optional<std::string> fault_;  // set by a fault while mutex_ was held

  std::mutex scheduler_mutex_;
  State state_ = State::Empty;
  Call stored_{};
};

// The only way to issue a handle. No export calls it (the library has no
// asynchronous function), and being inline it is compiled only into the
// tests that do.
inline uint64_t issue_future(Computation computation) {
  auto* ref = new std::shared_ptr<Future>(std::make_shared<Future>(std::move(computation)));
  return reinterpret_cast<uintptr_t>(ref);
}

}  // namespace silvantrope::ffi
