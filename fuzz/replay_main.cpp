// SPDX-License-Identifier: Apache-2.0
// Runs a fuzz target over the given files without libFuzzer (replay.cmake); a failure aborts.

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    std::ifstream in(argv[i], std::ios::binary);
    if (!in) return std::fprintf(stderr, "cannot read %s\n", argv[i]), 1;
    const std::vector<uint8_t> data{std::istreambuf_iterator<char>(in), {}};  // exactly the input's size
    std::fprintf(stderr, "running %s (%zu bytes)\n", argv[i], data.size());
    LLVMFuzzerTestOneInput(data.data(), data.size());
  }
  return std::printf("replayed %d inputs\n", argc - 1), argc < 2;
}
