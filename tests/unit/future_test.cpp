// The async-future family on handles issued here.

#include <gtest/gtest.h>

#include <thread>

#include "core/fault.h"
#include "ffi/buffer.h"
#include "ffi/future.h"

namespace {

using namespace silvantrope;
using namespace silvantrope::ffi;

// A computation pending until opened, then finishing with outcome (or faulting).
struct Gate {
  std::mutex mu;
  bool open = false, faults = false, wakes_itself = false;
  std::optional<Waker> waker;
  FutureOutcome outcome{uint32_t{7}};
  std::optional<FutureOutcome> step(const Waker& w) {
    std::lock_guard lock(mu);
    if (faults) throw InternalFault("step failed");
    if (open) return outcome;
    if (std::exchange(wakes_itself, false)) open = true, w.wake();
    waker = w;
    return std::nullopt;
  }
  void wake(bool opening) {
    std::unique_lock lock(mu);
    open |= opening;
    if (const std::optional<Waker> w = waker; lock.unlock(), w) w->wake();
  }
};

// Records callbacks and completes ("C", value, "/", code, error text); a
// reentrant probe re-polls on a wake and cancels and completes on ready, all
// from inside the callback.
struct Probe {
  std::shared_ptr<Gate> gate = std::make_shared<Gate>();
  uint64_t h = issue_future([g = gate](const Waker& w) { return g->step(w); });
  bool reentrant = false, freed = false;
  std::string events;
  ~Probe() { freed || (ffi_silvantrope_log_rust_future_free_u32(h), true); }
  void poll() { ffi_silvantrope_log_rust_future_poll_u32(h, callback, reinterpret_cast<uintptr_t>(this)); }
  void complete() {
    RustCallStatus s{};
    events += "C" + std::to_string(ffi_silvantrope_log_rust_future_complete_u32(h, &s));
    const ByteView error = view(s.error_buf);
    events += "/" + std::to_string(s.code) + std::string(error.begin(), error.end());
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
  // p poll, w wake, o open and wake, t make steps fault, s make the next step open and wake
  // itself, r make the probe reentrant, x cancel, F free, C complete
  const auto error = [](int8_t code) { return FutureOutcome{{}, code, copy_out(as_bytes("no"))}; };
  const std::string wrong = "future value of another type";
  const std::tuple<std::string, std::string, FutureOutcome> cases[] = {
      {"pw", "1", {}}, {"pp", "1", {}}, {"pwwp", "11", {}}, {"px", "0", {}}, {"pxw", "0", {}},
      {"pFw", "0", {}}, {"xpC", "0C0/3", {}}, {"opCC", "0C7/0C0/3", {}}, {"opxC", "0C7/0", {}},
      {"CpC", "C0/30C0/3", {}}, {"powpC", "10C7/0", {}}, {"rpsp", "10C7/00C0/3", {}},
      {"tpCpC", "0C0/2step failed0C0/2step failed", {}}, {"opCC", "0C0/1noC0/3", error(1)},
      {"opCC", "0C0/2noC0/3", error(2)}, {"opCpC", "0C0/2" + wrong + "0C0/2" + wrong, {uint8_t{1}}}};
  for (const auto& [script, want, outcome] : cases) {
    Probe p;
    if (outcome.code || outcome.value.index()) p.gate->outcome = outcome;
    for (const char op : script) {
      if (op == 'p') p.poll();
      if (op == 'w' || op == 'o') p.gate->wake(op == 'o');
      p.gate->faults |= op == 't';
      p.gate->wakes_itself |= op == 's';
      p.reentrant |= op == 'r';
      if (op == 'x') ffi_silvantrope_log_rust_future_cancel_u32(p.h);
      if (op == 'F') ffi_silvantrope_log_rust_future_free_u32(p.h), p.freed = true;
      if (op == 'C') p.complete();
    }
    EXPECT_EQ(p.events, want) << script;
  }
}

TEST(Future, WokenAndCancelledFromOtherThreads) {
  for (uint32_t i = 0; i < 300; ++i) {
    Probe p;
    p.reentrant = true;
    p.gate->outcome.value = i;
    std::thread opener([&] { p.gate->wake(true); });
    std::thread canceller([&] { i % 3 || (ffi_silvantrope_log_rust_future_cancel_u32(p.h), 0); });
    p.poll();
    opener.join(), canceller.join();
    const std::string done = "0C" + std::to_string(i) + "/0", cancelled = "0C0/3";
    EXPECT_TRUE(p.events == done || p.events == "1" + done ||
                (i % 3 == 0 && (p.events == cancelled || p.events == "1" + cancelled))) << p.events;
  }
}

TEST(Future, TypedCompletesReturnTheValue) {
  const RustBuffer buf = copy_out(as_bytes("value"));
  std::vector<uint64_t> h;
  for (const FutureValue& v : {FutureValue(int8_t{-3}), FutureValue(0.5f), FutureValue(buf), FutureValue()}) {
    h.push_back(issue_future([v](const Waker&) { return std::optional<FutureOutcome>(FutureOutcome{v}); }));
    ffi_silvantrope_log_rust_future_poll_void(h.back(), [](uint64_t, int8_t) {}, 0);
  }
  RustCallStatus s{};
  EXPECT_EQ(ffi_silvantrope_log_rust_future_complete_i8(h[0], &s), -3);
  EXPECT_EQ(ffi_silvantrope_log_rust_future_complete_f32(h[1], &s), 0.5f);
  EXPECT_EQ(ffi_silvantrope_log_rust_future_complete_rust_buffer(h[2], &s).data, buf.data);
  ffi_silvantrope_log_rust_future_complete_void(h[3], &s);
  EXPECT_EQ(s.code, 0);
  for (const uint64_t x : h) ffi_silvantrope_log_rust_future_free_void(x);
  release(buf);
}

}  // namespace
