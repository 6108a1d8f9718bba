// SPDX-License-Identifier: Apache-2.0
#pragma once

// Exports consume their argument buffers, so every call needs fresh ones. They
// are built with the timer paused, a small batch at a time: a caller's freshly
// written arguments are in cache, and so are these.

#include <benchmark/benchmark.h>

#include <vector>

#include "abi_client.h"

namespace bench {

constexpr size_t kBatch = 16;

struct Buffers {
  RustBuffer a{}, b{}, c{}, d{};
};

// Runs call(buffers) once per iteration, making kBatch sets of argument
// buffers at a time outside the timed region.
template <class Make, class Call>
void run_batched(benchmark::State& state, Make make, Call call) {
  std::vector<Buffers> batch;
  size_t next = 0;
  for (auto _ : state) {
    if (next == batch.size()) {
      state.PauseTiming();
      batch.clear();
      for (size_t k = 0; k < kBatch; ++k) batch.push_back(make());
      next = 0;
      state.ResumeTiming();
    }
    RustCallStatus st{};
    call(batch[next++], &st);
    if (st.code != 0) state.SkipWithError("the call failed");
  }
  // Release what the last batch did not use.
  for (; next < batch.size(); ++next) {
    for (RustBuffer b : {batch[next].a, batch[next].b, batch[next].c, batch[next].d}) {
      if (b.data != nullptr) slog_client::free_buffer(b);
    }
  }
}

}  // namespace bench
