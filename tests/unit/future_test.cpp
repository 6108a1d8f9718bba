// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include <thread>

#include "ffi/buffer.h"
#include "ffi/future.h"

namespace {

using namespace silvantrope::ffi;

// A stored value for each return type, away from zero and from the type's limits.
template <class T>
FutureValue sample() {
  if constexpr (std::is_void_v<T>) return std::monostate{};
  else if constexpr (std::is_same_v<T, RustBuffer>) return RustBuffer{0, 0, nullptr};  // filled per case
  else if constexpr (std::is_floating_point_v<T>) return T(0.75);
  else return T(std::is_signed_v<T> ? -5 : 200);
}

struct Gate {
  std::mutex mu;
  bool open = false, faults = false, wakes_itself = false;
  std::optional<Waker> waker;
  FutureOutcome outcome{uint32_t{7}};
  std::optional<FutureOutcome> step(const Waker& w) {
    std::lock_guard lock(mu);
    if (std::exchange(faults, false)) throw std::runtime_error("step failed");
    if (open) return outcome;
    if (std::exchange(wakes_itself, false)) open = true, w.wake();
    waker = w;
    return std::nullopt;
  }
  void wake(bool opening) {
    std::optional<Waker> w;
    { std::lock_guard lock(mu); open |= opening; w = waker; }
    if (w) w->wake();
  }
};

// Records callbacks and completes; if reentrant, its callback polls, cancels and completes.
struct Probe {
  std::shared_ptr<Gate> gate = std::make_shared<Gate>();
  uint64_t h = issue_future([g = gate](const Waker& w) { return g->step(w); });
  bool reentrant = false;
  std::string events;
  ~Probe() { if (h) ffi_silvantrope_log_rust_future_free_u32(h); }
  void poll() {
    ffi_silvantrope_log_rust_future_poll_u32(h, callback, reinterpret_cast<uintptr_t>(this));
  }
  void complete() {
    RustCallStatus s{};
    const uint32_t v = ffi_silvantrope_log_rust_future_complete_u32(h, &s);
    events += "C" + std::to_string(v) + "/" + std::to_string(s.code) +
              std::string(reinterpret_cast<const char*>(s.error_buf.data), s.error_buf.len);
    release(s.error_buf);
  }
  static void callback(uint64_t data, int8_t code) {
    auto* p = reinterpret_cast<Probe*>(data);
    p->events += char('0' + code);
    if (p->reentrant && code == 1) p->poll();
    if (p->reentrant && code == 0) ffi_silvantrope_log_rust_future_cancel_u32(p->h), p->complete();
  }
};

TEST(Future, Orderings) {
  // p poll, w wake, o open and wake, x cancel, F free, C complete (value/code error); r reentrant,
  // s the next step opens and wakes itself, t the next step faults, e failed with code 1
  const std::pair<std::string, std::string> cases[] = {
      {"pw", "1"}, {"pp", "1"}, {"pwwpp", "11"}, {"px", "0"}, {"pxw", "0"}, {"pFw", "0"},
      {"xpC", "0C0/3"}, {"opCC", "0C7/0C0/3"}, {"opxC", "0C7/0"}, {"CpC", "C0/30C0/3"},
      {"powpC", "10C7/0"}, {"rpsp", "10C7/00C0/3"}, {"eopCC", "0C0/1noC0/3"},
      {"tpCpC", "0C0/2step failed0C0/2step failed"}};
  for (const auto& [script, want] : cases) {
    Probe p;
    for (const char op : script) {
      if (op == 'p') p.poll();
      if (op == 'w' || op == 'o') p.gate->wake(op == 'o');
      if (op == 'x') ffi_silvantrope_log_rust_future_cancel_u32(p.h);
      if (op == 'F') ffi_silvantrope_log_rust_future_free_u32(std::exchange(p.h, 0));
      if (op == 'C') p.complete();
      p.reentrant |= op == 'r', p.gate->wakes_itself |= op == 's', p.gate->faults |= op == 't';
      if (op == 'e') p.gate->outcome = {{}, 1, copy_out(silvantrope::as_bytes("no"))};
    }
    EXPECT_EQ(p.events, want) << script;
  }
}

TEST(Future, WokenAndCancelledFromOtherThreads) {
  for (int i = 0; i < 300; ++i) {
    Probe p{.reentrant = true};
    std::thread opener([&] { p.gate->wake(true); });
    std::thread canceller([&] { if (i % 3 == 0) ffi_silvantrope_log_rust_future_cancel_u32(p.h); });
    p.poll();
    opener.join(), canceller.join();
    const std::string ready = p.events.substr(p.events[0] == '1');  // after a wake or not
    EXPECT_TRUE(ready == "0C7/0" || (i % 3 == 0 && ready == "0C0/3")) << p.events;
  }
}

TEST(Future, TypedCompletesReturnTheValue) {
  const RustBuffer buf = copy_out(silvantrope::as_bytes("value"));
  const FutureValue v[] = {int8_t{-3}, 0.5f, buf, {}};
  Probe p[4];
  for (int i = 0; i < 4; ++i) p[i].gate->open = true, p[i].gate->outcome.value = v[i], p[i].poll();
  RustCallStatus s{};
  EXPECT_EQ(ffi_silvantrope_log_rust_future_complete_i8(p[0].h, &s), -3);
  EXPECT_EQ(ffi_silvantrope_log_rust_future_complete_f32(p[1].h, &s), 0.5f);
  EXPECT_EQ(ffi_silvantrope_log_rust_future_complete_rust_buffer(p[2].h, &s).data, buf.data);
  ffi_silvantrope_log_rust_future_complete_void(p[3].h, &s);
  EXPECT_EQ(s.code, 0);
  release(buf);
}

// Every return type, every outcome (value, error code 1, internal fault code 2) and every order of
// poll (p), cancel (x), complete (C) and free (always last): the first complete after a poll that
// found the outcome hands over exactly what was stored, even after a cancel; a cancel before that
// poll, a complete before it and a second complete report code 3; whatever is never handed over
// (value or error buffers) is released by the library (the ASan build sees a leak or double free).
template <class T>
struct Family {
  void (*poll)(uint64_t, UniffiRustFutureContinuationCallback, uint64_t);
  void (*cancel)(uint64_t);
  T (*complete)(uint64_t, RustCallStatus*);
  void (*free)(uint64_t);
};

template <class T>
void every_outcome_and_order(const Family<T>& f, FutureValue stored) {
  const char* const scripts[] = {"", "p", "pC", "pxC", "pCx", "pCC", "px", "xpC", "xp", "C", "CpC", "xC"};
  for (const int8_t code : {0, 1, 2}) {
    for (const std::string script : scripts) {
      const uint64_t h = issue_future([stored, code](const Waker&) {  // its buffers exist once it runs
        FutureOutcome outcome{stored, code, {0, 0, nullptr}};
        if (auto* buf = std::get_if<RustBuffer>(&outcome.value); buf && code == 0) *buf = copy_out(silvantrope::as_bytes("value"));
        if (code != 0) outcome.error = copy_out(silvantrope::as_bytes("boom"));  // an error, and no value
        return outcome;
      });
      bool cancelled = false, ready = false, taken = false;
      for (const char op : script) {
        if (op == 'x') { f.cancel(h), cancelled = true; continue; }
        if (op == 'p') {
          int8_t polled = -1;
          f.poll(h, [](uint64_t data, int8_t c) { *reinterpret_cast<int8_t*>(data) = c; }, reinterpret_cast<uintptr_t>(&polled));
          EXPECT_EQ(polled, 0);
          ready |= !cancelled;
          continue;
        }
        RustCallStatus s{};
        std::string got;
        if constexpr (std::is_void_v<T>) {
          f.complete(h, &s);
        } else if constexpr (std::is_same_v<T, RustBuffer>) {
          const RustBuffer b = f.complete(h, &s);
          got.assign(reinterpret_cast<const char*>(b.data), b.len);
          if (b.data) release(b);
        } else {
          got = std::to_string(f.complete(h, &s));
        }
        const std::string err(reinterpret_cast<const char*>(s.error_buf.data), s.error_buf.len);
        release(s.error_buf);
        const int8_t want = ready && !taken ? code : 3;
        EXPECT_EQ(s.code, want) << script << " " << int(code);
        EXPECT_EQ(err, want == 1 || want == 2 ? "boom" : "") << script;
        std::string value, zero;
        if constexpr (std::is_same_v<T, RustBuffer>) value = "value";
        else if constexpr (!std::is_void_v<T>) value = std::to_string(std::get<T>(stored)), zero = std::to_string(T());
        EXPECT_EQ(got, want == 0 ? value : zero) << script;
        taken = true;
      }
      f.free(h);
    }
  }
}

TEST(Future, EveryTypeOutcomeAndOrder) {
#define SILVANTROPE_EVERY_FAMILY(suffix, type)                                                       \
  every_outcome_and_order<type>({ffi_silvantrope_log_rust_future_poll_##suffix,                      \
                                 ffi_silvantrope_log_rust_future_cancel_##suffix,                    \
                                 ffi_silvantrope_log_rust_future_complete_##suffix,                  \
                                 ffi_silvantrope_log_rust_future_free_##suffix},                     \
                                sample<type>());
  SILVANTROPE_LOG_FUTURE_TYPES(SILVANTROPE_EVERY_FAMILY)
#undef SILVANTROPE_EVERY_FAMILY
}

}  // namespace
