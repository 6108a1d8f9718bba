// SPDX-License-Identifier: Apache-2.0
#include "ffi/future.h"

#include <exception>
#include <utility>

#include "core/fault.h"
#include "ffi/buffer.h"

namespace silvantrope::ffi {
namespace {

constexpr int8_t kReady = 0;
constexpr int8_t kWake = 1;

// A wake from inside a step, on the polling thread, comes while the future's
// mutex is held: its callback waits in the slot until the step is over. Only
// a Set scheduler yields a callback, and only poll sets it, so one slot does.
struct Deferral {
  const Future* future;
  std::optional<Future::Call>* slot;
};
thread_local Deferral t_deferral{nullptr, nullptr};

class Deferring {
 public:
  Deferring(const Future* future, std::optional<Future::Call>* slot)
      : outer_(std::exchange(t_deferral, Deferral{future, slot})) {}
  ~Deferring() { t_deferral = outer_; }
  Deferring(const Deferring&) = delete;
  Deferring& operator=(const Deferring&) = delete;

 private:
  Deferral outer_;
};

void release_outcome(const FutureOutcome& outcome) {
  if (const auto* buf = std::get_if<RustBuffer>(&outcome.value)) release(*buf);
  release(outcome.error);
}

}  // namespace

void Waker::wake() const {
  if (const std::shared_ptr<Future> future = future_.lock()) future->wake();
}

// Runs body under the future's mutex. A fault there is remembered, and every
// later use of the future fails with it.
template <class F>
auto Future::locked(F&& body) {
  std::lock_guard lock(mutex_);
  if (fault_) throw InternalFault(*fault_);
  try {
    return body();
  } catch (const std::exception& e) {
    fault_ = e.what();
    throw;
  } catch (...) {
    fault_.emplace();
    throw;
  }
}

void Future::poll(UniffiRustFutureContinuationCallback callback, uint64_t data) noexcept {
  bool cancelled;
  {
    std::lock_guard lock(scheduler_mutex_);
    cancelled = state_ == State::Cancelled;
  }
  if (cancelled || step()) return callback(data, kReady);
  run(store(callback, data));
}

// Runs the computation one step; true once it has finished or is gone, or
// after a fault (complete then reports it).
bool Future::step() noexcept {
  Computation finished;  // destroyed after the lock is released
  std::optional<Call> woken;
  bool ready = true;
  try {
    ready = locked([&] {
      if (computation_) {
        Deferring deferring(this, &woken);
        if (std::optional<FutureOutcome> outcome = computation_(Waker(weak_from_this()))) {
          outcome_ = std::move(outcome);
          finished = std::exchange(computation_, nullptr);
        }
      }
      return !computation_;
    });
  } catch (...) {
  }
  run(woken);
  return ready;
}

std::optional<Future::Call> Future::store(UniffiRustFutureContinuationCallback callback,
                                          uint64_t data) {
  const Call call{callback, data, kWake};
  std::lock_guard lock(scheduler_mutex_);
  switch (state_) {
    case State::Empty:
      state_ = State::Set;
      stored_ = call;
      return std::nullopt;
    case State::Woken:
      state_ = State::Empty;
      return call;
    case State::Cancelled:
      return Call{callback, data, kReady};
    case State::Set:
      return std::exchange(stored_, call);
  }
  return std::nullopt;
}

void Future::wake() noexcept {
  std::optional<Call> call;
  {
    std::lock_guard lock(scheduler_mutex_);
    if (state_ == State::Empty) {
      state_ = State::Woken;
    } else if (state_ == State::Set) {
      state_ = State::Empty;
      call = stored_;
    }
  }
  run(call);
}

void Future::cancel() noexcept {
  std::optional<Call> call;
  {
    std::lock_guard lock(scheduler_mutex_);
    if (state_ == State::Set) call = Call{stored_.callback, stored_.data, kReady};
    state_ = State::Cancelled;
  }
  run(call);
}

void Future::run(std::optional<Call> call) noexcept {
  if (!call) return;
  if (t_deferral.future == this) {
    *t_deferral.slot = call;
  } else {
    call->callback(call->data, call->code);
  }
}

std::optional<FutureOutcome> Future::take(size_t value_index) {
  Computation dropped;  // destroyed after the lock is released
  return locked([&] {
    dropped = std::exchange(computation_, nullptr);
    if (outcome_ && outcome_->code == SILVANTROPE_LOG_CALL_SUCCESS &&
        outcome_->value.index() != value_index) {
      throw InternalFault("future value of another type");
    }
    return std::exchange(outcome_, std::nullopt);
  });
}

void Future::drop() noexcept {
  Computation dropped;
  std::optional<FutureOutcome> outcome;
  {
    std::lock_guard lock(mutex_);
    dropped = std::exchange(computation_, nullptr);
    outcome = std::exchange(outcome_, std::nullopt);
  }
  if (outcome) release_outcome(*outcome);
}

}  // namespace silvantrope::ffi
