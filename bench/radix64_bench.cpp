#include <benchmark/benchmark.h>

#include <string>

#include "formats/radix64.h"

namespace {

std::string Bytes(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) {
    bytes[i] = static_cast<char>(i * 131 + 7);
  }
  return bytes;
}

void Radix64Encode(benchmark::State& state) {
  const std::string bytes = Bytes(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    benchmark::DoNotOptimize(kestrin::Radix64Encode(bytes));
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}

void Radix64Decode(benchmark::State& state) {
  const std::string text = kestrin::Radix64Encode(Bytes(static_cast<std::size_t>(state.range(0))));
  for (auto _ : state) {
    benchmark::DoNotOptimize(kestrin::Radix64Decode(text));
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}

// A typical field (a URL) and a large block.
BENCHMARK(Radix64Encode)->Arg(64)->Arg(1 << 16);
BENCHMARK(Radix64Decode)->Arg(64)->Arg(1 << 16);

}  // namespace
