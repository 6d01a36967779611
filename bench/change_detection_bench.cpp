#include <benchmark/benchmark.h>

#include "bench/generated_favorites.h"
#include "formats/general_date.h"
#include "sync/change_detection.h"

namespace {

// Range 0: records on each side; the shared side differs in 1 % of them.
template <auto Detect>
void ChangeDetection(benchmark::State& state) {
  const auto local =
      kestrin::bench::GeneratedList(static_cast<std::size_t>(state.range(0)), "Study");
  const auto shared = kestrin::bench::WithOnePercentChanged(local, "Laptop");
  const auto format = kestrin::EnUsGeneralDateFormat();
  for (auto _ : state) {
    // The list last agreed on is the local one: every change is the other computer's.
    const auto changes = Detect(local, shared, &local.records, format);
    if (!changes || changes->CreateList.empty()) {
      state.SkipWithError("no changes found");
      break;
    }
    benchmark::DoNotOptimize(changes->CreateList.data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(ChangeDetection<kestrin::ComputeChanges>)
    ->Name("ComputeChanges")
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(ChangeDetection<kestrin::ChangesToApply>)
    ->Name("ChangesToApply")
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);

}  // namespace
